#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform_testing.h"
#include "ppm_file.h"

namespace {

constexpr BYTE kHostFill = 0xFF;  // what the host leaves in its record beforehand
const HGLOBAL kHostHandle = reinterpret_cast<HGLOBAL>(0x5A5A5A5A);

constexpr WORD kBitmapDepth = 24;
constexpr uint64_t kLargestDecodedBitmap = 16u << 20;

uint64_t RowStride(uint64_t width) { return (width * 3 + 3) / 4 * 4; }

DWORD DwordAt(const std::string& bytes, size_t at) {
  DWORD value = 0;
  for (size_t i = 4; i-- > 0;) value = value << 8 | static_cast<BYTE>(bytes[at + i]);
  return value;
}

WORD WordAt(const std::string& bytes, size_t at) {
  return static_cast<WORD>(static_cast<BYTE>(bytes[at]) | static_cast<BYTE>(bytes[at + 1]) << 8);
}

std::string BlockBytes(HGLOBAL block, size_t size) {
  const char* bytes = static_cast<const char*>(GlobalLock(block));
  Require(bytes != nullptr, "a handed-over block can be locked");
  std::string copy(bytes, size);
  GlobalUnlock(block);
  return copy;
}

// A 24-bit bottom-up bitmap: a 40-byte header in a 44-byte block, rows padded
// to four bytes, the pixel block exactly as large as the header says.
void RequireBitmapShape(HGLOBAL info, HGLOBAL bits) {
  Require(GlobalSize(info) == kBitmapHeaderBlockSize, "the header block is 44 bytes");
  const std::string header = BlockBytes(info, kBitmapHeaderSize);
  const uint64_t width = DwordAt(header, 4);
  const uint64_t height = DwordAt(header, 8);
  const uint64_t stride = RowStride(width);
  Require(DwordAt(header, 0) == kBitmapHeaderSize, "biSize is 40");
  Require(width >= 1 && height >= 1, "the bitmap is not empty");
  Require(WordAt(header, 12) == 1 && WordAt(header, 14) == kBitmapDepth, "one plane, 24 bits");
  Require(DwordAt(header, 16) == 0, "no compression");
  Require(DwordAt(header, 20) == stride * height, "biSizeImage is stride x height");
  Require(GlobalSize(bits) == stride * height, "the pixel block holds every row");
  for (size_t at = 24; at < kBitmapHeaderSize; ++at) {
    Require(header[at] == 0, "the header's remaining fields are zero");
  }
}

bool RecordUntouched(const PictureInfoRecord& record) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&record);
  for (size_t i = 0; i < sizeof record; ++i) {
    if (bytes[i] != kHostFill) return false;
  }
  return true;
}

void RequireRecordShape(const InfoOutcome& outcome) {
  if (outcome.Result != ResultSuccess) {
    Require(RecordUntouched(outcome.Record), "a failed call leaves the record alone");
    return;
  }
  const PictureInfoRecord& record = outcome.Record;
  Require(record.Reserved1 == 0 && record.Reserved2 == 0 && record.Reserved3 == 0 &&
              record.Reserved4 == 0 && record.Reserved5 == 0,
          "the reserved fields are zero");
  Require(record.BitsPerPixel == kBitmapDepth, "the depth is 24");
  Require(record.Untouched == 0xFFFF, "bytes 22 and 23 stay the host's");
  Require(record.Width >= 1 && record.Height >= 1, "the picture is not empty");
}

InfoOutcome CallGetPictureInfo(const char* source, LONG offsetOrSize, UINT kind) {
  InfoOutcome outcome{};
  std::memset(&outcome.Record, kHostFill, sizeof outcome.Record);
  outcome.Result = GetPictureInfo(source, offsetOrSize, kind, &outcome.Record);
  RequireRecordShape(outcome);
  RequireNothingHeld();
  return outcome;
}

