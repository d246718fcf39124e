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

// Runs the request (INPUT a folder) and returns the exit status: 0 when every
// file was written, 1 when any failed. Usage errors throw.
int RunBatch(const RunRequest& request);

}  // namespace kaf_tool
