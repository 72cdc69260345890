// Fills the PluginApi from the native library, libbrindle.so, which exports
// the plug-in's functions and the stand-in platform under their plain names.
#include <dlfcn.h>

#include "plugin_loader.h"

namespace {

constexpr char kModuleName[] = "libbrindle.so";

template <typename Function>
bool Bind(void* module, const char* name, Function& entry, std::string& problem) {
  entry = reinterpret_cast<Function>(dlsym(module, name));
  if (entry == nullptr) problem = "the plug-in has no entry " + std::string(name);
  return entry != nullptr;
}

bool BindAll(void* module, PluginApi& api, std::string& problem) {
  return Bind(module, "GetPluginInfo", api.GetPluginInfo, problem) &&
         Bind(module, "IsSupported", api.IsSupported, problem) &&
         Bind(module, "GetPictureInfo", api.GetPictureInfo, problem) &&
         Bind(module, "GetPicture", api.GetPicture, problem) &&
         Bind(module, "GetPreview", api.GetPreview, problem) &&
         Bind(module, "GetArchiveInfo", api.GetArchiveInfo, problem) &&
         Bind(module, "GetFileInfo", api.GetFileInfo, problem) &&
         Bind(module, "GetFile", api.GetFile, problem) &&
         Bind(module, "Spi_main_C4_4", api.CounterDown, problem) &&
         Bind(module, "Spi_main_C4_5", api.CounterUp, problem) &&
         Bind(module, "GlobalLock", api.GlobalLock, problem) &&
         Bind(module, "GlobalUnlock", api.GlobalUnlock, problem) &&
         Bind(module, "GlobalFree", api.GlobalFree, problem) &&
         Bind(module, "GlobalSize", api.GlobalSize, problem) &&
         Bind(module, "CreateFileA", api.CreateFileA, problem) &&
         Bind(module, "CloseHandle", api.CloseHandle, problem);
}

}  // namespace

bool LoadPlugin(PluginApi& api, std::string& problem) {
  void* module = dlopen(FileBesideProgram(kModuleName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    problem = dlerror();
    return false;
  }
  return BindAll(module, api, problem);
}
