#pragma once

#include "cli/cli_help_document.h"

#include <QString>

// The manual page (roff, man macros, UTF-8) of the program whose help text is
// `help`: synopsis, description, one tagged paragraph per option, the titled
// notes as sections of their own and the others under "HINWEISE".
// `version` names the release in the page's footer ("quorvik-cli 1.01"),
// `summary` is what the NAME line says after the program's name.
QString CliManualPage(const TCliHelpDocument& help, const QString& program, const QString& version,
                      const QString& summary);

// Text as roff shows it literally: backslashes escaped, and a line that would
// start with a control character ("." or "'") guarded. `dashes` also turns
// "-" into the minus sign that option names need to stay searchable and
// copyable.
QString RoffText(const QString& text, bool dashes = false);
