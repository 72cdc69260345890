// What the picture functions obtain for one call: a file opened for reading
// and a locked movable block. Each is released when the call's scope ends,
// the block before the file.
#pragma once

#include "platform.h"

// Memory input: the host's byte count, a negative one counting as none.
size_t MemoryInputSize(LONG count);

class InputFile {
 public:
  explicit InputFile(LPCSTR name);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool IsOpen() const { return Handle_ != INVALID_HANDLE_VALUE; }
  DWORD Size() const;
  // Moves to offset bytes from the start unless it is 0; where the position
  // cannot be set the file stays at its start.
  void SeekFromStart(LONG offset) const;
  bool Read(BYTE* into, DWORD count, DWORD* read) const;

 private:
  HANDLE Handle_;
};

class LockedBlock {
 public:
  LockedBlock(UINT flags, SIZE_T bytes);
  ~LockedBlock();
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;

  // Null when the block could not be placed or locked.
  BYTE* Bytes() const { return Bytes_; }

 private:
  HGLOBAL Handle_;
  BYTE* Bytes_;
};
