#include "util/program_command.h"

#include "query/query_client_settings.h"

#include <QFile>

#include <cstdio>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

TProgramCommand ParseProgramCommand(const QStringList& arguments, qsizetype maxOperands) {
    TProgramCommand command;
    bool help = false;
    bool version = false;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options &&
                   (argument == QLatin1String("-h") || argument == QLatin1String("--help"))) {
            help = true;
        } else if (options && argument == QLatin1String("--version")) {
            version = true;
        } else if (options && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            if (command.Error.isEmpty())
                command.Error = QStringLiteral("Unbekannte Option „%1“.").arg(argument);
        } else if (command.Operands.size() < maxOperands) {
            command.Operands += argument;
        } else if (command.Error.isEmpty()) {
            command.Error = QStringLiteral("Zu viele Argumente ab „%1“.").arg(argument);
        }
    }
    if (help)
        command.Kind = TProgramCommand::TKind::Help;
    else if (version)
        command.Kind = TProgramCommand::TKind::Version;
    else if (!command.Error.isEmpty())
        command.Kind = TProgramCommand::TKind::UsageError;
    return command;
}

QStringList ProgramArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments += QFile::decodeName(argv[i]);
    return arguments;
}

TProgramTexts MakeProgramTexts(const QString& program, const QString& operands,
                               const QString& help) {
    const QString usage = program + QLatin1Char(' ') + operands;
    return {program, usage, help.arg(usage, program)};
}

QString ProgramVersionText(const QString& program) {
    return QStringLiteral("%1 %2 (Vendrix %3)\n")
        .arg(program, QLatin1String(queryclient::kProductVersion),
             QLatin1String(queryclient::kProductName));
}

std::optional<int> AnswerProgramCommand(const TProgramCommand& command,
                                        const TProgramTexts& texts) {
    switch (command.Kind) {
    case TProgramCommand::TKind::Help:
        Print(stdout, texts.Help);
        return kExitOk;
    case TProgramCommand::TKind::Version:
        Print(stdout, ProgramVersionText(texts.Program));
        return kExitOk;
    case TProgramCommand::TKind::UsageError:
        Print(stderr, QStringLiteral("%1: %2\nAufruf: %3 (mehr mit --help)\n")
                          .arg(texts.Program, command.Error, texts.Usage));
        return kExitUsage;
    case TProgramCommand::TKind::Run:
        break;
    }
    return std::nullopt;
}
