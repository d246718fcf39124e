// Batch runs: `kafilters run METHOD INPUT_DIR OUTPUT_DIR ...` runs the method
// on every image file of a folder with a few worker threads, each holding its
// own method object and host session; `run` hands it every folder INPUT.
// With --shard K/N a run takes only the K-th of N disjoint parts of the
// folder, so N machines given K = 1 to N together process every file once.
#pragma once

#include <string>
#include <vector>

#include "run_job.h"

namespace kaf_tool {

// One image file of the input folder and the name its result gets.
struct BatchFile {
    std::string inputName;   // the file's name in the input folder
    std::string outputName;  // the name in the output folder
};

// The image files of a folder (by extension, regular files only, not
// descending into sub-folders), sorted by name, with their output names: the
// input's own name, or for a format that cannot be written (JPEG) the name
// with ".png" in place of its extension; when that name is already taken by
// another input's output, ".png" is appended to the whole name instead.
// `skipped` receives how many other files the folder holds.
std::vector<BatchFile> ListBatchFiles(const std::string& folder, size_t* skipped);

// What a batch run will do, known before the module is loaded.
struct BatchPlan {
    std::vector<BatchFile> files;  // the folder's image files, or with --shard K/N part K of them
    size_t skipped = 0;            // the folder's other files
    size_t workers = 1;
};

// Lists the folder (INPUT) and takes the request's part of it. A folder
// without image files, or --repeat, is a usage error (it throws).
BatchPlan PlanBatch(const RunRequest& request);

// Runs the plan and returns the exit status: 0 when every file was written
// (or the part is empty), 1 when any failed. Usage errors throw.
int RunBatch(const RunRequest& request, const BatchPlan& plan);

}  // namespace kaf_tool
