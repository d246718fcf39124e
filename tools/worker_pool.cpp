#include "worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
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
    std::atomic<size_t> next{0};
    auto worker = [&](size_t index) {
        for (size_t item; (item = next.fetch_add(1)) < items;) work(index, item);
    };
    std::vector<std::thread> threads;
    for (size_t w = 1; w < workers; ++w) threads.emplace_back(worker, w);
    worker(0);
    for (std::thread& thread : threads) thread.join();
}

void LimitModuleThreads(size_t workers) {
    size_t threads = std::max<size_t>(1, Processors() / std::max<size_t>(1, workers));
    if (threads == Processors() || std::getenv("OMP_NUM_THREADS")) return;
#ifdef _WIN32
    _putenv(("OMP_NUM_THREADS=" + std::to_string(threads)).c_str());
#else
    setenv("OMP_NUM_THREADS", std::to_string(threads).c_str(), 0);
#endif
}

}  // namespace kaf_tool
