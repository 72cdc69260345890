// What the fuzz targets share: a check that stops the run on a broken
// property, the outcome of each export in a comparable form, and a file
// that holds the current input.
#pragma once

#include <string>
#include <vector>

#include "brindle.h"

using Bytes = std::vector<BYTE>;

// Aborts with the message when the property does not hold, so libFuzzer
// keeps the input that broke it.
void Require(bool holds, const char* property);

// Every block, lock and file obtained so far has been released.
void RequireNothingHeld();

// The header reader's verdict on exactly these bytes.
bool HeaderAccepted(const Bytes& bytes);

// False for a picture whose bitmap exceeds 16 MiB: decoding one takes up to
// a second, so the targets leave those to the extremes test and only ask
// the other functions about them.
bool WorthDecoding(const Bytes& bytes);

// The first four input bytes as a little-endian 32-bit value (the byte count
// or the offset the targets pass on), and the bytes after them.
LONG LeadingValue(const BYTE* data, size_t size);
Bytes AfterLeadingValue(const BYTE* data, size_t size);

struct InfoOutcome {
  int32_t Result;
  PictureInfoRecord Record;
  bool operator==(const InfoOutcome& other) const;
};

// GetPicture's result and copies of the blocks it handed over, which are
// checked for shape and freed.
struct PictureOutcome {
  int32_t Result;
  std::string Info;
  std::string Bits;
  bool operator==(const PictureOutcome& other) const;
};

// The exports with memory input (kind 1) and file input (kind 0). Each
// checks what holds for every call: the result is one the call may give, the
// host's record or handle variables keep their bytes on failure, and nothing
// the call obtained outlives it.
InfoOutcome InfoFromMemory(const Bytes& bytes, LONG count);
InfoOutcome InfoFromFile(const char* name, LONG offset);
PictureOutcome PictureFromMemory(const Bytes& bytes, LONG count);
PictureOutcome PictureFromFile(const char* name, LONG offset);

// The picture's size as the record gives it equals the header block's, and
// GetPicture accepts exactly when GetPictureInfo does.
void RequireSameSizes(const InfoOutcome& info, const PictureOutcome& picture);

// Puts the bytes into this process's scratch file, which each input
// rewrites, and returns its name.
const char* WriteScratchFile(const BYTE* data, size_t size);
