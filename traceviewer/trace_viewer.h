#pragma once

#include "util/trace_channel.h"

#include <QString>
#include <QTime>
#include <ostream>
#include <string>

// Listens on the trace channel and prints every entry as one line: the time it
// arrived, its kind and its text with the sender's indentation. Blocks that
// are not trace entries are ignored. SIGINT and SIGTERM end the run cleanly:
// the socket is closed and its file removed.
class TTraceViewer {
public:
    // Entries go to `out` as UTF-8, messages about the run to `log`.
    TTraceViewer(QString socketPath, std::ostream& out, std::ostream& log);

    // Runs until SIGINT or SIGTERM; the exit status of the program: 0 after a
    // signal, 1 when the channel could not be opened (another viewer holds it).
    // Blocks the two signals for the calling thread.
    int Run();

    // The printed line of an entry that arrived at `when`, without line end.
    // Control characters of the text show as \xNN, so no sender can drive
    // the terminal.
    static std::string FormatEntry(const TTraceEntry& entry, const QTime& when);

private:
    // The bound socket, or -1 with the reason written to the log.
    int Bind();
    void Print(const char* block, std::size_t size);

    QString FSocketPath;
    std::ostream& FOut;
    std::ostream& FLog;
};
