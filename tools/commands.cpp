#include "commands.h"

#include <algorithm>
#include <limits>

#include "bmp_file.h"
#include "result_text.h"

const char kProgramName[] = "brindle";

namespace {

constexpr const char* kInfoLabels[] = {"interface", "title", "filter", "format"};
constexpr int32_t kInfoTextBufferSize = 128;  // no identification text is longer than 127
constexpr size_t kProbeBytes = 2048;          // as much as viewers hand over to ask
constexpr size_t kLargestMemoryInput = std::numeric_limits<LONG>::max();

constexpr char kSupported[] = "supported";
constexpr char kNotSupported[] = "not supported";
constexpr char kNoInfoText[] = "the plug-in gives no text for information number ";
constexpr char kCannotOpen[] = "cannot open file";
constexpr char kUnusableBitmap[] = "the plug-in handed over a bitmap that cannot be stored";

// Writes results and problems, and remembers whether anything failed.
class Report {
 public:
  Report(std::ostream& out, std::ostream& err) : Out_(out), Err_(err) {}

  std::ostream& Out() { return Out_; }
  void Fail(const std::string& file, const std::string& problem) {
    Err_ << kProgramName << ": " << file << ": " << problem << '\n';
    Failed_ = true;
  }
  void MarkFailed() { Failed_ = true; }
  int Status() const { return Failed_ ? kExitFailure : kExitSuccess; }

 private:
  std::ostream& Out_;
  std::ostream& Err_;
  bool Failed_ = false;
};

// Where the plug-in takes a picture from: the file by name at the offset or,
// with --memory, the file's bytes from the offset on.
struct PictureInput {
  LPCSTR source;
  LONG offsetOrSize;
  UINT flags;
};

bool TakeInput(const std::string& name, const Invocation& invocation, std::vector<BYTE>& bytes,
               PictureInput& input, std::string& problem) {
  if (!invocation.memory) {
    input = {name.c_str(), invocation.offset, kInputFile};
    return true;
  }
  if (!ReadWholeFile(name, kLargestMemoryInput, bytes, problem)) return false;
  const size_t start = std::min(static_cast<size_t>(invocation.offset), bytes.size());
  const LONG count = static_cast<LONG>(bytes.size() - start);
  bytes.push_back(0);  // keeps the address valid when nothing follows the offset
  input = {reinterpret_cast<LPCSTR>(bytes.data() + start), count, kInputMemory};
  return true;
}

// Locks one of the plug-in's blocks for as long as it lives.
class BlockLock {
 public:
  BlockLock(const PluginApi& api, HGLOBAL block)
      : Api_(api), Block_(block), Bytes_(static_cast<const BYTE*>(api.GlobalLock(block))) {}
  ~BlockLock() {
    if (Bytes_ != nullptr) Api_.GlobalUnlock(Block_);
  }
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;

  const BYTE* Bytes() const { return Bytes_; }
  SIZE_T Size() const { return Api_.GlobalSize(Block_); }

 private:
  const PluginApi& Api_;
  HGLOBAL Block_;
  const BYTE* Bytes_;
};

// Frees the blocks that GetPicture handed over: they are the host's now.
class BlockOwner {
 public:
  BlockOwner(const PluginApi& api, HGLOBAL block) : Api_(api), Block_(block) {}
  ~BlockOwner() { Api_.GlobalFree(Block_); }
  BlockOwner(const BlockOwner&) = delete;
  BlockOwner& operator=(const BlockOwner&) = delete;

