// The hushpix command: everything but the choice of streams and of the
// allocator's policy lives in the hushpix_cli_core library, where the tests
// can reach it.
#include <malloc.h>
#include <unistd.h>

#include <climits>
#include <iostream>

#include "cli/Batch.h"

int main(int argc, char** argv) {
    // A photograph passes through buffers of tens or hundreds of megabytes,
    // and the image library reads it through many smaller ones. The C
    // library would hand each of them back to the system when freed and ask
    // for fresh pages for the next, which the system must map and clear
    // one by one (about 0.7 ms per megabyte on our machines). Kept in the
    // process instead, freed memory serves the next buffer of the run: the
    // host's copy of the image, the next photograph of a batch.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    std::ostream* terminal = isatty(STDERR_FILENO) ? &std::cerr : nullptr;
    return hushpix::cli::runCommandLine(argc, argv, std::cout, std::cerr, terminal);
}
