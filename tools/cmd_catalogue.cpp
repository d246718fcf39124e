// `kafilters list` and `kafilters info`: the module's catalogue as its
// enumeration exports report it, as text for people or JSON for scripts.
#include <algorithm>
#include <cstdio>

#include "arguments.h"
#include "command.h"
#include "json_text.h"
#include "module_loader.h"
#include "tool_error.h"

namespace kaf_tool {

namespace {

using ka_iproc::Utf8;
using Method = ka_iproc::PluginModule::Method;

const char* TypeName(int32_t type) {
    switch (type) {
        case ParamTypeFrame: return "frame";
        case ParamTypeNumber: return "number";
        default: return "other";
    }
}

struct Output {
    int32_t type;
    std::string name;
};

// The method's outputs, enumerated until the module says there are no more.
std::vector<Output> MethodOutputs(const Method& method) {
    ka_iproc::PluginModule& module = HostModule();
    std::vector<Output> outputs;
    for (uint32_t k = 0;; ++k) {
        int32_t type = 0;
        char16_t name[64] = {};
        if (!module.EnumerateMethodOutputs(method.index, k, &type, 63, name)) break;
        outputs.push_back({type, Utf8(std::u16string(name, std::find(name, name + 64, u'\0')))});
    }
    return outputs;
}

int RunList(const std::vector<std::string>& args) {
    Arguments parsed = ParseArguments(args, {{"--json", nullptr, false}});
    if (!parsed.positional.empty()) throw UsageError("list takes no arguments");
    const auto& catalogue = HostCatalogue();
    if (parsed.Has("--json")) {
        std::printf("[");
        for (size_t i = 0; i < catalogue.size(); ++i) {
            const Method& m = catalogue[i];
            std::printf("%s\n  {\"index\": %u, \"name\": %s, \"group\": %s, \"description\": %s}", i ? "," : "",
                        m.index, JsonQuote(Utf8(m.name)).c_str(), JsonQuote(Utf8(m.group)).c_str(),
                        JsonQuote(Utf8(m.description)).c_str());
        }
        std::printf("\n]\n");
        return kExitSuccess;
    }
    size_t nameWidth = 4, groupWidth = 5;
    for (const Method& m : catalogue) {
        nameWidth = std::max(nameWidth, Utf8(m.name).size());
        groupWidth = std::max(groupWidth, Utf8(m.group).size());
    }
    for (const Method& m : catalogue) {
        std::printf("%2u  %-*s  %-*s  %s\n", m.index, static_cast<int>(nameWidth), Utf8(m.name).c_str(),
                    static_cast<int>(groupWidth), Utf8(m.group).c_str(), Utf8(m.description).c_str());
    }
    return kExitSuccess;
}

void PrintInfoJson(const Method& m, const std::vector<Output>& outputs) {
    std::printf("{\n  \"index\": %u,\n  \"name\": %s,\n  \"group\": %s,\n  \"description\": %s,\n  \"inputs\": [",
                m.index, JsonQuote(Utf8(m.name)).c_str(), JsonQuote(Utf8(m.group)).c_str(),
                JsonQuote(Utf8(m.description)).c_str());
    for (size_t k = 0; k < m.inputs.size(); ++k) {
        const auto& in = m.inputs[k];
        std::printf("%s\n    {\"index\": %zu, \"type\": %d, \"type_name\": \"%s\", \"name\": %s, \"descriptor\": %s}",
                    k ? "," : "", k, in.type, TypeName(in.type), JsonQuote(Utf8(in.name)).c_str(),
                    JsonQuote(Utf8(in.descriptor)).c_str());
    }
    std::printf("\n  ],\n  \"outputs\": [");
    for (size_t k = 0; k < outputs.size(); ++k) {
        std::printf("%s\n    {\"index\": %zu, \"type\": %d, \"type_name\": \"%s\", \"name\": %s}", k ? "," : "", k,
                    outputs[k].type, TypeName(outputs[k].type), JsonQuote(outputs[k].name).c_str());
    }
    std::printf("\n  ]\n}\n");
}

void PrintInfoText(const Method& m, const std::vector<Output>& outputs) {
    std::printf("%s (method %u, %s)\n  %s\n", Utf8(m.name).c_str(), m.index, Utf8(m.group).c_str(),
                Utf8(m.description).c_str());
    size_t nameWidth = 12;
    for (const auto& in : m.inputs) nameWidth = std::max(nameWidth, Utf8(in.name).size());
    std::printf("inputs:\n");
    for (size_t k = 0; k < m.inputs.size(); ++k) {
        const auto& in = m.inputs[k];
        std::string type = std::string(TypeName(in.type)) + " (" + std::to_string(in.type) + ")";
        std::string descriptor = in.descriptor.empty() ? "-" : Utf8(in.descriptor);
        std::printf("  %zu  %-11s  %-*s  %s\n", k, type.c_str(), static_cast<int>(nameWidth),
                    Utf8(in.name).c_str(), descriptor.c_str());
    }
    std::printf("outputs:\n");
    for (size_t k = 0; k < outputs.size(); ++k) {
        std::string type = std::string(TypeName(outputs[k].type)) + " (" + std::to_string(outputs[k].type) + ")";
        std::printf("  %zu  %-11s  %s\n", k, type.c_str(), outputs[k].name.c_str());
    }
}

int RunInfo(const std::vector<std::string>& args) {
    Arguments parsed = ParseArguments(args, {{"--json", nullptr, false}});
    if (parsed.positional.size() != 1) throw UsageError("info needs exactly one METHOD");
    const Method& method = FindHostMethod(parsed.positional[0]);
    std::vector<Output> outputs = MethodOutputs(method);
    if (parsed.Has("--json")) PrintInfoJson(method, outputs);
    else PrintInfoText(method, outputs);
    return kExitSuccess;
}

const Command kList{
    "list", "print the module's methods: index, name, group, description",
    "usage: kafilters list [--json]\n"
    "\n"
    "Prints the module's catalogue, one method a line: index, name, group (the\n"
    "method's category) and description.\n"
    "\n"
    "  --json   print a JSON array of {index, name, group, description}\n",
    &RunList, 10};

const Command kInfo{
    "info", "print one method's inputs (types, names, descriptors) and outputs",
    "usage: kafilters info METHOD [--json]\n"
    "\n"
    "Prints the inputs of METHOD (a name from `kafilters list`): index, type\n"
    "(frame 1, number 10), name, and the descriptor the host's parameter editor\n"
    "uses (\"-\" when there is none); then its outputs.\n"
    "\n"
    "  --json   print a JSON object with index, name, group, description,\n"
    "           inputs [{index, type, type_name, name, descriptor}] and outputs\n",
    &RunInfo, 20};

const CommandRegistration kRegisterList(kList);
const CommandRegistration kRegisterInfo(kInfo);

}  // namespace

}  // namespace kaf_tool
