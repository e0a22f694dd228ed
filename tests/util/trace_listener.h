#pragma once

#include "util/trace_channel.h"
#include "util/unique_fd.h"

#include <QTemporaryDir>
#include <string>
#include <vector>

#include <sys/socket.h>

// Gives the test its own runtime and configuration folders, so that no real
// viewer and no installed viewer path are seen, and optionally binds the trace
// channel's socket there in place of a viewer.
class TTraceFolders {
public:
    TTraceFolders();
    ~TTraceFolders();
    TTraceFolders(const TTraceFolders&) = delete;
    TTraceFolders& operator=(const TTraceFolders&) = delete;

    QString Path() const { return FFolder.path(); }

private:
    QTemporaryDir FFolder;
    QByteArray FOldRuntime, FOldConfig;
};

// A test listener on the trace channel that reads only when asked.
class TTraceListener {
public:
    TTraceListener();
    bool Bound() const { return FBound; }
    // The blocks that have arrived, in order.
    std::vector<std::string> Received();

private:
    TUniqueFd FFd;
    bool FBound = false;
};
