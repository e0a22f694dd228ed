#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One option as the help text lists it: "-h, --help" has the names "-h" and
// "--help"; "-o DATEI" has the name "-o" and the argument "DATEI".
struct TCliHelpOption {
    QStringList Names;
    QString Argument;    // empty: the option takes no value
    QString Description; // the help text's lines joined by single blanks
};

// A paragraph after the options; a paragraph that starts with one word and a
// colon ("Rückgabewert: ...") carries that word as its title.
struct TCliHelpNote {
    QString Title; // empty: an untitled note
    QString Text;
};

// The --help text taken apart, so that the manual page and the shell
// completion are made from it rather than written a second time.
struct TCliHelpDocument {
    QString Usage;           // after "Aufruf: ", e.g. "quorvik-cli [Optionen] URL"
    QStringList Description; // the paragraphs between the usage line and the options
    QList<TCliHelpOption> Options;
    QList<TCliHelpNote> Notes;
};

// Reads a help text laid out as CliHelpText() is: the usage line, the
// description paragraphs, "Optionen:" with one entry per option (names
// indented by two blanks, the description in a column of its own, longer
// descriptions continued in that column), then the notes. Empty when the
// text has no usage line or no option, so that a changed layout stops the
// build instead of producing an empty manual page.
std::optional<TCliHelpDocument> ParseCliHelpText(const QString& text);
