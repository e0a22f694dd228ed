#pragma once

// What quorvik-cli tells the calling script.
enum TCliExitCode : int {
    kExitOk = 0,     // the report has no error section
    kExitFailed = 1, // the report has an error section, or the body could not be written
    kExitUsage = 2,  // the command line cannot be carried out
    // Ctrl+C ended the request: 128 + SIGINT, what a shell reports for a
    // program that the key ended.
    kExitInterrupted = 130
};
