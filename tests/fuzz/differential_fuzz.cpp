// The three picture functions agree on every input: IsSupported (address and
// handle form), GetPictureInfo and GetPicture accept exactly the same bytes
// and report the same size, and file and memory input give identical results.
// Where they legitimately differ, the difference is required instead: the
// address form reads up to 1,067 bytes whatever the input holds, so it gets
// them, zero-filled past the input's end, which is how every other path reads
// a short input; GetPictureInfo's file path refuses files under 2,048 bytes;
// GetPicture refuses an empty file.
#include <algorithm>

#include "fuzz_support.h"
#include "ppm_file.h"

namespace {

constexpr size_t kInfoBytes = 2048;

bool ProbeAddress(const Bytes& input) {
  Bytes readable = input;
  readable.resize(std::max(input.size(), kHeaderReach));
  return IsSupported(nullptr, reinterpret_cast<UINT_PTR>(readable.data())) == 1;
}

bool ProbeHandle(const char* name) {
  const HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  Require(file != INVALID_HANDLE_VALUE, "the scratch file opens");
  const int32_t verdict = IsSupported(nullptr, reinterpret_cast<UINT_PTR>(file));
  CloseHandle(file);
  Require(verdict == 0 || verdict == 1, "the probe answers 0 or 1");
  return verdict == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Bytes input(data, data + size);
  const LONG count = static_cast<LONG>(size);
  const char* name = WriteScratchFile(data, size);

  const bool accepted = ProbeAddress(input);
  Require(ProbeHandle(name) == accepted, "both probe forms agree");
  RequireNothingHeld();

  const InfoOutcome info = InfoFromMemory(input, count);
  Require((info.Result == ResultSuccess) == accepted, "GetPictureInfo accepts what the probe does");
  const InfoOutcome infoFromFile = InfoFromFile(name, 0);
  if (size >= kInfoBytes) {
    Require(infoFromFile == info, "file and memory give the same record");
  } else {
    Require(infoFromFile.Result == ResultFileError, "a file under 2,048 bytes gives 6");
  }

  if (!WorthDecoding(input)) return 0;
  const PictureOutcome picture = PictureFromMemory(input, count);
  RequireSameSizes(info, picture);
  const PictureOutcome pictureFromFile = PictureFromFile(name, 0);
  if (size > 0) {
    Require(pictureFromFile == picture, "file and memory give identical bitmaps");
  } else {
    Require(pictureFromFile.Result == ResultNoMemory, "an empty file gives 4");
  }
  return 0;
}
