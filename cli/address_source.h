#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

// The longest input line taken as an address, its line end included; a
// longer one is skipped whole rather than held.
inline constexpr qsizetype kMaxAddressLineBytes = 16 * 1024;

// One address of a list, or an input line too long to be one.
struct TAddressLine {
    QString Address;       // trimmed, UTF-8 decoded; empty when TooLong
    qint64 LineNumber = 0; // of the input, from 1; 0 for an argument
    bool TooLong = false;
};

// The addresses of a list, read one at a time as they are needed: first the
// arguments, then the lines of `input` (UTF-8), without blank lines and
// lines whose first non-blank character is "#". Only the line being read is
// held, so that an input of any length costs the same memory. `input` is
// opened for reading by the caller and outlives the source.
class TAddressSource {
public:
    TAddressSource(QStringList arguments, QIODevice* input);

    // The next address; none once every argument and line is read. Blocks
    // until a line is complete unless Ready.
    std::optional<TAddressLine> Next();

    // Whether Next has something to go on at once: an argument, a line read
    // ahead, bytes or the end waiting on the input's descriptor. False only
    // while a pipe or a terminal has nothing yet; watch its descriptor then.
    bool Ready() const;

    // The number of addresses (over-long lines not counted), once the end
    // has been reached.
    std::optional<qint64> Total() const;

private:
    std::optional<TAddressLine> NextLine();
    // One line of the input, its end included; none at the end of the input.
    // Sets `tooLong` (and returns an empty line) for a line over the bound.
    std::optional<QByteArray> ReadLine(bool& tooLong);
    void SkipRestOfLine();

    QStringList FArguments;
    qsizetype FNextArgument = 0;
    QIODevice* FInput;
    qint64 FLineNumber = 0;
    qint64 FCount = 0;
    bool FEnded = false;
};
