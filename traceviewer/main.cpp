// traceviewer: prints the trace entries of the programs that send them to the
// current user's trace channel, until Ctrl+C.
#include "traceviewer/trace_viewer.h"

#include <iostream>

int main() {
    return TTraceViewer(tracechannel::SocketPath(), std::cout, std::cerr).Run();
}
