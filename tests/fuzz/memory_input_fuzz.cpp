// GetPictureInfo and GetPicture with memory input: arbitrary bytes and an
// arbitrary byte count (the first four input bytes). The bytes are copied to
// a block that ends where the count does, so a read past the count is seen.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes bytes = AfterLeadingValue(data, size);
  LONG count = LeadingValue(data, size);
  // A host holds at least the bytes it counts; a negative count means none.
  if (count > 0 && static_cast<size_t>(count) > bytes.size())
    count = static_cast<LONG>(bytes.size());
  bytes.resize(count > 0 ? static_cast<size_t>(count) : 0);

  const InfoOutcome info = InfoFromMemory(bytes, count);
  Require((info.Result == ResultSuccess) == HeaderAccepted(bytes),
          "the verdict is the header reader's on the counted bytes");
  if (WorthDecoding(bytes)) RequireSameSizes(info, PictureFromMemory(bytes, count));
  return 0;
}
