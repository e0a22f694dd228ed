#pragma once

#include "util/program_command.h"

// The viewer's name as it is installed and called.
inline constexpr char kTraceViewerProgramName[] = "traceviewer";

// Its usage line and --help text, from which the build also makes its manual
// page. It takes no operands.
TProgramTexts TraceViewerProgramTexts();
