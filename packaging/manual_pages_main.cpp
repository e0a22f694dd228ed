// Writes the manual pages of the three programs and the bash completion of
// quorvik-cli into FOLDER, all made from the programs' --help texts, so that
// none can tell of other options:
//     quorvik_manual_pages FOLDER
// Run by the build.

#include "app/quorvik_command.h"
#include "cli/cli_bash_completion.h"
#include "cli/cli_command.h"
#include "cli/cli_help_document.h"
#include "cli/cli_manual_page.h"
#include "traceviewer/trace_viewer_command.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

constexpr int kArgumentCount = 2;

// What each page's NAME line says; apropos finds the program by it.
const QString kQuorvikSummary = QStringLiteral("zeigt, was ein Webserver über eine Adresse sagt");
const QString kCliSummary = QStringLiteral("fragt ab, was ein Webserver über eine Adresse sagt");
const QString kTraceViewerSummary =
    QStringLiteral("gibt die Ablaufverfolgung von Quorvik und seinen Bibliotheken aus");

bool Write(const QString& path, const QString& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0 &&
        file.flush())
        return true;
    std::fprintf(stderr, "quorvik_manual_pages: cannot write %s\n", qPrintable(path));
    return false;
}

// The help text taken apart; a changed layout stops the build instead of
// making an empty page.
std::optional<TCliHelpDocument> Parse(const QString& program, const QString& helpText) {
    std::optional<TCliHelpDocument> help = ParseCliHelpText(helpText);
    if (!help)
        std::fprintf(stderr,
                     "quorvik_manual_pages: the --help text of %s has no usage line or "
                     "options\n",
                     qPrintable(program));
    return help;
}

// "quorvik 1.01" from "quorvik 1.01 (Vendrix Quorvik)".
QString Release(const QString& versionText) {
    return versionText.section(QLatin1Char(' '), 0, 1);
}

bool WriteProgramPage(const QDir& folder, const TProgramTexts& texts, const QString& summary) {
    const std::optional<TCliHelpDocument> help = Parse(texts.Program, texts.Help);
    return help && Write(folder.filePath(texts.Program + QStringLiteral(".1")),
                         CliManualPage(*help, texts.Program,
                                       Release(ProgramVersionText(texts.Program)), summary));
}

bool WriteCliFiles(const QDir& folder) {
    const QString program = QLatin1String(kCliProgramName);
    const std::optional<TCliHelpDocument> help = Parse(program, CliHelpText());
    return help &&
           Write(folder.filePath(program + QStringLiteral(".1")),
                 CliManualPage(*help, program, Release(CliVersionText()), kCliSummary)) &&
           Write(folder.filePath(program + QStringLiteral(".bash")),
                 CliBashCompletion(*help, program));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != kArgumentCount) {
        std::fprintf(stderr, "usage: quorvik_manual_pages FOLDER\n");
        return 2;
    }
    const QDir folder(QFile::decodeName(argv[1]));
    const bool written = WriteProgramPage(folder, QuorvikProgramTexts(), kQuorvikSummary) &&
                         WriteProgramPage(folder, TraceViewerProgramTexts(), kTraceViewerSummary) &&
                         WriteCliFiles(folder);
    return written ? 0 : 1;
}
