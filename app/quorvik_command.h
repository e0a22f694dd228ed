#pragma once

#include "util/program_command.h"

// The window program's name as it is installed and called.
inline constexpr char kQuorvikProgramName[] = "quorvik";
// The operands it takes: the address to start with.
inline constexpr qsizetype kQuorvikMaxOperands = 1;

// Its usage line and --help text, from which the build also makes its manual
// page.
TProgramTexts QuorvikProgramTexts();
