// Writes the manual page and the bash completion of quorvik-cli, both made
// from its --help text, so that neither can tell of other options:
//     quorvik_cli_docs MANUAL_PAGE COMPLETION_SCRIPT
// Run by the build.

#include "cli/cli_bash_completion.h"
#include "cli/cli_command.h"
#include "cli/cli_help_document.h"
#include "cli/cli_manual_page.h"

#include <QFile>

#include <cstdio>

namespace {

constexpr int kArgumentCount = 3;

bool Write(const char* path, const QString& text) {
    QFile file(QFile::decodeName(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0 &&
        file.flush())
        return true;
    std::fprintf(stderr, "quorvik_cli_docs: cannot write %s\n", path);
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != kArgumentCount) {
        std::fprintf(stderr, "usage: quorvik_cli_docs MANUAL_PAGE COMPLETION_SCRIPT\n");
        return 2;
    }
    const std::optional<TCliHelpDocument> help = ParseCliHelpText(CliHelpText());
    if (!help) {
        std::fprintf(stderr, "quorvik_cli_docs: the --help text has no usage line or options\n");
        return 1;
    }
    const QString program = QLatin1String(kCliProgramName);
    const QString version = CliVersionText().section(QLatin1Char(' '), 0, 1);
    const bool written = Write(argv[1], CliManualPage(*help, program, version)) &&
                         Write(argv[2], CliBashCompletion(*help, program));
    return written ? 0 : 1;
}
