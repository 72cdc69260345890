// Files written whole or not at all, and files read into memory.
#pragma once

#include <string>
#include <vector>

#include "platform.h"

struct ByteSpan {
  const BYTE* bytes;
  size_t size;
};

// Writes the parts one after another to a new file in path's directory and
// renames it to path, so an existing file is replaced whole or kept as it
// was. False, with the reason in problem, when that cannot be done; no
// temporary file is left behind.
bool ReplaceFile(const std::string& path, const std::vector<ByteSpan>& parts, std::string& problem);

// The file's first bytes, at most count of them.
bool ReadFileHead(const std::string& path, size_t count, std::vector<BYTE>& bytes,
                  std::string& problem);

// The whole file; one that holds more than limit bytes is refused.
bool ReadWholeFile(const std::string& path, size_t limit, std::vector<BYTE>& bytes,
                   std::string& problem);
