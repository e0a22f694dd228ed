// The initialisation of the targets that drive sockets: they need one
// QCoreApplication for the whole process, as the socket layer runs on its
// event loop. Compiled into those targets (libFuzzer finds it by name).
#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Lives until the process ends: libFuzzer never returns to main.
    static QCoreApplication* const Application = new QCoreApplication(*argc, *argv);
    (void)Application;
    return 0;
}
