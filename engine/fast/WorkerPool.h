// A few threads that the engine starts for one pass and joins before the
// pass returns. The calling thread is worker 0 and works too.
#pragma once

#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace hushpix::fast {

// Waits for another worker's progress; in a pass whose steps take
// milliseconds a spin that yields costs less than putting threads to sleep.
template <typename Ready>
void waitUntil(Ready ready) {
    while (!ready()) std::this_thread::yield();
}

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
    std::atomic<int> finished{0};
    try {
        threads.reserve(std::size_t(workers > 1 ? workers - 1 : 0));
        for (int worker = 1; worker < workers; ++worker) {
            threads.emplace_back([&task, &finished, worker] {
                task(worker);
                finished.fetch_add(1, std::memory_order_release);
            });
        }
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    task(0);
    // The calling thread stays awake until the others' tasks have ended,
    // and joins them only then. Asleep in join, it would be woken only
    // after their exit, and on a virtual machine a core that went idle
    // takes tens of microseconds to wake: in a photo editor's pass, which
    // calls the engine once for each of hundreds of small tiles, that was
    // some 2 % of the time.
    waitUntil([&] { return finished.load(std::memory_order_acquire) >= int(threads.size()); });
    for (std::thread& thread : threads) thread.join();
}

}  // namespace hushpix::fast
