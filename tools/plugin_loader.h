// Fills a PluginApi from the plug-in module that lies beside this program.
// Each kind of module has its own implementation: native_loader.cpp opens
// the native library; a loader for the real Windows module can fill the same
// table, and the commands never learn which one did.
#pragma once

#include <string>

#include "plugin_api.h"

// False, with a one-line reason in problem, when the module cannot be loaded
// or lacks an entry. A loaded module stays loaded for the program's life.
bool LoadPlugin(PluginApi& api, std::string& problem);

// The path of a file in the directory that holds this program.
std::string FileBesideProgram(const std::string& fileName);
