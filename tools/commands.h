// The commands of brindle. Each drives the plug-in through its exports
// alone, the way an image viewer does.
#pragma once

#include <ostream>

#include "arguments.h"
#include "plugin_api.h"

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

extern const char kProgramName[];

// Results go to out, one line for each problem to err. Returns the exit status.
int RunCommand(const PluginApi& api, const Invocation& invocation, std::ostream& out,
               std::ostream& err);
