// The command line of brindle: a command, its options and its files.
#pragma once

#include <string>
#include <vector>

#include "platform.h"

enum class Command { About, Probe, Info, Decode };

struct Invocation {
  Command command = Command::About;
  std::vector<std::string> files;  // for decode: the picture, then the BMP file
  LONG offset = 0;                 // where the picture begins in its file
  bool memory = false;             // hand over the file's bytes, not its name
  bool handle = false;             // probe through an open file handle
  bool help = false;
  std::string module;  // the real Windows module to drive, if any
};

// Reads the arguments that follow the program's name. False, with a one-line
// reason in problem, on a usage error.
bool ParseArguments(const std::vector<std::string>& arguments, Invocation& invocation,
                    std::string& problem);

extern const char kUsage[];
