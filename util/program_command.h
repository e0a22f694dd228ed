#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command line of a program that takes no options of its own but
// -h/--help and --version, and a few operands (the window's address, none
// for the trace viewer).
struct TProgramCommand {
    enum class TKind { Run, Help, Version, UsageError };

    TKind Kind = TKind::Run;
    QStringList Operands; // for Run
    QString Error;        // for UsageError: one German sentence
};

// Reads the arguments after the program name. --help wins over --version and
// both over a faulty argument anywhere on the line, so that they answer
// before a display is needed, whatever else is given; otherwise the first
// unknown option, or the first operand beyond `maxOperands`, is a usage
// error. "--" ends the options.
TProgramCommand ParseProgramCommand(const QStringList& arguments, qsizetype maxOperands);

// The arguments of main() after the program name, decoded as file names are.
QStringList ProgramArguments(int argc, char** argv);

// What a program says about itself.
struct TProgramTexts {
    QString Program; // "quorvik"
    QString Usage;   // "quorvik [Optionen] [URL]", as after "Aufruf: "
    QString Help;    // the --help text
};

// The texts of `program`: its usage line is the name and `operands`; `help`
// is its --help text with %1 for the usage line and %2 for the name.
TProgramTexts MakeProgramTexts(const QString& program, const QString& operands,
                               const QString& help);

// "quorvik 1.01 (Vendrix Quorvik)" and a line end.
QString ProgramVersionText(const QString& program);

// Answers --help and --version on standard output and a usage error on
// standard error (UTF-8) and returns the exit status: 0, or 2 for the usage
// error. Nothing for a command to run.
std::optional<int> AnswerProgramCommand(const TProgramCommand& command, const TProgramTexts& texts);
