#include "module_loader.h"

#include <cstdlib>
#include <memory>

#include "tool_error.h"

namespace kaf_tool {

namespace {

// Holds the module for the life of the process and calls Done when the tool
// ends, as the calling order of the exports asks. The module itself stays
// mapped: its OpenMP worker threads are parked inside the runtime that the
// module brought in, and unloading that runtime under them at exit can crash
// the process, which is ending anyway.
struct LoadedModule {
    std::unique_ptr<ka_iproc::PluginModule> module;
    std::vector<ka_iproc::PluginModule::Method> catalogue;
    bool catalogueRead = false;

    ~LoadedModule() {
        if (module && module->Done) module->Done();
        static_cast<void>(module.release());
    }
};

LoadedModule& Loaded() {
    static LoadedModule loaded;
    return loaded;
}

}  // namespace

std::string ModulePath() {
    const char* fromEnvironment = std::getenv("KAFILTERS_MODULE");
    if (fromEnvironment && *fromEnvironment) return fromEnvironment;
    std::string folder = ExecutableDirectory();
    if (folder.empty()) return ModuleFileName();
    return folder + PathSeparator() + ModuleFileName();
}

ka_iproc::PluginModule& HostModule() {
    LoadedModule& loaded = Loaded();
    if (!loaded.module) {
        std::string path = ModulePath();
        std::string error;
        loaded.module = ka_iproc::PluginModule::Load(path, &error);
        if (!loaded.module) {
            throw InputError("cannot load the filter module " + path + ": " + error +
                             " (set KAFILTERS_MODULE to the module's path)");
        }
        if (loaded.module->Init) loaded.module->Init();
    }
    return *loaded.module;
}

const std::vector<ka_iproc::PluginModule::Method>& HostCatalogue() {
    LoadedModule& loaded = Loaded();
    if (!loaded.catalogueRead) {
        loaded.catalogue = HostModule().Catalogue();
        loaded.catalogueRead = true;
    }
    return loaded.catalogue;
}

const ka_iproc::PluginModule::Method& FindHostMethod(const std::string& name) {
    std::u16string wanted = ka_iproc::Utf16(name);
    std::string known;
    for (const auto& method : HostCatalogue()) {
        if (method.name == wanted) return method;
        known += (known.empty() ? "" : ", ") + ka_iproc::Utf8(method.name);
    }
    throw UsageError("unknown method '" + name + "' (the methods are: " + known + ")");
}

}  // namespace kaf_tool
