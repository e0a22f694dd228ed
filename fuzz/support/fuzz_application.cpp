#include "fuzz/support/fuzz_application.h"

#include <QCoreApplication>

namespace fuzzsupport {

void StartApplication(int* argc, char*** argv) {
    // Lives until the process ends: libFuzzer never returns to main.
    static QCoreApplication* const Application = new QCoreApplication(*argc, *argv);
    (void)Application;
}

} // namespace fuzzsupport
