#include "cli/cli_help_document.h"

#include <QRegularExpression>

namespace {

const QString kUsagePrefix = QStringLiteral("Aufruf: ");
const QString kOptionsHeading = QStringLiteral("Optionen:");
const QString kOptionIndent = QStringLiteral("  -");
const QString kNameSeparator = QStringLiteral(", ");
const QString kColumnGap = QStringLiteral("  ");
// The entries' descriptions start further in than their names.
constexpr qsizetype kMinDescriptionColumn = 4;

// A title is one capitalised word before the colon that starts a note.
const QRegularExpression kNoteTitle(QStringLiteral("^(\\p{Lu}\\w*): "),
                                    QRegularExpression::UseUnicodePropertiesOption);

qsizetype Indentation(const QString& line) {
    qsizetype blanks = 0;
    while (blanks < line.size() && line[blanks] == QLatin1Char(' '))
        ++blanks;
    return blanks;
}

// The paragraphs of `lines`, each joined into one line.
QStringList Paragraphs(const QStringList& lines) {
    QStringList paragraphs;
    QStringList current;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty()) {
            if (!current.isEmpty())
                paragraphs += current.join(QLatin1Char(' '));
            current.clear();
        } else {
            current += line.trimmed();
        }
    }
    if (!current.isEmpty())
        paragraphs += current.join(QLatin1Char(' '));
    return paragraphs;
}

// The column of the descriptions: where the continued ones start, or without
// any, where the first entry's text resumes after a gap of two blanks.
qsizetype DescriptionColumn(const QStringList& entryLines) {
    qsizetype column = 0;
    for (const QString& line : entryLines) {
        const qsizetype indent = Indentation(line);
        if (indent >= kMinDescriptionColumn && (column == 0 || indent < column))
            column = indent;
    }
    if (column > 0 || entryLines.isEmpty())
        return column;
    const QString& first = entryLines.front();
    const qsizetype gap = first.indexOf(kColumnGap, kOptionIndent.size());
    return gap < 0 ? 0 : gap + Indentation(first.mid(gap));
}

// "-h, --help" or "--proxy HOST[:PORT]".
TCliHelpOption OptionNames(const QString& names) {
    TCliHelpOption option;
    for (const QString& alternative : names.split(kNameSeparator)) {
        const qsizetype blank = alternative.indexOf(QLatin1Char(' '));
        option.Names += alternative.left(blank);
        if (blank > 0)
            option.Argument = alternative.mid(blank + 1);
    }
    return option;
}

QList<TCliHelpOption> Options(const QStringList& entryLines) {
    const qsizetype column = DescriptionColumn(entryLines);
    QList<TCliHelpOption> options;
    QStringList description;
    const auto finish = [&] {
        if (!options.isEmpty())
            options.back().Description = description.join(QLatin1Char(' '));
        description.clear();
    };
    for (const QString& line : entryLines) {
        if (!line.startsWith(kOptionIndent)) {
            description += line.trimmed();
            continue;
        }
        finish();
        // Names too long for their column leave the whole line to themselves.
        const bool split = column > 0 && line.size() > column &&
                           line[column - 1] == QLatin1Char(' ') && line[column] != QLatin1Char(' ');
        options += OptionNames(split ? line.left(column).trimmed() : line.trimmed());
        if (split)
            description += line.mid(column).trimmed();
    }
    finish();
    return options;
}

QList<TCliHelpNote> Notes(const QStringList& lines) {
    QList<TCliHelpNote> notes;
    for (const QString& paragraph : Paragraphs(lines)) {
        const QRegularExpressionMatch title = kNoteTitle.match(paragraph);
        if (title.hasMatch())
            notes += TCliHelpNote{title.captured(1), paragraph.mid(title.capturedLength())};
        else
            notes += TCliHelpNote{QString(), paragraph};
    }
    return notes;
}

} // namespace

std::optional<TCliHelpDocument> ParseCliHelpText(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.isEmpty() || !lines.front().startsWith(kUsagePrefix))
        return std::nullopt;
    const qsizetype heading = lines.indexOf(kOptionsHeading);
    if (heading < 0)
        return std::nullopt;
    qsizetype end = heading + 1;
    while (end < lines.size() && !lines[end].trimmed().isEmpty())
        ++end;

    TCliHelpDocument document;
    document.Usage = lines.front().mid(kUsagePrefix.size()).trimmed();
    document.Description = Paragraphs(lines.mid(1, heading - 1));
    document.Options = Options(lines.mid(heading + 1, end - heading - 1));
    document.Notes = Notes(lines.mid(end));
    if (document.Options.isEmpty())
        return std::nullopt;
    return document;
}
