#include "engine/fast/WorkerPool.h"

#include <cstdlib>

namespace hushpix::fast {

namespace {

int readThreadBudget() {
    int budget = int(std::thread::hardware_concurrency());
    if (budget < 1) budget = 1;
    if (const char* cap = std::getenv("HUSHPIX_THREADS")) {
        const long requested = std::strtol(cap, nullptr, 10);
        if (requested >= 1 && requested < budget) budget = int(requested);
    }
    return budget;
}

}  // namespace

int threadBudget() {
    static const int budget = readThreadBudget();
    return budget;
}

}  // namespace hushpix::fast
