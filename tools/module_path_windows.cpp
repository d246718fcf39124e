// Finding the tool's own folder on Windows: GetModuleFileName of the process.
#include <windows.h>

#include "module_loader.h"

namespace kaf_tool {

std::string ExecutableDirectory() {
    wchar_t buffer[32768];
    DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(sizeof buffer / sizeof buffer[0]));
    if (length == 0 || length >= sizeof buffer / sizeof buffer[0]) return std::string();
    std::wstring path(buffer, length);
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::string();
    path.resize(slash);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()), nullptr, 0, nullptr,
                                    nullptr);
    std::string folder(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()), &folder[0], bytes, nullptr,
                        nullptr);
    return folder;
}

const char* ModuleFileName() { return "kafilters.dll"; }

char PathSeparator() { return '\\'; }

}  // namespace kaf_tool
