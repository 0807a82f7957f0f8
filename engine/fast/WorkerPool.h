// A few threads that the engine starts for one pass and joins before the
// pass returns. The calling thread is worker 0 and works too.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace hushpix::fast {

// How many threads a pass may use: the cores the system reports, capped by
// HUSHPIX_THREADS when it holds a positive number. Read once per process.
int threadBudget();

class WorkerPool {
public:
    // Starts up to `workers` - 1 threads; if the system refuses one, the
    // pool simply has fewer workers.
    explicit WorkerPool(int workers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int size() const { return int(threads_.size()) + 1; }

    // Calls task(worker) once on every worker, 0 <= worker < size(), and
    // returns when all calls have returned.
    void runOnEach(const std::function<void(int worker)>& task);

private:
    void serve(int worker);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(int)>* task_ = nullptr;
    std::uint64_t generation_ = 0;
    int running_ = 0;
    bool stopping_ = false;
};

}  // namespace hushpix::fast
