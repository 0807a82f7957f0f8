// A few threads that the engine starts for one pass and joins before the
// pass returns. The calling thread is worker 0 and works too.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace hushpix::fast {

// How many threads a pass may use: the cores the system reports, capped by
// HUSHPIX_THREADS when it holds a positive number. Read once per process.
int threadBudget();

class WorkerPool {
public:
    // Starts up to `workers` - 1 threads; if the system refuses one (or the
    // memory to keep track of it), the pool simply has fewer workers.
    explicit WorkerPool(int workers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int size() const { return int(threads_.size()) + 1; }

    // Calls task(worker) once on every worker, 0 <= worker < size(), and
    // returns when all calls have returned. Allocates nothing, so it cannot
    // fail half way through a pass.
    template <typename Task>
    void runOnEach(Task&& task) {
        run(&call<std::remove_reference_t<Task>>, &task);
    }

private:
    using Call = void (*)(void* task, int worker);

    template <typename Task>
    static void call(void* task, int worker) {
        (*static_cast<Task*>(task))(worker);
    }

    void run(Call call, void* task);
    void serve(int worker);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Call call_ = nullptr;
    void* task_ = nullptr;
    std::uint64_t generation_ = 0;
    int running_ = 0;
    bool stopping_ = false;
};

}  // namespace hushpix::fast
