// traceviewer: prints the trace entries of the programs that send them to the
// current user's trace channel, until Ctrl+C.
#include "traceviewer/trace_viewer.h"
#include "traceviewer/trace_viewer_command.h"

#include <iostream>

int main(int argc, char** argv) {
    const TProgramCommand command = ParseProgramCommand(ProgramArguments(argc, argv), 0);
    if (const std::optional<int> status = AnswerProgramCommand(command, TraceViewerProgramTexts()))
        return *status;
    return TTraceViewer(tracechannel::SocketPath(), std::cout, std::cerr).Run();
}
