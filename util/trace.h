#pragma once

#include "ini/value_text.h"
#include "util/trace_channel.h"

#include <QString>

// A developer's trace: each call sends one entry to the trace viewer (see
// trace_channel.h), starting the viewer when none listens. Without a viewer
// the entry is dropped; a call then costs one failed connect, plus the
// viewer's start when one is installed. A viewer that does not take entries
// delays a call by at most tracechannel::kSendWait. GUI thread only: the
// indentation prefix is one text per process, not locked.

// Sends the indentation prefix and `Msg` with `Kind`.
void TraceMsgEx(const QString& Msg, TTraceKind Kind);
// The rest send as information.
void TraceMsg(const QString& Msg);
// Indents by four blanks, then sends "Entering <Name>".
void TraceMethodEnter(const QString& Name);
// Sends "Exiting <Name>", then takes four characters of indentation away.
void TraceMethodExit(const QString& Name);
// Thirty hyphens.
void TraceSeparator();
// "<Msg>= True" or "<Msg>= False".
void TraceBoolean(const QString& Msg, bool Value);
// "<Msg> = <Value>".
void TraceInteger(const QString& Msg, int Value);
// "<Msg>=" and the value as local date and time text.
void TraceDateTime(const QString& Msg, TDateTime Value);

// Starts the viewer of tracechannel::ViewerPath() when that file exists and
// waits until it listens, at most kViewerStartWait, less when it ends first.
// True when a viewer listens afterwards.
bool StartTraceViewer();
inline constexpr std::chrono::milliseconds kViewerStartWait{3000};

// `Source` with every occurrence of `Find` replaced by `Replace`, scanning from
// the left and never rescanning inserted text; an empty `Find` changes nothing.
QString StrReplaceAll(const QString& Source, const QString& Find, const QString& Replace);

// The local date and time text of a day count, as TraceDateTime sends it.
QString TraceDateTimeText(TDateTime Value);
