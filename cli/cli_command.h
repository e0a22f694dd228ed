#pragma once

#include "cli/cli_options.h"
#include "cli/list_options.h"

#include <QString>
#include <QStringList>

class QIODevice;

// The program's name, as notes and the help text show it.
inline constexpr char kCliProgramName[] = "quorvik-cli";

// What a command line asks quorvik-cli to do.
struct TCliCommand {
    enum class TKind { Run, List, Help, Version, UsageError };

    TKind Kind = TKind::Run;
    TCliOptions Options; // for Run, and for each address of List (Url empty)
    TListOptions List;   // for List
    QString Error;       // for UsageError: one German sentence
};

// Reads the arguments after the program name:
//   [--lines] [--headers] [--hops] [--json] [--get [-o FILE]] [--proxy ADDRESS]
//   [--noproxy LIST] [--no-head-fallback]
//   [--socks HOST:PORT [--socks-level 4|4A|5] [--socks-user USER:PASSWORD]]
//   [--timeout SECONDS] [--input FILE] [--parallel N] [--per-host N] [--brief]
//   [--help] [--version] [--] URL...
// Long options also take their value as "--name=value". The first faulty
// argument makes a usage error; otherwise --help wins over --version, and
// both over a missing address. --json goes with none of --lines, --headers
// and --hops. More than one address, --input, --parallel, --per-host or
// --brief make a List (the arguments first, then the file's lines), which
// takes no -o, and whose --brief goes with none of --json, --lines,
// --headers and --hops.
TCliCommand ParseCliCommand(const QStringList& arguments);

QString CliHelpText();
QString CliVersionText();

// Writes text as UTF-8, the encoding of everything the program prints.
void WriteUtf8(QIODevice& device, const QString& text);

// A note on standard error: the program's name, the message, a line end.
QString CliNoteText(const QString& message);

// A usage error as printed on standard error: the message, then how to call
// the program.
QString UsageErrorText(const QString& message);
