// Errors that end a command with a given exit status: 2 for usage errors,
// unreadable or unwritable files and a module that cannot be loaded; 1 for a
// method that reports failure.
#pragma once

#include <stdexcept>
#include <string>

namespace kaf_tool {

constexpr int kExitSuccess = 0;
constexpr int kExitMethodFailed = 1;
constexpr int kExitUsage = 2;

class ToolError : public std::runtime_error {
public:
    ToolError(int exitStatus, const std::string& message, bool showHelpHint = false)
        : std::runtime_error(message), exitStatus_(exitStatus), showHelpHint_(showHelpHint) {}
    int ExitStatus() const { return exitStatus_; }
    // Whether to point the user at the command's --help.
    bool ShowHelpHint() const { return showHelpHint_; }

private:
    int exitStatus_;
    bool showHelpHint_;
};

// A command line that does not follow the command's synopsis.
inline ToolError UsageError(const std::string& message) { return ToolError(kExitUsage, message, true); }
// A file or module that cannot be used.
inline ToolError InputError(const std::string& message) { return ToolError(kExitUsage, message, false); }

}  // namespace kaf_tool
