// Windows side: DllMain records the instance handle on process attach; Init
// keeps "ka_iproc.dll" loaded with LoadLibraryA.
#include <windows.h>

#include "module_platform.h"

namespace {
HINSTANCE gModuleInstance = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) gModuleInstance = instance;
    return TRUE;
}

void* ModuleInstance() { return gModuleInstance; }

void KeepHostLibraryLoaded() { LoadLibraryA("ka_iproc.dll"); }
