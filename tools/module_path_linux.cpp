// Finding the tool's own folder on Linux: the target of /proc/self/exe.
#include <unistd.h>

#include <climits>

#include "module_loader.h"

namespace kaf_tool {

std::string ExecutableDirectory() {
    char buffer[PATH_MAX + 1];
    ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0) return std::string();
    std::string path(buffer, static_cast<size_t>(length));
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

const char* ModuleFileName() { return "libkafilters.so"; }

char PathSeparator() { return '/'; }

}  // namespace kaf_tool
