// The plug-in module as the tool uses it: loaded at run time on first use,
// Init called once, Done called when the tool ends. Nothing of the filters is
// linked into the tool; it knows the module only through its exports.
#pragma once

#include <string>
#include <vector>

#include "host_api.h"

namespace kaf_tool {

// Where the module is looked for: the file named by the environment variable
// KAFILTERS_MODULE when it is set and not empty; otherwise the module's file
// (libkafilters.so, kafilters.dll) in the folder of the tool's own executable.
std::string ModulePath();

// The loaded and initialised module; throws an InputError (exit status 2)
// when it cannot be loaded. The first call loads it and is not meant to race
// with others: a command that runs work on several threads calls HostModule()
// and HostCatalogue() before it starts them.
ka_iproc::PluginModule& HostModule();

// The catalogue as the enumeration exports report it (read once).
const std::vector<ka_iproc::PluginModule::Method>& HostCatalogue();
// The method of that catalogue name; throws a UsageError naming the known
// methods when there is none.
const ka_iproc::PluginModule::Method& FindHostMethod(const std::string& name);

// Platform side (module_path_linux.cpp, module_path_windows.cpp).
std::string ExecutableDirectory();  // empty when it cannot be found
const char* ModuleFileName();
char PathSeparator();

}  // namespace kaf_tool
