// A few threads that the engine starts for one pass and joins before the
// pass returns. The calling thread is worker 0 and works too.
#pragma once

#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace hushpix::fast {

// How many threads a pass may use: the cores the system reports, capped by
// HUSHPIX_THREADS when it holds a positive number. Read once per process.
int threadBudget();

// Calls task(worker) on up to `workers` threads at once, the calling thread
// being worker 0, and returns when every call has returned. If the system
// refuses a thread (or the memory to keep track of it), fewer workers run:
// the task must share out its work so that any number of them finishes it.
// The task must not throw.
template <typename Task>
void runOnWorkers(int workers, Task&& task) {
    std::vector<std::thread> threads;
    try {
        threads.reserve(std::size_t(workers > 1 ? workers - 1 : 0));
        for (int worker = 1; worker < workers; ++worker) {
            threads.emplace_back([&task, worker] { task(worker); });
        }
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    task(0);
    for (std::thread& thread : threads) thread.join();
}

}  // namespace hushpix::fast
