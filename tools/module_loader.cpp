// LoadPlugin for the 32-bit build of brindle: the real Windows module, the
// one given or else brindle.spi beside the program, loaded by our own PE
// loader with the stand-in platform as its KERNEL32.
#include "pe_plugin.h"
#include "plugin_loader.h"

namespace {

constexpr char kModuleName[] = "brindle.spi";

}  // namespace

bool LoadPlugin(const std::string& module, const std::vector<std::string>&, PluginApi& api,
                std::string& problem) {
  return LoadPeModule(module.empty() ? FileBesideProgram(kModuleName) : module, api, problem);
}
