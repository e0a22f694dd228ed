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
// lines whose first non-blank character is "#". The input is never waited
// on: a pipe or terminal is read only as far as it has bytes, so that a line
// that comes in parts does not stop the event loop. Only the line being read
// and one read's bytes are held, so that an input of any length costs the
// same memory. `input` is opened for reading by the caller and outlives the
// source.
class TAddressSource {
public:
    TAddressSource(QStringList arguments, QIODevice* input);

    // The next address; none once every argument and line is read, or while
    // Ready is false.
    std::optional<TAddressLine> Next();

    // Reads what the input has without waiting, and says whether Next has an
    // address, an over-long line or the end to give. False only while a pipe
    // or a terminal has no complete line yet; watch its descriptor then.
    bool Ready();

    // The number of addresses (over-long lines not counted), once the end
    // has been reached.
    std::optional<qint64> Total() const;

private:
    enum class TTake { Line, TooLong, Wait, End };

    // The next line of what is held, its end included, reading more as
    // the input has it.
    TTake TakeLine(QByteArray& line);
    // Appends one read's bytes; false when a pipe or terminal has none yet.
    bool ReadMore();

    QStringList FArguments;
    qsizetype FNextArgument = 0;
    QIODevice* FInput;
    QByteArray FHeld; // read, not yet taken; from FHeldStart
    qsizetype FHeldStart = 0;
    bool FSkipping = false;            // the rest of an over-long line is dropped
    bool FInputEnded = false;          // no byte will come any more
    std::optional<TAddressLine> FNext; // found by Ready, given by Next
    qint64 FLineNumber = 0;
    qint64 FCount = 0;
    bool FEnded = false;
};
