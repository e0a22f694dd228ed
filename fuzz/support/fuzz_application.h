#pragma once

namespace fuzzsupport {

// Creates the one QCoreApplication of the process (the socket layer needs an
// event loop); called from LLVMFuzzerInitialize.
void StartApplication(int* argc, char*** argv);

} // namespace fuzzsupport
