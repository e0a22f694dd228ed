#pragma once

#include <QString>
#include <QStringList>

// Clients at once unless --parallel says otherwise, and the most it may say:
// every client holds a socket and its answer's header.
inline constexpr int kDefaultParallel = 16;
inline constexpr int kMaxParallel = 256;
// Clients at once to one host unless --per-host says otherwise, as many as a
// browser opens to one server.
inline constexpr int kDefaultPerHost = 6;

// How a list of addresses is printed.
enum class TListFormat {
    Report, // each as the single query prints it, an empty line between two
    Json,   // one compact JSON object per line
    Brief   // one tab-separated line per address
};

// Many addresses at once, as the command line asks for them.
struct TListOptions {
    QStringList Urls;  // the addresses given as arguments, in order
    QString InputFile; // one address a line, after Urls; "-": standard input; empty: none
    int Parallel = kDefaultParallel;
    int PerHost = kDefaultPerHost;
    TListFormat Format = TListFormat::Report;
};
