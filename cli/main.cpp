// The hushpix command: everything but the choice of streams lives in the
// hushpix_cli_core library, where the tests can reach it.
#include <unistd.h>

#include <iostream>

#include "cli/Batch.h"

int main(int argc, char** argv) {
    std::ostream* terminal = isatty(STDERR_FILENO) ? &std::cerr : nullptr;
    return hushpix::cli::runCommandLine(argc, argv, std::cout, std::cerr, terminal);
}
