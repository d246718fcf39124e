#include "run_job.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "arguments.h"
#include "frame_image.h"
#include "tool_error.h"

namespace kaf_tool {

const char16_t kOutputFrameName[] = u"Output frame";

namespace {

using ka_iproc::Utf16;
using ka_iproc::Utf8;

// The input that NAME designates: its index, or its name in any letter case.
uint32_t FindInput(const CatalogueMethod& method, const std::string& name) {
    bool digits = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits) {
        int64_t index = ParseInteger(name, "parameter index", 0, INT32_MAX);
        if (index < static_cast<int64_t>(method.inputs.size())) return static_cast<uint32_t>(index);
    } else {
        std::string wanted = ToLower(name);
        for (size_t k = 0; k < method.inputs.size(); ++k) {
            if (ToLower(Utf8(method.inputs[k].name)) == wanted) return static_cast<uint32_t>(k);
        }
    }
    std::string known;
    for (size_t k = 1; k < method.inputs.size(); ++k) {
        known += (k > 1 ? ", " : "") + std::to_string(k) + " \"" + Utf8(method.inputs[k].name) + "\"";
    }
    throw UsageError("method " + Utf8(method.name) + " has no input '" + name + "'" +
                     (known.empty() ? std::string(" (it takes no parameters)") : " (its parameters: " + known + ")"));
}

}  // namespace

std::vector<BoundParameter> BindParameters(const CatalogueMethod& method, const std::vector<std::string>& assignments) {
    std::vector<BoundParameter> bound;
    for (const std::string& assignment : assignments) {
        size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError("-p needs NAME=VALUE, got '" + assignment + "'");
        }
        std::string name = assignment.substr(0, equals);
        std::string value = assignment.substr(equals + 1);
        uint32_t index = FindInput(method, name);
        if (index == 0) {
            throw UsageError("input 0 (\"" + Utf8(method.inputs[0].name) + "\") is the INPUT image, not a -p parameter");
        }
        const auto& input = method.inputs[index];
        BoundParameter parameter;
        parameter.inputIndex = index;
        parameter.name = input.name;
        std::string what = "parameter \"" + Utf8(input.name) + "\"";
        if (input.type == ParamTypeFrame) {
            if (value.empty()) throw UsageError(what + " needs an image path");
            parameter.image = std::make_shared<const Image>(LoadImageOrThrow(value));
        } else {
            parameter.numbers = ParseNumberList(value, what);
            parameter.isArray = value.find(',') != std::string::npos;
        }
        auto same = std::find_if(bound.begin(), bound.end(),
                                 [&](const BoundParameter& p) { return p.inputIndex == index; });
        if (same != bound.end()) *same = parameter;
        else bound.push_back(parameter);
    }
    return bound;
}

namespace {

std::vector<std::u16string> InputNames(const CatalogueMethod& method) {
    std::vector<std::u16string> names;
    for (const auto& in : method.inputs) names.push_back(in.name);
    return names;
}

}  // namespace

MethodRunner::MethodRunner(ka_iproc::PluginModule& module, const CatalogueMethod& method,
                           const std::vector<BoundParameter>& parameters)
    : method_(method), inputs_(InputNames(method)), outputs_({kOutputFrameName}), instance_(module, method.index) {
    // A parameter not given has no object behind its name: the method then
    // takes its default.
    for (const BoundParameter& p : parameters) {
        if (p.image) AddImageFrame(session_, p.name, *p.image);
        else if (p.isArray) session_.AddArray(p.name, p.numbers);
        else session_.AddNumber(p.name, p.numbers.at(0));
    }
}

bool MethodRunner::HasObject() const {
    return instance_.Handle() != 0 && instance_.Handle() != InvalidMethodHandle;
}

std::string MethodRunner::NoObjectError() const {
    return "error: the module has no object for method \"" + Utf8(method_.name) + "\" (InitMethod gave none)";
}

RunResult MethodRunner::Run(const Image& input, int repeat) {
    RunResult result;
    if (!HasObject()) {
        result.error = NoObjectError();
        return result;
    }
    // A new input frame under the same name: the host gives it a new
    // timestamp, as it would for a new picture.
    if (!method_.inputs.empty()) AddImageFrame(session_, method_.inputs[0].name, input);
    session_.Remove(kOutputFrameName);
    session_.ClearWarnings();
    std::u16string error;
    bool ok = instance_.Run(session_, inputs_, outputs_, &error);
    for (const auto& warning : session_.Warnings()) result.warnings.push_back(Utf8(warning));
    for (int i = 0; ok && i < repeat; ++i) {
        session_.ClearWarnings();
        auto start = std::chrono::steady_clock::now();
        ok = instance_.Run(session_, inputs_, outputs_, &error);
        auto stop = std::chrono::steady_clock::now();
        result.repeatMilliseconds.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    if (!ok) {
        result.error = Utf8(error);
        if (result.error.empty()) result.error = "error: the method failed without a message";
        return result;
    }
    result.ok = true;
    FrameHandle output = session_.FindFrame(kOutputFrameName);
    if (output) {
        result.output = ImageFromFrame(output);
        result.hasOutput = true;
    }
    return result;
}

RunResult RunOnImage(ka_iproc::PluginModule& module, const CatalogueMethod& method, const Image& input,
                     const std::vector<BoundParameter>& parameters, int repeat) {
    MethodRunner runner(module, method, parameters);
    return runner.Run(input, repeat);
}

std::string TimingLine(std::vector<double> ms) {
    if (ms.empty()) return std::string();
    std::sort(ms.begin(), ms.end());
    size_t n = ms.size();
    double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    char line[128];
    std::snprintf(line, sizeof line, "time: median %.3f ms, min %.3f ms over %zu runs", median, ms.front(), n);
    return line;
}

}  // namespace kaf_tool
