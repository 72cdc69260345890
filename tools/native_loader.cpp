// Fills the PluginApi from the native library, libbrindle.so, which exports
// the plug-in's functions and the stand-in platform under their plain names.
// The real module is 32-bit Windows code, which this program cannot load: a
// command that asks for it is handed to the 32-bit build under the emulator.
#include <dlfcn.h>
#include <unistd.h>

#include "plugin_loader.h"

namespace {

constexpr char kModuleName[] = "libbrindle.so";
constexpr char kEmulator[] = "qemu-i386-static";
constexpr char kModuleHost[] = "../build-host32/brindle";

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

// Returns only when the 32-bit build cannot be started.
void RunInModuleHost(const std::vector<std::string>& arguments, std::string& problem) {
  const std::string host = FileBesideProgram(kModuleHost);
  std::vector<char*> command = {const_cast<char*>(kEmulator), const_cast<char*>(host.c_str())};
  for (const std::string& argument : arguments)
    command.push_back(const_cast<char*>(argument.c_str()));
  command.push_back(nullptr);
  execvp(kEmulator, command.data());
  problem = "cannot run " + host + " under " + kEmulator + " (build it with scripts/test.sh)";
}

}  // namespace

bool LoadPlugin(const std::string& realModule, const std::vector<std::string>& arguments,
                PluginApi& api, std::string& problem) {
  if (!realModule.empty()) {
    RunInModuleHost(arguments, problem);
    return false;
  }
  void* module = dlopen(FileBesideProgram(kModuleName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    problem = dlerror();
    return false;
  }
  return BindAll(module, api, problem);
}
