// IsSupported with a file handle, and GetPictureInfo and GetPicture with file
// input, over arbitrary file contents and offsets (the first four input
// bytes). Each must answer as its memory path does for the bytes it reads.
#include <algorithm>

#include "fuzz_support.h"
#include "platform_testing.h"

namespace {

constexpr size_t kProbeBytes = 2048;
constexpr size_t kInfoBytes = 2048;

HANDLE Open(const char* name) {
  const HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  Require(file != INVALID_HANDLE_VALUE, "the scratch file opens");
  return file;
}

// A negative offset cannot be set, so reading starts at the file's beginning.
size_t StartOf(LONG offset) { return offset > 0 ? static_cast<size_t>(offset) : 0; }

Bytes Slice(const Bytes& contents, size_t start, size_t length) {
  if (start >= contents.size()) return {};
  const size_t end = start + std::min(length, contents.size() - start);
  return Bytes(contents.begin() + static_cast<long>(start),
               contents.begin() + static_cast<long>(end));
}

// The host positions its handle; the probe reads 2,048 bytes from there and
// leaves the handle where the read ended.
void CheckProbe(const char* name, const Bytes& contents, LONG offset) {
  const HANDLE file = Open(name);
  if (offset != 0) SetFilePointer(file, offset, nullptr, FILE_BEGIN);
  const size_t start = StartOf(offset);
  const int32_t verdict = IsSupported(nullptr, reinterpret_cast<UINT_PTR>(file));
  const Bytes read = Slice(contents, start, kProbeBytes);
  Require(verdict == (HeaderAccepted(read) ? 1 : 0), "the probe judges the bytes it read");
  Require(SetFilePointer(file, 0, nullptr, FILE_CURRENT) == start + read.size(),
          "the probe leaves the handle where its read ended");
  CloseHandle(file);
  RequireNothingHeld();
}

void CheckInfo(const char* name, const Bytes& contents, LONG offset) {
  const InfoOutcome fromFile = InfoFromFile(name, offset);
  const Bytes read = Slice(contents, StartOf(offset), kInfoBytes);
  if (read.size() < kInfoBytes) {
    Require(fromFile.Result == ResultFileError, "fewer than 2,048 bytes give 6");
    return;
  }
  Require(fromFile == InfoFromMemory(read, static_cast<LONG>(read.size())),
          "the file path answers as memory input of the bytes read");
}

// The whole file's size is read into a zero-filled block, starting at the offset.
void CheckPicture(const char* name, const Bytes& contents, LONG offset) {
  if (contents.empty()) {
    Require(PictureFromFile(name, offset).Result == ResultNoMemory, "an empty file gives 4");
    return;
  }
  Bytes block = Slice(contents, StartOf(offset), contents.size());
  block.resize(contents.size());
  if (!WorthDecoding(block)) return;
  const PictureOutcome fromFile = PictureFromFile(name, offset);
  Require(fromFile == PictureFromMemory(block, static_cast<LONG>(block.size())),
          "the file path decodes as memory input of its block");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const LONG offset = LeadingValue(data, size);
  const Bytes contents = AfterLeadingValue(data, size);
  const char* name = WriteScratchFile(contents.data(), contents.size());
  CheckProbe(name, contents, offset);
  CheckInfo(name, contents, offset);
  CheckPicture(name, contents, offset);
  return 0;
}
