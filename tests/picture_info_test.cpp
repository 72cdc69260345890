// GetPictureInfo: file and memory input, the exact 2,048-byte read, offsets,
// result codes, and a record written whole on success and not at all otherwise.
#include <cstring>

#include "support.h"

namespace {

constexpr size_t kInfoReadBytes = 2048;
constexpr unsigned char kHostByte = 0xFF;

// A picture padded with pixel bytes to the given file size.
std::string PictureOfSize(size_t size, unsigned width = 20, unsigned height = 30) {
  std::string picture = PpmPicture(width, height);
  picture.resize(size, 'p');
  return picture;
}

class InfoRecord {
 public:
  InfoRecord() { std::memset(&Record, kHostByte, sizeof Record); }

  bool Untouched() const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&Record);
    for (size_t i = 0; i < sizeof Record; ++i) {
      if (bytes[i] != kHostByte) return false;
    }
    return true;
  }

  void ExpectFilled(uint32_t width, uint32_t height) const {
    EXPECT_EQ(Record.Reserved1, 0);
    EXPECT_EQ(Record.Reserved2, 0);
    EXPECT_EQ(Record.Width, width);
    EXPECT_EQ(Record.Height, height);
    EXPECT_EQ(Record.Reserved3, 0);
    EXPECT_EQ(Record.Reserved4, 0);
    EXPECT_EQ(Record.BitsPerPixel, 24);
    EXPECT_EQ(Record.Untouched, 0xFFFF) << "bytes 22 and 23 are the host's";
    EXPECT_EQ(Record.Reserved5, 0);
  }

  PictureInfoRecord Record;
};

struct FileCase {
  const char* Name;
  std::string Contents;
  LONG Offset;
  UINT Flags;
  int32_t Result;
};

const FileCase kFileCases[] = {
    {"exactly_2048_bytes", PictureOfSize(kInfoReadBytes), 0, 0, ResultSuccess},
    {"one_byte_short", PictureOfSize(kInfoReadBytes - 1), 0, 0, ResultFileError},
    {"small_picture", PpmPicture(3, 2), 0, 0, ResultFileError},
    {"empty_file", "", 0, 0, ResultFileError},
    {"only_low_three_bits_count", PictureOfSize(kInfoReadBytes), 0, 8, ResultSuccess},
    {"picture_at_offset", std::string(512, 'x') + PictureOfSize(kInfoReadBytes), 512, 0,
     ResultSuccess},
    {"offset_at_end", PictureOfSize(4096), 4096, 0, ResultFileError},
    {"offset_past_end", PictureOfSize(4096), 5000, 0, ResultFileError},
    {"negative_offset_reads_from_start", PictureOfSize(4096), LONG{-0x7FFFFFFF - 1}, 0,
     ResultSuccess},
    {"not_a_picture", std::string(kInfoReadBytes, 'x'), 0, 0, ResultNotAccepted},
};

class PictureInfoFile : public ReleasesEverything,
                        public ::testing::WithParamInterface<FileCase> {};

TEST_P(PictureInfoFile, ReadsHeaderFromOffset) {
  const FileCase& c = GetParam();
  const TempFile file(c.Contents);
  InfoRecord info;
  EXPECT_EQ(GetPictureInfo(file.Path(), c.Offset, c.Flags, &info.Record), c.Result);
  if (c.Result == ResultSuccess) {
    info.ExpectFilled(20, 30);
  } else {
    EXPECT_TRUE(info.Untouched());
  }
}

INSTANTIATE_TEST_SUITE_P(Files, PictureInfoFile, ::testing::ValuesIn(kFileCases),
                         [](const auto& info) { return std::string(info.param.Name); });

using PictureInfoFileName = ReleasesEverything;

TEST_F(PictureInfoFileName, ThatOpensNoFileGivesFileError) {
  for (const char* name : {"/nonexistent/picture.ppm", "", "/tmp"}) {
    InfoRecord info;
    EXPECT_EQ(GetPictureInfo(name, 0, kInputFile, &info.Record), ResultFileError) << name;
    EXPECT_TRUE(info.Untouched());
  }
}

struct MemoryCase {
  const char* Name;
  std::string Bytes;
  LONG Count;  // -1: the bytes' own size
  UINT Flags;
  int32_t Result;
};

const MemoryCase kMemoryCases[] = {
    {"picture", PpmPicture(3, 2), -1, 1, ResultSuccess},
    {"header_only", PpmHeader(3, 2), -1, 1, ResultSuccess},
    {"only_low_three_bits_count", PpmPicture(3, 2), -1, 0x9, ResultSuccess},
    {"count_cuts_header", PpmPicture(3, 2), 7, 1, ResultNotAccepted},
    {"count_zero", PpmPicture(3, 2), 0, 1, ResultNotAccepted},
    {"count_negative", PpmPicture(3, 2), -2, 1, ResultNotAccepted},
    {"not_a_picture", "P5\n3 2\n255\n", -1, 1, ResultNotAccepted},
};

class PictureInfoMemory : public ReleasesEverything,
                          public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(PictureInfoMemory, ReadsNoFurtherThanCount) {
  const MemoryCase& c = GetParam();
  const LONG count = c.Count == -1 ? static_cast<LONG>(c.Bytes.size()) : c.Count;
  InfoRecord info;
  EXPECT_EQ(GetPictureInfo(AsSource(c.Bytes), count, c.Flags, &info.Record), c.Result);
  if (c.Result == ResultSuccess) {
    info.ExpectFilled(3, 2);
  } else {
    EXPECT_TRUE(info.Untouched());
  }
}

INSTANTIATE_TEST_SUITE_P(Bytes, PictureInfoMemory, ::testing::ValuesIn(kMemoryCases),
                         [](const auto& info) { return std::string(info.param.Name); });

using PictureInfoKinds = ReleasesEverything;

// Unknown kinds are refused before source is looked at, so a bad pointer is harmless.
TEST_F(PictureInfoKinds, UnknownOnesTouchNothing) {
  const LPCSTR unreadable = reinterpret_cast<LPCSTR>(UINT_PTR{1});
  for (UINT kind = 2; kind <= 7; ++kind) {
    InfoRecord info;
    EXPECT_EQ(GetPictureInfo(unreadable, 0, kind, &info.Record), ResultNotAccepted);
    EXPECT_TRUE(info.Untouched());
  }
}

}  // namespace
