#include "engine/fast/WorkerPool.h"

#include <cstdlib>
#include <new>
#include <system_error>

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

WorkerPool::WorkerPool(int workers) {
    for (int worker = 1; worker < workers; ++worker) {
        try {
            threads_.emplace_back([this, worker] { serve(worker); });
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::run(Call call, void* task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        call_ = call;
        task_ = task;
        running_ = int(threads_.size());
        ++generation_;
    }
    wake_.notify_all();
    call(task, 0);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return running_ == 0; });
    task_ = nullptr;
}

void WorkerPool::serve(int worker) {
    std::uint64_t seen = 0;
    for (;;) {
        Call call;
        void* task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            call = call_;
            task = task_;
        }
        call(task, worker);
        std::lock_guard<std::mutex> lock(mutex_);
        if (--running_ == 0) done_.notify_one();
    }
}

}  // namespace hushpix::fast
