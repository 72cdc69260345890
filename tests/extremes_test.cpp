// The extremes: the largest picture the plug-in accepts, the first sizes past
// its limit, a picture of the largest size cut short, and file names that
// open nothing.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "support.h"

namespace {

constexpr DWORD kLargestWidth = 8192;
constexpr DWORD kLargestHeight = 8191;
// 8192 pixels of 3 bytes need no padding: a bitmap row is a picture row.
constexpr size_t kRowBytes = kLargestWidth * 3;

// One picture row of samples that differ from pixel to pixel and with the seed.
std::string Row(unsigned seed) {
  std::string row(kRowBytes, '\0');
  for (size_t i = 0; i < kRowBytes; ++i) row[i] = static_cast<char>(i * 7 + i / 256 + seed);
  return row;
}

// A picture row as the bitmap holds it: each pixel blue, green, red.
std::string AsBitmapRow(std::string row) {
  row.resize(kRowBytes, '\0');
  for (size_t i = 0; i < kRowBytes; i += 3) std::swap(row[i], row[i + 2]);
  return row;
}

// Bitmap rows run bottom-up: row 0 is the picture's last row.
std::string BitmapRow(HGLOBAL bits, size_t row) {
  const char* bytes = static_cast<const char*>(GlobalLock(bits));
  std::string copy(bytes + row * kRowBytes, kRowBytes);
  GlobalUnlock(bits);
  return copy;
}

bool AllZero(const char* bytes, size_t count) {
  return count == 0 || (bytes[0] == 0 && std::memcmp(bytes, bytes + 1, count - 1) == 0);
}

// The bitmap rows from..to (exclusive) hold nothing but zeros.
bool RowsAreZero(HGLOBAL bits, size_t from, size_t to) {
  const char* bytes = static_cast<const char*>(GlobalLock(bits));
  const bool zero = AllZero(bytes + from * kRowBytes, (to - from) * kRowBytes);
  GlobalUnlock(bits);
  return zero;
}

bool SameBlocks(HGLOBAL a, HGLOBAL b) {
  const size_t size = GlobalSize(a);
  if (size != GlobalSize(b)) return false;
  const void* bytesA = GlobalLock(a);
  const void* bytesB = GlobalLock(b);
  const bool same = std::memcmp(bytesA, bytesB, size) == 0;
  GlobalUnlock(a);
  GlobalUnlock(b);
  return same;
}

DWORD DwordAt(const std::string& bytes, size_t at) {
  DWORD value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

// Bytes that end right where a page begins that cannot be read, so any read
// past them faults, in every build.
class GuardedBytes {
 public:
  explicit GuardedBytes(const std::string& bytes) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t dataPages = (bytes.size() + page - 1) / page;
    MapSize_ = (dataPages + 1) * page;
    Map_ = static_cast<char*>(
        mmap(nullptr, MapSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (Map_ == MAP_FAILED) throw std::runtime_error("cannot map memory");
    char* guard = Map_ + dataPages * page;
    mprotect(guard, page, PROT_NONE);
    Bytes_ = guard - bytes.size();
    std::memcpy(Bytes_, bytes.data(), bytes.size());
  }
  ~GuardedBytes() { munmap(Map_, MapSize_); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  LPCSTR Source() const { return Bytes_; }

 private:
  char* Map_;
  size_t MapSize_;
  char* Bytes_;
};

struct Decoded {
  Decoded(LPCSTR source, LONG offsetOrSize, UINT flags) {
    Blocks.Info = Blocks.Bits = kHostValue;
    Result = GetPicture(source, offsetOrSize, flags, &Blocks.Info, &Blocks.Bits, 0, 0);
    if (Result == ResultSuccess) return;
    EXPECT_EQ(Blocks.Info, kHostValue);
    EXPECT_EQ(Blocks.Bits, kHostValue);
    Blocks.Info = Blocks.Bits = nullptr;
  }

  int32_t Result;
  Bitmap Blocks;
};

using Extremes = ReleasesEverything;

TEST_F(Extremes, LargestPictureDecodesWithItsFirstAndLastRows) {
  const std::string first = Row(1);
  const std::string last = Row(2);
  std::string picture = PpmHeader(kLargestWidth, kLargestHeight);
  picture.reserve(picture.size() + kRowBytes * kLargestHeight);
  picture += first;
  picture.append(kRowBytes * (kLargestHeight - 2), '\0');
  picture += last;

  const Decoded decoded(AsSource(picture), static_cast<LONG>(picture.size()), kInputMemory);
  ASSERT_EQ(decoded.Result, ResultSuccess);
  const std::string header = decoded.Blocks.InfoBytes();
  EXPECT_EQ(DwordAt(header, 4), kLargestWidth);
  EXPECT_EQ(DwordAt(header, 8), kLargestHeight);
  EXPECT_EQ(DwordAt(header, 20), kRowBytes * kLargestHeight);
  ASSERT_EQ(GlobalSize(decoded.Blocks.Bits), kRowBytes * kLargestHeight);
  EXPECT_EQ(BitmapRow(decoded.Blocks.Bits, 0), AsBitmapRow(last));
  EXPECT_EQ(BitmapRow(decoded.Blocks.Bits, kLargestHeight - 1), AsBitmapRow(first));
  EXPECT_TRUE(RowsAreZero(decoded.Blocks.Bits, 1, kLargestHeight - 1));
}

// ThreadSanitizer slows these single-threaded decodes of 67 million rows
// or pixels to half a minute and has nothing to find in them.
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif

TEST_F(Extremes, WidestAndTallestPicturesDecodeToZeros) {
  if (kThreadSanitizer) GTEST_SKIP() << "too slow under ThreadSanitizer";
  // Rows of 1 pixel take 1 padding byte each, the single row of 67,108,863 pixels 3.
  const struct {
    DWORD Width, Height;
    size_t BitmapBytes;
  } pictures[] = {{67108863, 1, 201326592}, {1, 67108863, 268435452}};
  for (const auto& p : pictures) {
    const std::string header = PpmHeader(p.Width, p.Height);
    const Decoded decoded(AsSource(header), static_cast<LONG>(header.size()), kInputMemory);
    ASSERT_EQ(decoded.Result, ResultSuccess) << p.Width << "x" << p.Height;
    EXPECT_EQ(DwordAt(decoded.Blocks.InfoBytes(), 20), p.BitmapBytes);
    ASSERT_EQ(GlobalSize(decoded.Blocks.Bits), p.BitmapBytes);
    const char* bytes = static_cast<const char*>(GlobalLock(decoded.Blocks.Bits));
    EXPECT_TRUE(AllZero(bytes, p.BitmapBytes)) << p.Width << "x" << p.Height;
    GlobalUnlock(decoded.Blocks.Bits);
  }
}

struct SizeCase {
  const char* Dimensions;
  bool Accepted;
  DWORD Width = 0;
  DWORD Height = 0;
};

// Width x Height x 3 must stay below 201,326,592.
const SizeCase kSizeCases[] = {
    {"8192 8191", true, 8192, 8191},
    {"67108863 1", true, 67108863, 1},
    {"1 67108863", true, 1, 67108863},
    {"8193 8191", true, 8193, 8191},  // 2^26 - 1 pixels
    {"8192 8192", false},
    {"8193 8192", false},
    {"67108864 1", false},
    {"1 67108864", false},
    {"16384 4096", false},
};

class SizeLimit : public ReleasesEverything, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SizeLimit, AcceptsUpToTheLimitAndNoFurther) {
  const SizeCase& c = GetParam();
  // The probe's address form may look at 1,067 bytes.
  std::string header = std::string("P6\n") + c.Dimensions + "\n255\n";
  header.resize(1067, '\0');
  EXPECT_EQ(IsSupported(nullptr, reinterpret_cast<UINT_PTR>(header.data())), c.Accepted ? 1 : 0);

  PictureInfoRecord record{};
  const LONG count = static_cast<LONG>(header.size());
  ASSERT_EQ(GetPictureInfo(AsSource(header), count, kInputMemory, &record),
            c.Accepted ? ResultSuccess : ResultNotAccepted);
  if (c.Accepted) {
    EXPECT_EQ(record.Width, c.Width);
    EXPECT_EQ(record.Height, c.Height);
    return;  // the largest pictures are decoded by the tests around
  }
  EXPECT_EQ(Decoded(AsSource(header), count, kInputMemory).Result, ResultNotAccepted);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SizeLimit, ::testing::ValuesIn(kSizeCases), [](const auto& info) {
  std::string name = info.param.Dimensions;
  name[name.find(' ')] = 'x';
  return "size_" + name;
});

// The header, one whole row and half of the next, ending inside a pixel.
TEST_F(Extremes, LargestPictureCutShortLoadsWithZerosAndReadsNothingPastItsEnd) {
  const std::string first = Row(3);
  const std::string second = Row(4).substr(0, kRowBytes / 2 + 1);
  const std::string picture = PpmHeader(kLargestWidth, kLargestHeight) + first + second;
  const TempFile file(picture);

  // The file path reads into a block of the file's size, which
  // AddressSanitizer watches; the memory path's bytes end at a guard page.
  const Decoded fromFile(file.Path(), 0, kInputFile);
  ASSERT_EQ(fromFile.Result, ResultSuccess);
  const GuardedBytes guarded(picture);
  const Decoded fromMemory(guarded.Source(), static_cast<LONG>(picture.size()), kInputMemory);
  ASSERT_EQ(fromMemory.Result, ResultSuccess);

  const HGLOBAL bits = fromFile.Blocks.Bits;
  ASSERT_EQ(GlobalSize(bits), kRowBytes * kLargestHeight);
  EXPECT_EQ(BitmapRow(bits, kLargestHeight - 1), AsBitmapRow(first));
  EXPECT_EQ(BitmapRow(bits, kLargestHeight - 2), AsBitmapRow(second));
  EXPECT_TRUE(RowsAreZero(bits, 0, kLargestHeight - 2));
  EXPECT_EQ(fromFile.Blocks.HeaderFields(), fromMemory.Blocks.HeaderFields());
  EXPECT_TRUE(SameBlocks(bits, fromMemory.Blocks.Bits));
}

// Both functions that take a file name answer 6 and leave the host's
// variables alone; the fixture checks that nothing stays held.
void ExpectFileError(const char* name) {
  PictureInfoRecord record;
  std::memset(&record, 0xFF, sizeof record);
  PictureInfoRecord untouched = record;
  EXPECT_EQ(GetPictureInfo(name, 0, kInputFile, &record), ResultFileError) << name;
  EXPECT_EQ(std::memcmp(&record, &untouched, sizeof record), 0) << name;
  EXPECT_EQ(Decoded(name, 0, kInputFile).Result, ResultFileError) << name;
}

TEST_F(Extremes, DirectoryOrMissingFileGivesFileError) {
  const TempFile file(PpmPicture(32, 32));
  const std::string directory =
      std::string(file.Path()).substr(0, std::string(file.Path()).rfind('/'));
  ExpectFileError(directory.c_str());
  ExpectFileError((std::string(file.Path()) + ".missing").c_str());
  ExpectFileError((std::string(file.Path()) + "/below_a_file").c_str());
}

TEST_F(Extremes, UnreadableFileGivesFileError) {
  const TempFile file(PpmPicture(32, 32));
  ASSERT_EQ(chmod(file.Path(), 0), 0);
  if (access(file.Path(), R_OK) == 0) {
    GTEST_SKIP() << "this user reads files whatever their permissions say (root)";
  }
  ExpectFileError(file.Path());
}

}  // namespace
