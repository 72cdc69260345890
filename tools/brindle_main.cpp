// brindle: a command-line host for the plug-in.
#include <iostream>
#include <new>

#include "commands.h"
#include "plugin_loader.h"

namespace {

constexpr char kTryHelp[] = "Try 'brindle --help' for more information.";

int Run(const std::vector<std::string>& arguments) {
  Invocation invocation;
  std::string problem;
  if (!ParseArguments(arguments, invocation, problem)) {
    std::cerr << kProgramName << ": " << problem << '\n' << kTryHelp << '\n';
    return kExitUsage;
  }
  if (invocation.help) {
    std::cout << kUsage;
    return kExitSuccess;
  }
  PluginApi api = {};
  if (!LoadPlugin(invocation.module, arguments, api, problem)) {
    std::cerr << kProgramName << ": cannot load the plug-in: " << problem << '\n';
    return kExitFailure;
  }
  return RunCommand(api, invocation, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  int status = kExitFailure;
  try {
    status = Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::bad_alloc&) {
    std::cerr << kProgramName << ": out of memory\n";
  }
  if (!std::cout.flush()) {
    std::cerr << kProgramName << ": cannot write to standard output\n";
    return kExitFailure;
  }
  return status;
}