 private:
  const PluginApi& Api_;
  HGLOBAL Block_;
};

// The pixel bytes that the locked blocks hold, or 0 when they hold no bitmap
// that can be stored.
uint32_t StorablePixelBytes(const BlockLock& header, const BlockLock& pixels) {
  if (header.Bytes() == nullptr || pixels.Bytes() == nullptr) return 0;
  if (header.Size() < kBmpInfoHeaderSize) return 0;
  const uint32_t pixelBytes = BmpPixelBytes(header.Bytes());
  return pixels.Size() >= pixelBytes ? pixelBytes : 0;
}

void About(const PluginApi& api, Report& report) {
  const int32_t count = sizeof kInfoLabels / sizeof kInfoLabels[0];
  for (int32_t number = 0; number < count; ++number) {
    char text[kInfoTextBufferSize];
    if (api.GetPluginInfo(number, text, kInfoTextBufferSize) > 0) {
      report.Out() << kInfoLabels[number] << ": " << text << '\n';
    } else {
      report.Fail(kInfoLabels[number], kNoInfoText + std::to_string(number));
    }
  }
}

// The viewer's way: the file's first bytes, zero-padded, by address.
bool ProbeBytes(const PluginApi& api, const std::string& name, int32_t& verdict,
                std::string& problem) {
  std::vector<BYTE> head;
  if (!ReadFileHead(name, kProbeBytes, head, problem)) return false;
  head.resize(kProbeBytes, 0);
  verdict = api.IsSupported(name.c_str(), reinterpret_cast<UINT_PTR>(head.data()));
  return true;
}

// The file opened by the platform and handed over as a handle.
bool ProbeHandle(const PluginApi& api, const std::string& name, int32_t& verdict,
                 std::string& problem) {
  const HANDLE file =
      api.CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    problem = kCannotOpen;
    return false;
  }
  verdict = api.IsSupported(name.c_str(), reinterpret_cast<UINT_PTR>(file));
  api.CloseHandle(file);
  return true;
}

void Probe(const PluginApi& api, const std::string& name, bool byHandle, Report& report) {
  int32_t verdict = 0;
  std::string problem;
  const bool asked =
      byHandle ? ProbeHandle(api, name, verdict, problem) : ProbeBytes(api, name, verdict, problem);
  if (!asked) return report.Fail(name, problem);
  report.Out() << name << ": " << (verdict != 0 ? kSupported : kNotSupported) << '\n';
  if (verdict == 0) report.MarkFailed();
}

void Info(const PluginApi& api, const std::string& name, const Invocation& invocation,
          Report& report) {
  std::vector<BYTE> bytes;
  PictureInput input;
  std::string problem;
  if (!TakeInput(name, invocation, bytes, input, problem)) return report.Fail(name, problem);
  PictureInfoRecord record = {};
  const int32_t result = api.GetPictureInfo(input.source, input.offsetOrSize, input.flags, &record);
  if (result != ResultSuccess) return report.Fail(name, ResultText(result));
  report.Out() << name << ": " << record.Width << " x " << record.Height << ", "
               << record.BitsPerPixel << " bits per pixel\n";
}

void Decode(const PluginApi& api, const Invocation& invocation, Report& report) {
  const std::string& picture = invocation.files[0];
  const std::string& target = invocation.files[1];
  std::vector<BYTE> bytes;
  PictureInput input;
  std::string problem;
  if (!TakeInput(picture, invocation, bytes, input, problem)) return report.Fail(picture, problem);
  HGLOBAL info = nullptr;
  HGLOBAL bits = nullptr;
  const int32_t result =
      api.GetPicture(input.source, input.offsetOrSize, input.flags, &info, &bits, 0, 0);
  if (result != ResultSuccess) return report.Fail(picture, ResultText(result));

  const BlockOwner infoOwner(api, info);
  const BlockOwner bitsOwner(api, bits);
  const BlockLock header(api, info);
  const BlockLock pixels(api, bits);
  const uint32_t pixelBytes = StorablePixelBytes(header, pixels);
  if (pixelBytes == 0) return report.Fail(picture, kUnusableBitmap);
  if (!WriteBmpFile(target, header.Bytes(), {pixels.Bytes(), pixelBytes}, problem)) {
    report.Fail(target, problem);
  }
}

}  // namespace

int RunCommand(const PluginApi& api, const Invocation& invocation, std::ostream& out,
               std::ostream& err) {
  Report report(out, err);
  switch (invocation.command) {
    case Command::About:
      About(api, report);
      break;
    case Command::Probe:
      for (const std::string& name : invocation.files) Probe(api, name, invocation.handle, report);
      break;
    case Command::Info:
      for (const std::string& name : invocation.files) Info(api, name, invocation, report);
      break;
    case Command::Decode:
      Decode(api, invocation, report);
      break;
  }
  return report.Status();
}
