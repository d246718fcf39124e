#include "command.h"

#include <algorithm>

namespace kaf_tool {

namespace {
// A function-local list, so registrations from any file's static
// initialisation find it constructed.
std::vector<const Command*>& Registry() {
    static std::vector<const Command*> commands;
    return commands;
}
}  // namespace

CommandRegistration::CommandRegistration(const Command& command) { Registry().push_back(&command); }

std::vector<const Command*> Commands() {
    std::vector<const Command*> sorted = Registry();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Command* a, const Command* b) { return a->order < b->order; });
    return sorted;
}

const Command* FindCommand(const std::string& name) {
    for (const Command* command : Registry()) {
        if (name == command->name) return command;
    }
    return nullptr;
}

}  // namespace kaf_tool
