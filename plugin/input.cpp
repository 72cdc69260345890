#include "input.h"

size_t MemoryInputSize(LONG count) { return count > 0 ? static_cast<size_t>(count) : 0; }

InputFile::InputFile(LPCSTR name)
    : Handle_(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr)) {}

InputFile::~InputFile() {
  if (IsOpen()) CloseHandle(Handle_);
}

DWORD InputFile::Size() const { return GetFileSize(Handle_, nullptr); }

void InputFile::SeekFromStart(LONG offset) const {
  if (offset != 0) SetFilePointer(Handle_, offset, nullptr, FILE_BEGIN);
}

bool InputFile::Read(BYTE* into, DWORD count, DWORD* read) const {
  return ReadFile(Handle_, into, count, read, nullptr) != FALSE;
}

LockedBlock::LockedBlock(UINT flags, SIZE_T bytes)
    : Handle_(GlobalAlloc(flags, bytes)),
      Bytes_(Handle_ != nullptr ? static_cast<BYTE*>(GlobalLock(Handle_)) : nullptr) {}

LockedBlock::~LockedBlock() {
  if (Bytes_ != nullptr) GlobalUnlock(Handle_);
  if (Handle_ != nullptr) GlobalFree(Handle_);
}
