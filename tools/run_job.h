// Running one method on one image the way a host does: a session holding the
// input frame and the given parameters, each catalogue input k wired to an
// object named after input k, output 0 wired to "Output frame". `run`, batch
// runs and the demo all go through here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host_api.h"
#include "image_io.h"

namespace kaf_tool {

using CatalogueMethod = ka_iproc::PluginModule::Method;

// The name of the object a method's output 0 is wired to.
extern const char16_t kOutputFrameName[];

// A value for one of a method's inputs (never input 0, which is the image
// being processed): numbers (one number or an array) or, for a frame input,
// an image.
struct BoundParameter {
    uint32_t inputIndex = 0;
    std::u16string name;             // the catalogue input's name
    std::vector<double> numbers;     // one element: a number; more: an array
    bool isArray = false;
    std::shared_ptr<const Image> image;  // set for a frame input
};

// Parses `-p NAME=VALUE` texts for the method. NAME is an input's catalogue
// name (any letter case) or its index; VALUE is a strtod number, a
// comma-separated list of numbers (an array), or for a frame input an image
// path, read here. A later value for the same input replaces an earlier one.
// Throws a UsageError or InputError (exit status 2).
std::vector<BoundParameter> BindParameters(const CatalogueMethod& method, const std::vector<std::string>& assignments);

struct RunResult {
    bool ok = false;
    std::string error;                  // the method's error text (starts with "error: ")
    std::vector<std::string> warnings;  // of the first run, in the order issued
    bool hasOutput = false;
    Image output;
    std::vector<double> repeatMilliseconds;  // the method time of each repeated run
};

// One method object with its own host session, parameters bound once, run on
// one image after another: the input frame is replaced for each image, while
// the parameters (a calibration frame included, with its timestamp) stay. A
// runner belongs to one thread at a time; threads that run a method in
// parallel each hold a runner of their own.
class MethodRunner {
public:
    MethodRunner(ka_iproc::PluginModule& module, const CatalogueMethod& method,
                 const std::vector<BoundParameter>& parameters);
    MethodRunner(const MethodRunner&) = delete;
    MethodRunner& operator=(const MethodRunner&) = delete;

    // Whether InitMethod gave an object for the method, and the error text
    // a run reports when it did not.
    bool HasObject() const;
    std::string NoObjectError() const;
    // Runs the method once on the image, then `repeat` more times, timing
    // only the method calls.
    RunResult Run(const Image& input, int repeat = 0);

private:
    const CatalogueMethod& method_;
    ka_iproc::Session session_;
    ka_iproc::ParameterList inputs_;
    ka_iproc::ParameterList outputs_;
    ka_iproc::MethodInstance instance_;
};

// A runner used once: runs the method on the image, then `repeat` more times
// with the same method object and session, timing only the method calls.
RunResult RunOnImage(ka_iproc::PluginModule& module, const CatalogueMethod& method, const Image& input,
                     const std::vector<BoundParameter>& parameters, int repeat);

// "time: median X ms, min Y ms over N runs" for N timed runs.
std::string TimingLine(std::vector<double> milliseconds);

// What `kafilters run` was asked to do, after its arguments were checked.
struct RunRequest {
    const CatalogueMethod* method = nullptr;
    std::string input;
    std::string output;
    std::vector<BoundParameter> parameters;
    int repeat = 0;
    int jobs = 0;  // worker threads for a folder INPUT; 0: one per processor
    size_t shardIndex = 0;  // --shard K/N: the part K - 1 ...
    size_t shardCount = 0;  // ... of N; 0: the whole folder
};

}  // namespace kaf_tool
