// The pool's contract with the passes: every worker's task has run once and
// ended, its writes visible, when runOnWorkers returns, with fewer or more
// workers than the machine has cores.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/fast/WorkerPool.h"

namespace {

TEST(WorkerPool, EveryTaskHasRunOnceAndEndedOnReturn) {
    for (int workers : {1, 2, 5}) {
        for (int round = 0; round < 20; ++round) {
            std::vector<int> ran(std::size_t(workers), 0);  // plain writes, read after the return
            std::atomic<int> calls{0};
            hushpix::fast::runOnWorkers(workers, [&](int worker) {
                calls.fetch_add(1);
                // The other workers give way, so that the calling thread
                // mostly ends its own task first and the pool must wait.
                if (worker > 0) std::this_thread::yield();
                ran[std::size_t(worker)] += 1;
            });
            EXPECT_EQ(calls.load(), workers);
            for (int worker = 0; worker < workers; ++worker) {
                EXPECT_EQ(ran[std::size_t(worker)], 1) << workers << " workers, worker " << worker;
            }
        }
    }
}

}  // namespace
