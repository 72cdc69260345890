// LoadPlugin for the 32-bit build of brindle: the real Windows module, named
// by BRINDLE_MODULE or else brindle.spi beside the program, loaded by our
// own PE loader with the stand-in platform as its KERNEL32.
#include <cstdlib>

#include "pe_plugin.h"
#include "plugin_loader.h"

namespace {

constexpr char kModuleVariable[] = "BRINDLE_MODULE";
constexpr char kModuleName[] = "brindle.spi";

}  // namespace

bool LoadPlugin(PluginApi& api, std::string& problem) {
  const char* named = std::getenv(kModuleVariable);
  return LoadPeModule(named != nullptr ? named : FileBesideProgram(kModuleName), api, problem);
}
