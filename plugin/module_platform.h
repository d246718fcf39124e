// The module's platform layer: the instance handle recorded when the module
// is loaded, and keeping the host library loaded. Windows and Linux sides
// live in module_platform_windows.cpp and module_platform_linux.cpp.
#pragma once

// The handle through which the host library finds the module's resources
// (null before the module has recorded it).
void* ModuleInstance();
// Keeps the host library loaded for as long as this module is; failures are
// not reported.
void KeepHostLibraryLoaded();
