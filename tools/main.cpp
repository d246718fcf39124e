// kafilters: a host for the filter module on the command line. It loads the
// module at run time and uses it only through its exports and the stand-in
// host library. Commands register themselves (command.h); this file finds
// the command, handles --help and turns errors into exit statuses.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "tool_error.h"

namespace {

using kaf_tool::Command;

void PrintToolHelp(FILE* out) {
    std::fprintf(out,
                 "usage: kafilters COMMAND [ARGUMENTS]\n"
                 "\n"
                 "Runs the image filters of the kafilters module (loaded from KAFILTERS_MODULE,\n"
                 "or from the tool's own folder) on image files.\n"
                 "\n"
                 "commands:\n");
    for (const Command* command : kaf_tool::Commands()) {
        std::fprintf(out, "  %-8s %s\n", command->name, command->summary);
    }
    std::fprintf(out,
                 "\n"
                 "`kafilters COMMAND --help` describes a command. Exit status: 0 success,\n"
                 "1 a method failed, 2 usage error or unusable file.\n");
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--help" || arg == "-h") return true;
    }
    return false;
}

int RunCommand(const Command& command, const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        std::fputs(command.help, stdout);
        return kaf_tool::kExitSuccess;
    }
    try {
        return command.run(args);
    } catch (const kaf_tool::ToolError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "kafilters %s: %s\n", command.name, error.what());
        if (error.ShowHelpHint()) std::fprintf(stderr, "(see `kafilters %s --help`)\n", command.name);
        return error.ExitStatus();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "kafilters %s: %s\n", command.name, error.what());
        return kaf_tool::kExitUsage;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintToolHelp(stderr);
        return kaf_tool::kExitUsage;
    }
    const std::string& name = args[0];
    if (name == "--help" || name == "-h") {
        PrintToolHelp(stdout);
        return kaf_tool::kExitSuccess;
    }
    if (name == "help") {
        if (args.size() == 1) {
            PrintToolHelp(stdout);
            return kaf_tool::kExitSuccess;
        }
        if (const Command* command = kaf_tool::FindCommand(args[1])) {
            std::fputs(command->help, stdout);
            return kaf_tool::kExitSuccess;
        }
    }
    const Command* command = kaf_tool::FindCommand(name);
    if (!command) {
        std::fprintf(stderr, "kafilters: unknown command '%s' (see `kafilters --help`)\n",
                     name == "help" ? args[1].c_str() : name.c_str());
        return kaf_tool::kExitUsage;
    }
    return RunCommand(*command, std::vector<std::string>(args.begin() + 1, args.end()));
}
