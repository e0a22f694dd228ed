#include "cli/cli_manual_page.h"

namespace {

const QString kSection = QStringLiteral("1");
const QString kManualTitle = QStringLiteral("Benutzerbefehle");
const QString kNotesTitle = QStringLiteral("HINWEISE");

QString Bold(const QString& text) {
    return QStringLiteral("\\fB") + RoffText(text, true) + QStringLiteral("\\fR");
}

QString Italic(const QString& text) {
    return QStringLiteral("\\fI") + RoffText(text) + QStringLiteral("\\fR");
}

QString Section(const QString& title) {
    return QStringLiteral(".SH ") + RoffText(title.toUpper()) + QLatin1Char('\n');
}

QString Paragraph(const QString& text) {
    return QStringLiteral(".PP\n") + RoffText(text) + QLatin1Char('\n');
}

// "-h, --help" in bold, an argument in italics.
QString OptionTag(const TCliHelpOption& option) {
    QStringList names;
    for (const QString& name : option.Names)
        names += Bold(name);
    QString tag = names.join(QStringLiteral(", "));
    if (!option.Argument.isEmpty())
        tag += QLatin1Char(' ') + Italic(option.Argument);
    return tag;
}

QString Synopsis(const QString& usage, const QString& program) {
    if (!usage.startsWith(program))
        return RoffText(usage) + QLatin1Char('\n');
    return QStringLiteral(".B ") + RoffText(program, true) + QLatin1Char('\n') +
           RoffText(usage.mid(program.size()).trimmed()) + QLatin1Char('\n');
}

} // namespace

QString RoffText(const QString& text, bool dashes) {
    QString shown = text;
    shown.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    if (dashes)
        shown.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (shown.startsWith(QLatin1Char('.')) || shown.startsWith(QLatin1Char('\'')))
        shown.prepend(QStringLiteral("\\&"));
    return shown;
}

QString CliManualPage(const TCliHelpDocument& help, const QString& program, const QString& version,
                      const QString& summary) {
    QString page = QStringLiteral("'\\\" -*- coding: UTF-8 -*-\n"
                                  ".\\\" Made from the program's --help text by the build.\n");
    page += QStringLiteral(".TH %1 %2 \"\" \"%3\" \"%4\"\n")
                .arg(RoffText(program.toUpper(), true), kSection, RoffText(version), kManualTitle);
    page += Section(QStringLiteral("Name")) + RoffText(program, true) + QStringLiteral(" \\- ") +
            RoffText(summary) + QLatin1Char('\n');
    page += Section(QStringLiteral("Übersicht")) + Synopsis(help.Usage, program);
    page += Section(QStringLiteral("Beschreibung"));
    for (const QString& paragraph : help.Description)
        page += Paragraph(paragraph);
    page += Section(QStringLiteral("Optionen"));
    for (const TCliHelpOption& option : help.Options)
        page += QStringLiteral(".TP\n") + OptionTag(option) + QLatin1Char('\n') +
                RoffText(option.Description) + QLatin1Char('\n');
    QString untitled;
    for (const TCliHelpNote& note : help.Notes) {
        if (note.Title.isEmpty())
            untitled += Paragraph(note.Text);
        else
            page += Section(note.Title) + RoffText(note.Text) + QLatin1Char('\n');
    }
    if (!untitled.isEmpty())
        page += Section(kNotesTitle) + untitled;
    return page;
}
