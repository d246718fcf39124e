// The tool's commands. Each command lives in a file of its own and registers
// itself with a static CommandRegistration, so adding a command means adding
// a file: main.cpp dispatches by name and lists what is registered.
#pragma once

#include <string>
#include <vector>

namespace kaf_tool {

struct Command {
    const char* name;      // "list", "run", ...
    const char* summary;   // one line for the tool's --help
    const char* help;      // the command's own --help text (synopsis first)
    int (*run)(const std::vector<std::string>& args);  // arguments after the name; the exit status
    int order;             // position in the tool's --help
};

// Registered commands sorted by order.
std::vector<const Command*> Commands();
const Command* FindCommand(const std::string& name);

struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

}  // namespace kaf_tool
