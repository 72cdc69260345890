#include "support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>

std::string PpmHeader(unsigned width, unsigned height, unsigned maxValue) {
  return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
         std::to_string(maxValue) + "\n";
}

std::string PpmPicture(unsigned width, unsigned height, unsigned maxValue) {
  std::string picture = PpmHeader(width, height, maxValue);
  const size_t samples = size_t{width} * height * 3;
  for (size_t i = 0; i < samples; ++i) {
    const unsigned sample =
        static_cast<unsigned>((i * 37 + 11) % (maxValue < 256 ? maxValue + 1 : 256));
    picture += static_cast<char>(sample);
    if (maxValue > 255) picture += static_cast<char>(i * 13);
  }
  return picture;
}

const char* AsSource(const std::string& bytes) { return bytes.data(); }

TempFile::TempFile(const std::string& contents) {
  const char* directory = std::getenv("TMPDIR");
  std::string pattern = std::string(directory != nullptr ? directory : "/tmp") + "/brindle-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw std::runtime_error("cannot create a temporary file");
  const bool written =
      write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
  close(fd);
  Path_ = pattern;
  if (!written) throw std::runtime_error("cannot write a temporary file");
}

TempFile::~TempFile() { std::remove(Path_.c_str()); }

std::string BlockBytes(HGLOBAL block) {
  const char* bytes = static_cast<const char*>(GlobalLock(block));
  if (bytes == nullptr) return {};
  std::string copy(bytes, GlobalSize(block));
  GlobalUnlock(block);
  return copy;
}

Bitmap::~Bitmap() {
  if (Info != nullptr) GlobalFree(Info);
  if (Bits != nullptr) GlobalFree(Bits);
}

bool operator==(const PlatformResources& a, const PlatformResources& b) {
  return a.Blocks == b.Blocks && a.Locks == b.Locks && a.Files == b.Files;
}

void PrintTo(const PlatformResources& resources, std::ostream* out) {
  *out << "{blocks " << resources.Blocks << ", locks " << resources.Locks << ", files "
       << resources.Files << "}";
}

void ReleasesEverything::SetUp() {
  PlatformFailCall(0);
  Before_ = PlatformLiveResources();
}

void ReleasesEverything::TearDown() {
  PlatformFailCall(0);
  EXPECT_EQ(PlatformLiveResources(), Before_) << "a block, lock or file was not released";
}