PictureOutcome CallGetPicture(const char* source, LONG offsetOrSize, UINT kind) {
  HGLOBAL info = kHostHandle;
  HGLOBAL bits = kHostHandle;
  PictureOutcome outcome{GetPicture(source, offsetOrSize, kind, &info, &bits, 0, 0), {}, {}};
  if (outcome.Result != ResultSuccess) {
    Require(info == kHostHandle && bits == kHostHandle, "a failed call leaves the handles alone");
    RequireNothingHeld();
    return outcome;
  }
  const PlatformResources held = PlatformLiveResources();
  Require(held.Blocks == 2 && held.Locks == 0 && held.Files == 0,
          "success hands over two unlocked blocks and nothing else");
  RequireBitmapShape(info, bits);
  outcome.Info = BlockBytes(info, kBitmapHeaderSize);
  outcome.Bits = BlockBytes(bits, GlobalSize(bits));
  GlobalFree(info);
  GlobalFree(bits);
  RequireNothingHeld();
  return outcome;
}

const char* AsSource(const Bytes& bytes) { return reinterpret_cast<const char*>(bytes.data()); }

}  // namespace

void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

void RequireNothingHeld() {
  const PlatformResources live = PlatformLiveResources();
  Require(live.Blocks == 0 && live.Locks == 0 && live.Files == 0,
          "every block, lock and file is released");
}

bool HeaderAccepted(const Bytes& bytes) {
  TPPMFile picture(bytes.data(), bytes.size());
  return picture.ReadHeader();
}

bool WorthDecoding(const Bytes& bytes) {
  TPPMFile picture(bytes.data(), bytes.size());
  return !picture.ReadHeader() ||
         RowStride(picture.Width) * picture.Height <= kLargestDecodedBitmap;
}

LONG LeadingValue(const BYTE* data, size_t size) {
  DWORD value = 0;
  for (size_t i = size < 4 ? size : 4; i-- > 0;) value = value << 8 | data[i];
  return static_cast<LONG>(value);
}

Bytes AfterLeadingValue(const BYTE* data, size_t size) {
  return size > 4 ? Bytes(data + 4, data + size) : Bytes();
}

bool InfoOutcome::operator==(const InfoOutcome& other) const {
  return Result == other.Result && std::memcmp(&Record, &other.Record, sizeof Record) == 0;
}

bool PictureOutcome::operator==(const PictureOutcome& other) const {
  return Result == other.Result && Info == other.Info && Bits == other.Bits;
}

InfoOutcome InfoFromMemory(const Bytes& bytes, LONG count) {
  const InfoOutcome outcome = CallGetPictureInfo(AsSource(bytes), count, kInputMemory);
  Require(outcome.Result == ResultSuccess || outcome.Result == ResultNotAccepted,
          "memory input gives 0 or 2");
  return outcome;
}

InfoOutcome InfoFromFile(const char* name, LONG offset) {
  const InfoOutcome outcome = CallGetPictureInfo(name, offset, kInputFile);
  Require(outcome.Result == ResultSuccess || outcome.Result == ResultNotAccepted ||
              outcome.Result == ResultFileError,
          "file input gives 0, 2 or 6");
  return outcome;
}

PictureOutcome PictureFromMemory(const Bytes& bytes, LONG count) {
  const PictureOutcome outcome = CallGetPicture(AsSource(bytes), count, kInputMemory);
  Require(outcome.Result == ResultSuccess || outcome.Result == ResultNotAccepted,
          "memory input gives 0 or 2");
  return outcome;
}

PictureOutcome PictureFromFile(const char* name, LONG offset) {
  const PictureOutcome outcome = CallGetPicture(name, offset, kInputFile);
  Require(outcome.Result == ResultSuccess || outcome.Result == ResultNotAccepted ||
              outcome.Result == ResultNoMemory,
          "a readable file gives 0, 2 or 4");
  return outcome;
}

void RequireSameSizes(const InfoOutcome& info, const PictureOutcome& picture) {
  Require(info.Result == picture.Result, "GetPicture accepts exactly when GetPictureInfo does");
  if (info.Result != ResultSuccess) return;
  Require(DwordAt(picture.Info, 4) == info.Record.Width &&
              DwordAt(picture.Info, 8) == info.Record.Height,
          "the record's size is the bitmap's");
}

// The scratch file lives in memory: writing one on disk for every input
// would make the disk's speed the limit. Its /proc name opens like a file's.
const char* WriteScratchFile(const BYTE* data, size_t size) {
  static const int fd = memfd_create("brindle-fuzz", 0);
  static const std::string name = "/proc/self/fd/" + std::to_string(fd);
  Require(fd >= 0, "a scratch file can be made");
  Require(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
          "the input is written whole");
  return name.c_str();
}
