// Fills a PluginApi from the plug-in module that lies beside this program.
// Each kind of module has its own implementation: native_loader.cpp opens
// the native library; a loader for the real Windows module can fill the same
// table, and the commands never learn which one did.
#pragma once

#include <string>
#include <vector>

#include "plugin_api.h"

// Loads the plug-in: the given real Windows module, or with none the module
// beside this program. False, with a one-line reason in problem, when the
// module cannot be loaded or lacks an entry. A loaded module stays loaded
// for the program's life. A build that cannot load the Windows module runs
// the whole command, the given arguments, in the build that can, and
// returns only if that cannot be started.
bool LoadPlugin(const std::string& module, const std::vector<std::string>& arguments,
                PluginApi& api, std::string& problem);

// The path of a file in the directory that holds this program.
std::string FileBesideProgram(const std::string& fileName);
