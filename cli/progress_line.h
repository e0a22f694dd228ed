#pragma once

#include <QElapsedTimer>
#include <QString>

#include <optional>

class QIODevice;

// How often the progress line is drawn at most, so that a fast list does not
// spend its time on the terminal.
inline constexpr qint64 kProgressIntervalMs = 200;

// The line on standard error that tells how far a list has come while it
// runs: "1234/10000 Adressen, 512,3 pro Sekunde" (without a total while the
// input is still being read), drawn over itself with "\r". Draws nothing when
// disabled, which it is unless standard error is a terminal.
class TProgressLine {
public:
    TProgressLine(QIODevice& err, bool enabled);

    // Draws the count of finished addresses, at most every
    // kProgressIntervalMs unless `now`.
    void Show(qint64 done, std::optional<qint64> total, bool now = false);
    // Blanks the line, so that other output can take its place.
    void Hide();

private:
    QIODevice& FErr;
    bool FEnabled;
    QElapsedTimer FClock;       // since the list began
    QElapsedTimer FLastDrawn;   // invalid: not drawn yet
    qsizetype FShownLength = 0; // of the line on the terminal; 0: none
};
