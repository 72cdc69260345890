#include "pe_plugin.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "plugin_source.h"
#include "stdcall_call.h"

namespace {

// The module stays loaded while the table may be used.
std::unique_ptr<PeModule> loadedModule;

// One checked entry per export: the export's address and name, and a
// function of the table's own type that calls the export through
// CallStdcall. A Windows host would go on with a corrupted stack, so an
// unbalanced call ends the program.
template <int Slot, typename Function>
struct CheckedExport;

template <int Slot, typename Result, typename... Arguments>
struct CheckedExport<Slot, Result(WINAPI*)(Arguments...)> {
  static inline const void* Address = nullptr;
  static inline const char* Name = nullptr;

  static Result WINAPI Call(Arguments... arguments) {
    const uint32_t words[] = {0, Word(arguments)...};
    const StdcallOutcome outcome = CallStdcall(Address, words + 1, sizeof...(Arguments));
    if (!Balanced(outcome)) {
      std::fprintf(stderr, "%s took %zu arguments and moved the stack by %d bytes%s\n", Name,
                   sizeof...(Arguments), static_cast<int>(outcome.StackDrift),
                   outcome.RegistersKept ? "" : " and changed ebx, esi or edi");
      std::abort();
    }
    if constexpr (!std::is_void_v<Result>) return static_cast<Result>(outcome.Result);
  }

  template <typename Argument>
  static uint32_t Word(Argument argument) {
    if constexpr (std::is_pointer_v<Argument>) {
      return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(argument));
    } else {
      return static_cast<uint32_t>(argument);
    }
  }
};

template <int Slot, typename Function>
bool Bind(const PeModule& module, const char* name, Function& entry, std::string& problem) {
  using Checked = CheckedExport<Slot, Function>;
  Checked::Address = module.Export(name).Address;
  Checked::Name = name;
  entry = &Checked::Call;
  if (Checked::Address == nullptr) problem = "the module has no export " + std::string(name);
  return Checked::Address != nullptr;
}

bool BindExports(const PeModule& module, PluginApi& api, std::string& problem) {
  return Bind<0>(module, "GetPluginInfo", api.GetPluginInfo, problem) &&
         Bind<1>(module, "IsSupported", api.IsSupported, problem) &&
         Bind<2>(module, "GetPictureInfo", api.GetPictureInfo, problem) &&
         Bind<3>(module, "GetPicture", api.GetPicture, problem) &&
         Bind<4>(module, "GetPreview", api.GetPreview, problem) &&
         Bind<5>(module, "GetArchiveInfo", api.GetArchiveInfo, problem) &&
         Bind<6>(module, "GetFileInfo", api.GetFileInfo, problem) &&
         Bind<7>(module, "GetFile", api.GetFile, problem) &&
         Bind<8>(module, "@Spi_main@C4_4", api.CounterDown, problem) &&
         Bind<9>(module, "@Spi_main@C4_5", api.CounterUp, problem);
}

void BindPlatform(PluginApi& api) {
  api.GlobalLock = &GlobalLock;
  api.GlobalUnlock = &GlobalUnlock;
  api.GlobalFree = &GlobalFree;
  api.GlobalSize = &GlobalSize;
  api.CreateFileA = &CreateFileA;
  api.CloseHandle = &CloseHandle;
}

}  // namespace

std::vector<PeImport> StandInKernel() {
  return {
      {"CloseHandle", reinterpret_cast<const void*>(&CloseHandle)},
      {"CreateFileA", reinterpret_cast<const void*>(&CreateFileA)},
      {"GetFileSize", reinterpret_cast<const void*>(&GetFileSize)},
      {"GlobalAlloc", reinterpret_cast<const void*>(&GlobalAlloc)},
      {"GlobalFree", reinterpret_cast<const void*>(&GlobalFree)},
      {"GlobalLock", reinterpret_cast<const void*>(&GlobalLock)},
      {"GlobalSize", reinterpret_cast<const void*>(&GlobalSize)},
      {"GlobalUnlock", reinterpret_cast<const void*>(&GlobalUnlock)},
      {"ReadFile", reinterpret_cast<const void*>(&ReadFile)},
      {"SetFilePointer", reinterpret_cast<const void*>(&SetFilePointer)},
      {"lstrcpyA", reinterpret_cast<const void*>(&lstrcpyA)},
      {"lstrlenA", reinterpret_cast<const void*>(&lstrlenA)},
  };
}

bool LoadPeModule(const std::string& path, PluginApi& api, std::string& problem) {
  loadedModule = PeModule::Load(path, StandInKernel(), problem);
  if (loadedModule == nullptr || !loadedModule->Attach(problem)) return false;
  BindPlatform(api);
  return BindExports(*loadedModule, api, problem);
}

bool OpenPlugin(const char* modulePath, PluginApi& api, std::string& problem) {
  if (modulePath == nullptr) {
    problem = "name the module to load";
    return false;
  }
  return LoadPeModule(modulePath, api, problem);
}
