#include "worker_pool.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace kaf_tool {

namespace {

size_t Processors() { return std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace

size_t WorkerCount(size_t requested, size_t items) {
    size_t workers = requested > 0 ? requested : Processors();
    return std::max<size_t>(1, std::min(workers, items));
}

void RunOnWorkers(size_t workers, size_t items, const std::function<void(size_t worker, size_t item)>& work) {
    workers = std::max<size_t>(1, workers);
    // The OpenMP thread count is a per-thread setting: each worker sets its
    // own, and the calling thread gets its earlier value back at the end.
    const int threadsPerWorker = static_cast<int>(std::max<size_t>(1, Processors() / workers));
    std::atomic<size_t> next{0};
    auto worker = [&](size_t index) {
        omp_set_num_threads(threadsPerWorker);
        for (size_t item; (item = next.fetch_add(1)) < items;) work(index, item);
    };
    const int callerThreads = omp_get_max_threads();
    std::vector<std::thread> threads;
    for (size_t w = 1; w < workers; ++w) threads.emplace_back(worker, w);
    worker(0);
    for (std::thread& thread : threads) thread.join();
    omp_set_num_threads(callerThreads);
}

}  // namespace kaf_tool
