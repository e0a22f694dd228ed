#include "cli/cli_bash_completion.h"

#include <QRegularExpression>

namespace {

const QString kFileArgument = QStringLiteral("DATEI");
const QLatin1Char kChoiceSeparator('|');
// Choices are plain words; anything else would need quoting in the script.
const QRegularExpression kChoices(QStringLiteral("^[A-Za-z0-9]+(\\|[A-Za-z0-9]+)+$"));
const QRegularExpression kNotIdentifier(QStringLiteral("[^A-Za-z0-9_]"));

// What to offer after an option that takes `argument`: one case branch body.
QString ValueCompletion(const QString& argument) {
    if (argument == kFileArgument)
        // One name per line, so that blanks in a name survive.
        return QStringLiteral(
            "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")");
    if (kChoices.match(argument).hasMatch())
        return QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"$cur\"))")
            .arg(argument.split(kChoiceSeparator).join(QLatin1Char(' ')));
    return QStringLiteral("COMPREPLY=()");
}

} // namespace

QString CliBashCompletion(const TCliHelpDocument& help, const QString& program) {
    const QString function = QLatin1Char('_') + QString(program).replace(kNotIdentifier, "_");
    QStringList names;
    QString cases;
    for (const TCliHelpOption& option : help.Options) {
        names += option.Names;
        if (!option.Argument.isEmpty())
            cases +=
                QStringLiteral("    %1) %2; return ;;\n")
                    .arg(option.Names.join(kChoiceSeparator), ValueCompletion(option.Argument));
    }
    return QStringLiteral("# bash completion for %1, made from its --help text by the build.\n"
                          "%2() {\n"
                          "    local cur=${COMP_WORDS[COMP_CWORD]} prev=\n"
                          "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
                          "    # bash splits \"--name=value\" at the \"=\".\n"
                          "    if [[ $cur == = ]]; then\n"
                          "        cur=\n"
                          "    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then\n"
                          "        prev=${COMP_WORDS[COMP_CWORD - 2]}\n"
                          "    fi\n"
                          "    case $prev in\n"
                          "%3"
                          "    esac\n"
                          "    COMPREPLY=()\n"
                          "    [[ $cur == -* ]] && COMPREPLY=($(compgen -W '%4' -- \"$cur\"))\n"
                          "}\n"
                          "complete -F %2 %1\n")
        .arg(program, function, cases, names.join(QLatin1Char(' ')));
}
