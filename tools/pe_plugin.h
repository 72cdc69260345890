// Fills a PluginApi from the real Windows module, loaded by this 32-bit host
// with the stand-in platform as its KERNEL32. Every call through the table
// checks that the module removed exactly its own arguments from the stack.
#pragma once

#include <string>

#include "pe_loader.h"
#include "plugin_api.h"

// The KERNEL32 functions this host supplies: the stand-in platform's.
std::vector<PeImport> StandInKernel();

// Loads and attaches the module at path; it stays loaded for the program's
// life and is detached at exit. False, with a one-line reason in problem,
// when it cannot be loaded or lacks an export.
bool LoadPeModule(const std::string& path, PluginApi& api, std::string& problem);
