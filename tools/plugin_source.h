// Where module_transcript gets its plug-in: the native build links the
// library in; the 32-bit host loads the real module named on its command line.
#pragma once

#include <string>

#include "plugin_api.h"

// False, with a one-line reason in problem, when there is no plug-in to drive.
bool OpenPlugin(const char* modulePath, PluginApi& api, std::string& problem);
