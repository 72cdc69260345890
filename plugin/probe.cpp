// IsSupported: does the beginning of a file begin a picture this plug-in reads?
#include "brindle.h"
#include "input.h"
#include "ppm_file.h"

namespace {

constexpr DWORD kProbeBytes = 2048;

int32_t Verdict(const BYTE* bytes, size_t size) {
  TPPMFile picture(bytes, size);
  return picture.ReadHeader() ? 1 : 0;
}

}  // namespace

// The file name plays no part. A head above 0xFFFF is the address of the
// host's bytes, readable as far as the header goes; otherwise it is a file
// handle, read from where it stands and left where the read ends.
BRINDLE_API int32_t WINAPI IsSupported(LPCSTR, UINT_PTR head) {
  if (head > kLargestProbeHandle) return Verdict(reinterpret_cast<const BYTE*>(head), kHeaderReach);

  LockedBlock block(GMEM_MOVEABLE, kProbeBytes);
  DWORD read = 0;
  if (block.Bytes() == nullptr ||
      !ReadFile(reinterpret_cast<HANDLE>(head), block.Bytes(), kProbeBytes, &read, nullptr)) {
    return 0;
  }
  return Verdict(block.Bytes(), read);
}
