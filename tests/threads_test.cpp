// Many threads call every export at once on the same inputs: the same bytes
// in memory and the same files. Each answer must equal the one a single
// thread gets, and nothing may stay held once they are done.
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "support.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 200;
constexpr int32_t kInfoBufferSize = 64;

// What one call of an export gives the host: its result and the bytes it
// hands back (the record, the text, the bitmap).
struct Outcome {
  int32_t Result;
  std::string Returned;
  bool operator==(const Outcome& other) const {
    return Result == other.Result && Returned == other.Returned;
  }
};

struct Call {
  std::string Name;
  int32_t Result;  // what a single thread gets, so the setup is known to be sound
  std::function<Outcome()> Run;
};

Outcome InfoOutcome(LPCSTR source, LONG offsetOrSize, UINT flags) {
  PictureInfoRecord record;
  std::memset(&record, 0xFF, sizeof record);
  const int32_t result = GetPictureInfo(source, offsetOrSize, flags, &record);
  return {result, std::string(reinterpret_cast<const char*>(&record), sizeof record)};
}

Outcome PictureOutcome(LPCSTR source, LONG offsetOrSize, UINT flags) {
  Bitmap bitmap;
  const int32_t result = GetPicture(source, offsetOrSize, flags, &bitmap.Info, &bitmap.Bits, 0, 0);
  if (result != ResultSuccess) return {result, {}};
  return {result, bitmap.HeaderFields() + bitmap.BitsBytes()};
}

Outcome PluginInfoOutcome(int32_t infoNumber) {
  char buffer[kInfoBufferSize] = {};
  return {GetPluginInfo(infoNumber, buffer, kInfoBufferSize), buffer};
}

// Each probe of a handle opens its own: a handle's position is the host's state.
Outcome HandleProbeOutcome(const char* name) {
  const HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  const int32_t verdict = IsSupported(nullptr, reinterpret_cast<UINT_PTR>(file));
  CloseHandle(file);
  return {verdict, {}};
}

Outcome AddressProbeOutcome(const std::string& bytes) {
  return {IsSupported(nullptr, reinterpret_cast<UINT_PTR>(bytes.data())), {}};
}

Outcome NotImplementedOutcome() {
  const int32_t results[] = {GetPreview(0, 0, 0, 0, 0, 0, 0), GetArchiveInfo(0, 0, 0, 0),
                             GetFileInfo(0, 0, 0, 0, 0), GetFile(0, 0, 0, 0, 0, 0)};
  for (const int32_t result : results) {
    if (result != results[0]) return {result, {}};
  }
  return {results[0], {}};
}

LONG Count(const std::string& bytes) { return static_cast<LONG>(bytes.size()); }

class Threads : public ReleasesEverything {
 protected:
  // Large enough for GetPictureInfo's 2,048-byte read; the probe's address
  // form may look at up to 1,067 bytes of each memory input.
  const std::string Picture = PpmPicture(32, 24);
  const std::string WidePicture = PpmPicture(29, 21, 65535);
  const std::string ShortPicture = Picture.substr(0, Picture.size() / 2);
  const std::string NotPicture = "P3\n32 24\n255\n" + std::string(2048, '7');
  const std::string Junk = std::string(700, 'j');
  const TempFile PictureFile{Picture};
  const TempFile OffsetFile{Junk + WidePicture};
  const TempFile ShortFile{ShortPicture};

  std::vector<Call> Calls() const {
    const LONG offset = Count(Junk);
    return {
        {"plugin info 0", 5, [] { return PluginInfoOutcome(0); }},
        {"plugin info 2", 6, [] { return PluginInfoOutcome(2); }},
        {"not implemented", ResultNotImplemented, [] { return NotImplementedOutcome(); }},
        {"probe address", 1, [this] { return AddressProbeOutcome(Picture); }},
        {"probe address no", 0, [this] { return AddressProbeOutcome(NotPicture); }},
        {"probe handle", 1, [this] { return HandleProbeOutcome(PictureFile.Path()); }},
        {"probe short handle", 1, [this] { return HandleProbeOutcome(ShortFile.Path()); }},
        {"info memory", ResultSuccess,
         [this] { return InfoOutcome(AsSource(Picture), Count(Picture), kInputMemory); }},
        {"info memory no", ResultNotAccepted,
         [this] { return InfoOutcome(AsSource(NotPicture), Count(NotPicture), kInputMemory); }},
        {"info file", ResultSuccess,
         [this] { return InfoOutcome(PictureFile.Path(), 0, kInputFile); }},
        {"info file offset", ResultSuccess,
         [this, offset] { return InfoOutcome(OffsetFile.Path(), offset, kInputFile); }},
        {"info short file", ResultFileError,
         [this] { return InfoOutcome(ShortFile.Path(), 0, kInputFile); }},
        {"picture memory", ResultSuccess,
         [this] { return PictureOutcome(AsSource(Picture), Count(Picture), kInputMemory); }},
        {"picture memory wide", ResultSuccess,
         [this] {
           return PictureOutcome(AsSource(WidePicture), Count(WidePicture), kInputMemory);
         }},
        {"picture memory short", ResultSuccess,
         [this] {
           return PictureOutcome(AsSource(ShortPicture), Count(ShortPicture), kInputMemory);
         }},
        {"picture memory no", ResultNotAccepted,
         [this] { return PictureOutcome(AsSource(NotPicture), Count(NotPicture), kInputMemory); }},
        {"picture file", ResultSuccess,
         [this] { return PictureOutcome(PictureFile.Path(), 0, kInputFile); }},
        {"picture file offset", ResultSuccess,
         [this, offset] { return PictureOutcome(OffsetFile.Path(), offset, kInputFile); }},
        {"picture short file", ResultSuccess,
         [this] { return PictureOutcome(ShortFile.Path(), 0, kInputFile); }},
        {"picture missing file", ResultFileError,
         [] { return PictureOutcome("/nonexistent/brindle.ppm", 0, kInputFile); }},
        {"picture other kind", ResultNotAccepted,
         [this] { return PictureOutcome(AsSource(Picture), 0, 2); }},
    };
  }
};

TEST_F(Threads, EveryAnswerEqualsTheSingleThreadedOne) {
  const std::vector<Call> calls = Calls();
  std::vector<Outcome> expected;
  for (const Call& call : calls) {
    expected.push_back(call.Run());
    ASSERT_EQ(expected.back().Result, call.Result) << call.Name;
  }

  std::atomic<int> ready{0};
  std::vector<std::vector<std::string>> differing(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ++ready;
      while (ready.load() < kThreads) std::this_thread::yield();  // all start together
      // Each thread walks the calls from another starting point, so
      // different calls overlap as well as the same ones.
      for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < calls.size(); ++i) {
          const size_t c = (i + static_cast<size_t>(t) * 3) % calls.size();
          if (!(calls[c].Run() == expected[c])) differing[t].push_back(calls[c].Name);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(differing[t].empty())
        << "thread " << t << " got another answer from " << differing[t].front() << " and "
        << differing[t].size() - 1 << " more calls";
  }
}

}  // namespace
