// Drives the plug-in over a corpus of pictures and bad inputs the way a host
// does and prints every answer: results, records, identification texts,
// header blocks, pixel blocks and what stays allocated. The native build and
// the 32-bit host of the real module must print the same transcript.
//
//   module_transcript [MODULE]
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform_testing.h"
#include "plugin_source.h"

namespace {

constexpr size_t kProbeBufferSize = 2048;  // what viewers hand IsSupported
constexpr LONG kPictureOffset = 1000;
constexpr size_t kShownBlockBytes = 64;  // longer blocks are shown by their hash
constexpr BYTE kHostFill = 0xA5;         // what the host leaves in its records
const HGLOBAL kHostHandle = reinterpret_cast<HGLOBAL>(0x5A5A5A5A);
constexpr int32_t kInfoBufferSize = 40;
// The header block's last bytes, room for a colour entry that a 24-bit
// bitmap does not have, are never written: they hold whatever was there.
constexpr size_t kUnwrittenHeaderBytes = 4;
constexpr LONG_PTR kJunk = 0x7EADBEEF;

// ---- printing ----

std::string Hex(const BYTE* bytes, size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

// FNV-1a, 64 bits: enough to tell two pixel blocks apart.
std::string Hash(const BYTE* bytes, size_t count) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3u;
  char text[24];
  std::snprintf(text, sizeof text, "fnv:%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string Shown(const BYTE* bytes, size_t count) {
  return count <= kShownBlockBytes ? Hex(bytes, count) : Hash(bytes, count);
}

std::string Live() {
  const PlatformResources live = PlatformLiveResources();
  return " live " + std::to_string(live.Blocks) + "/" + std::to_string(live.Locks) + "/" +
         std::to_string(live.Files);
}

void Print(const std::string& line) { std::printf("%s\n", line.c_str()); }

// ---- the corpus ----

struct Picture {
  std::string Label;
  std::string Bytes;
};

std::string Samples(size_t count, unsigned seed) {
  std::string bytes(count, '\0');
  uint32_t state = seed;
  for (char& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

Picture Ppm(unsigned width, unsigned height, unsigned maxValue) {
  const size_t sampleBytes = maxValue >= 256 && maxValue <= 65535 ? 2 : 1;
  const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
                             std::to_string(maxValue) + "\n";
  const std::string label =
      std::to_string(width) + "x" + std::to_string(height) + "-max" + std::to_string(maxValue);
  return {label, header + Samples(size_t{width} * height * 3 * sampleBytes, width * 31 + height)};
}

std::vector<Picture> Corpus() {
  std::vector<Picture> corpus = {
      Ppm(1, 1, 255), Ppm(3, 2, 255),     Ppm(2, 2, 15),      Ppm(5, 3, 65535),
      Ppm(4, 1, 256), Ppm(6, 4, 1),       Ppm(3, 3, 0),       Ppm(2, 2, 70000),
      Ppm(7, 5, 100), Ppm(640, 480, 255), Ppm(333, 77, 1023), Ppm(1, 300, 255),
  };
  const std::string pixels = Samples(4 * 3 * 3, 7);
  const std::vector<Picture> shapes = {
      {"comment", "P6\n# made by hand\n4 3\n255\n" + pixels},
      {"two-comments", "P6\n#a\n#b\n4 3\n255\n" + pixels},
      {"signs-and-blanks", "P6\n  +4   3 \n 255\n" + pixels},
      {"negative-width", "P6\n-4 3\n255\n" + pixels},
      {"wrapping-width", "P6\n4294967300 3\n255\n" + pixels},
      {"crlf", "P6\r\n4 3\r\n255\r\n" + pixels},
      {"third-number", "P6\n4 3 9\n255\n" + pixels},
      {"short-pixels", "P6\n4 3\n255\n" + pixels.substr(0, 10)},
      {"header-only", "P6\n4 3\n255\n"},
      {"zero-size", "P6\n0 3\n255\n" + pixels},
      {"too-large", "P6\n8192 8192\n255\n"},
      {"long-comment", "P6\n#" + std::string(1500, 'c') + "\n4 3\n255\n" + pixels},
      {"long-dimensions", "P6\n0000000000000000000004 3\n255\n" + pixels},
      {"other-magic", "P5\n4 3\n255\n" + pixels},
      {"no-line-feed", "P6 4 3 255 " + pixels},
      {"text", "hello, world\n"},
      {"empty", ""},
  };
  corpus.insert(corpus.end(), shapes.begin(), shapes.end());
  return corpus;
}

// ---- files ----

class TempDirectory {
 public:
  TempDirectory() {
    const char* base = std::getenv("TMPDIR");
    Path_ = std::string(base != nullptr ? base : "/tmp") + "/module_transcript.XXXXXX";
    if (mkdtemp(&Path_[0]) == nullptr) Path_.clear();
  }
  ~TempDirectory() {
    for (const std::string& file : Files_) unlink(file.c_str());
    if (!Path_.empty()) rmdir(Path_.c_str());
  }
  bool Made() const { return !Path_.empty(); }
  const std::string& Path() const { return Path_; }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = Path_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    Files_.push_back(path);
    return path;
  }

 private:
  std::string Path_;
  std::vector<std::string> Files_;
};

// ---- the calls ----

class Transcript {
 public:
  explicit Transcript(const PluginApi& api) : Api_(api) {}

  void Identification() {
    for (int32_t number : {-1, 0, 1, 2, 3, 4, 0x7FFFFFFF}) {
      for (int32_t length : {-5, 0, 4, 5, 6, 17, 18, 22, 23, kInfoBufferSize}) {
        char buffer[kInfoBufferSize];
        std::memset(buffer, kHostFill, sizeof buffer);
        const int32_t result = Api_.GetPluginInfo(number, buffer, length);
        Print("GetPluginInfo " + std::to_string(number) + " " + std::to_string(length) + " -> " +
              std::to_string(result) + " " +
              Hex(reinterpret_cast<const BYTE*>(buffer), sizeof buffer));
      }
    }
  }

  void NotImplemented() {
    for (LONG_PTR argument : {LONG_PTR{0}, kJunk}) {
      const LONG_PTR a = argument;
      Print("GetPreview -> " + std::to_string(Api_.GetPreview(a, a, a, a, a, a, a)));
      Print("GetArchiveInfo -> " + std::to_string(Api_.GetArchiveInfo(a, a, a, a)));
      Print("GetFileInfo -> " + std::to_string(Api_.GetFileInfo(a, a, a, a, a)));
      Print("GetFile -> " + std::to_string(Api_.GetFile(a, a, a, a, a, a)));
    }
    Api_.CounterDown();
    Api_.CounterUp();
    Print("counter entries called");
  }

  void ProbeAddress(const std::string& label, const std::string& bytes) {
    std::vector<BYTE> buffer(kProbeBufferSize > bytes.size() ? kProbeBufferSize : bytes.size());
    std::memcpy(buffer.data(), bytes.data(), bytes.size());
    const UINT_PTR head = reinterpret_cast<UINT_PTR>(buffer.data());
    Print("IsSupported address " + label + " -> " +
          std::to_string(Api_.IsSupported("picture.ppm", head)) + Live());
  }

  void ProbeHandle(const std::string& label, const std::string& path, unsigned long failAt = 0) {
    const HANDLE file = Api_.CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Print("IsSupported handle " + label + ": cannot open the file");
      return;
    }
    const int32_t result = WithFault(
        failAt, [&] { return Api_.IsSupported(path.c_str(), reinterpret_cast<UINT_PTR>(file)); });
    const DWORD position = SetFilePointer(file, 0, nullptr, FILE_CURRENT);
    Api_.CloseHandle(file);
    Print("IsSupported handle " + label + Failure(failAt) + " -> " + std::to_string(result) +
          " position " + std::to_string(position) + Live());
  }

  void Info(const std::string& label, LPCSTR source, LONG offsetOrSize, UINT flags,
            unsigned long failAt = 0) {
    PictureInfoRecord record;
    std::memset(&record, kHostFill, sizeof record);
    const int32_t result = WithFault(
        failAt, [&] { return Api_.GetPictureInfo(source, offsetOrSize, flags, &record); });
    Print("GetPictureInfo " + label + Failure(failAt) + " -> " + std::to_string(result) +
          " record " + Hex(reinterpret_cast<const BYTE*>(&record), sizeof record) + Live());
  }

  void Decode(const std::string& label, LPCSTR source, LONG offsetOrSize, UINT flags,
              unsigned long failAt = 0) {
    HGLOBAL info = kHostHandle;
    HGLOBAL bits = kHostHandle;
    const int32_t result = WithFault(failAt, [&] {
      return Api_.GetPicture(source, offsetOrSize, flags, &info, &bits, kJunk, kJunk);
    });
    const std::string header =
        "GetPicture " + label + Failure(failAt) + " -> " + std::to_string(result);
    const std::string blocks =
        " info " + TakeBlock(info, kUnwrittenHeaderBytes) + " bits " + TakeBlock(bits, 0);
    Print(header + blocks + Live());
  }

  // Every platform call that may fail, failed in turn.
  template <typename Call>
  void Sweep(Call call) {
    call(0);
    const unsigned long calls = FailableCalls_;
    for (unsigned long n = 1; n <= calls; ++n) call(n);
  }

 private:
  // Makes the failAt-th failable platform call of the plug-in fail (0: none)
  // and notes what the plug-in called.
  template <typename Call>
  int32_t WithFault(unsigned long failAt, Call call) {
    PlatformFailCall(failAt);
    const int32_t result = call();
    FailableCalls_ = PlatformFailableCalls();
    FailedCall_ = PlatformFailedCall();
    PlatformFailCall(0);
    return result;
  }

  std::string Failure(unsigned long failAt) const {
    if (failAt == 0) return "";
    return " failing call " + std::to_string(failAt) + " (" +
           (FailedCall_ != nullptr ? FailedCall_ : "none") + ")";
  }

  // Describes a block the plug-in handed over, all but its unwritten last
  // bytes, then frees it as a host does.
  std::string TakeBlock(HGLOBAL block, size_t unwritten) {
    if (block == kHostHandle) return "untouched";
    if (block == nullptr) return "null";
    const SIZE_T size = Api_.GlobalSize(block);
    const BYTE* bytes = static_cast<const BYTE*>(Api_.GlobalLock(block));
    const size_t shownSize = size > unwritten ? size - unwritten : 0;
    const std::string shown = bytes != nullptr ? Shown(bytes, shownSize) : "unlockable";
    const BOOL stillLocked = Api_.GlobalUnlock(block);
    Api_.GlobalFree(block);
    return std::to_string(size) + (stillLocked ? " left locked " : " ") + shown;
  }

  const PluginApi& Api_;
  unsigned long FailableCalls_ = 0;
  const char* FailedCall_ = nullptr;
};

void DrivePicture(Transcript& transcript, TempDirectory& files, const Picture& picture) {
  const std::string& bytes = picture.Bytes;
  const std::string& label = picture.Label;
  const std::string file = files.Write(label + ".ppm", bytes);
  const std::string atOffset =
      files.Write(label + ".at-offset",
                  std::string(kPictureOffset, 'x') + bytes + std::string(kProbeBufferSize, '\0'));
  const LONG size = static_cast<LONG>(bytes.size());

  transcript.ProbeAddress(label, bytes);
  transcript.ProbeHandle(label, file);
  transcript.Info(label + " memory", bytes.data(), size, kInputMemory);
  transcript.Info(label + " file", file.c_str(), 0, kInputFile);
  transcript.Info(label + " file at offset", atOffset.c_str(), kPictureOffset, kInputFile);
  transcript.Decode(label + " memory", bytes.data(), size, kInputMemory);
  transcript.Decode(label + " file", file.c_str(), 0, kInputFile);
  transcript.Decode(label + " file at offset", atOffset.c_str(), kPictureOffset, kInputFile);
}

// Input that is wrong in how it is handed over rather than in its bytes.
void DriveHandOvers(Transcript& transcript, TempDirectory& files) {
  const Picture picture = Ppm(3, 2, 255);
  const std::string& bytes = picture.Bytes;
  const std::string file = files.Write("hand-over.ppm", bytes);
  const std::string missing = files.Path() + "/missing.ppm";
  const std::string empty = files.Write("empty-file.ppm", "");
  for (UINT flags : {2u, 3u, 4u, 7u, 0x101u, 0xFFFFFFF8u}) {
    const std::string label = "flags " + std::to_string(flags);
    transcript.Info(label, bytes.data(), static_cast<LONG>(bytes.size()), flags);
    transcript.Decode(label, bytes.data(), static_cast<LONG>(bytes.size()), flags);
  }
  for (LONG count : {-1, 0, 5, 14, 15}) {
    const std::string label = "memory count " + std::to_string(count);
    transcript.Info(label, bytes.data(), count, kInputMemory);
    transcript.Decode(label, bytes.data(), count, kInputMemory);
  }
  for (LONG offset : {-1, 1, 5000}) {
    const std::string label = "file offset " + std::to_string(offset);
    transcript.Info(label, file.c_str(), offset, kInputFile);
    transcript.Decode(label, file.c_str(), offset, kInputFile);
  }
  for (const auto& [label, path] : {std::pair<std::string, std::string>{"missing file", missing},
                                    {"directory", files.Path()},
                                    {"empty file", empty}}) {
    transcript.Info(label, path.c_str(), 0, kInputFile);
    transcript.Decode(label, path.c_str(), 0, kInputFile);
  }
  transcript.ProbeHandle("empty file", empty);
}

void DriveFaults(Transcript& transcript, TempDirectory& files) {
  const Picture picture = Ppm(3, 2, 255);
  const std::string& bytes = picture.Bytes;
  const std::string file = files.Write("faults.ppm", bytes);
  const std::string padded = files.Write("faults-padded.ppm", bytes + std::string(2048, '\0'));
  const LONG size = static_cast<LONG>(bytes.size());
  transcript.Sweep([&](unsigned long n) { transcript.ProbeHandle("faults", padded, n); });
  transcript.Sweep(
      [&](unsigned long n) { transcript.Info("faults file", padded.c_str(), 0, kInputFile, n); });
  transcript.Sweep([&](unsigned long n) {
    transcript.Decode("faults memory", bytes.data(), size, kInputMemory, n);
  });
  transcript.Sweep(
      [&](unsigned long n) { transcript.Decode("faults file", file.c_str(), 0, kInputFile, n); });
}

}  // namespace

int main(int argc, char** argv) {
  PluginApi api{};
  std::string problem;
  if (argc > 2 || !OpenPlugin(argc == 2 ? argv[1] : nullptr, api, problem)) {
    std::fprintf(stderr, "module_transcript: %s\n",
                 problem.empty() ? "usage: module_transcript [MODULE]" : problem.c_str());
    return EXIT_FAILURE;
  }
  TempDirectory files;
  if (!files.Made()) {
    std::fprintf(stderr, "module_transcript: cannot make a temporary directory\n");
    return EXIT_FAILURE;
  }
  Transcript transcript(api);
  transcript.Identification();
  transcript.NotImplemented();
  for (const Picture& picture : Corpus()) DrivePicture(transcript, files, picture);
  DriveHandOvers(transcript, files);
  DriveFaults(transcript, files);
  Print("end of transcript");
  return EXIT_SUCCESS;
}
