// Worker threads for the tool's jobs made of many independent items: the files
// of a batch run and the pictures the demo writes.
#pragma once

#include <cstddef>
#include <functional>

namespace kaf_tool {

// How many workers to start for `items` items: `requested`, or one per
// processor when it is 0, and never more than there are items (at least 1).
size_t WorkerCount(size_t requested, size_t items);

// Calls work(worker, item) once for every item from 0 to items - 1 on
// `workers` threads, the calling thread being worker 0; a worker takes the
// next item as soon as it is done with one.
void RunOnWorkers(size_t workers, size_t items, const std::function<void(size_t worker, size_t item)>& work);

// Called before the module is loaded, for a pool of `workers` that run the
// module's methods: lets each method run use processors / workers OpenMP
// threads (at least 1), so workers times threads stays within the processors
// instead of every worker starting a thread per processor. The OpenMP runtime
// that comes with the module (inside the DLL on Windows, so a setting made by
// the tool's own calls would not reach it) reads OMP_NUM_THREADS when it
// loads; a value the user set is kept.
void LimitModuleThreads(size_t workers);

}  // namespace kaf_tool
