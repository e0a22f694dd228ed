#pragma once

#include "cli/cli_help_document.h"

#include <QString>

// A bash completion script for `program` made from its help text: every
// option name after a "-"; after an option whose argument is a file
// ("DATEI") the file names, after one whose argument lists its choices
// ("4|4A|5") those choices, after any other option nothing. "--name=value"
// is completed like "--name value". Loaded by bash-completion on demand, or
// with "source".
QString CliBashCompletion(const TCliHelpDocument& help, const QString& program);
