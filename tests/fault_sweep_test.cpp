// Every platform call that can fail is made to fail in turn, for each export
// and each kind of input. The sweep counts the calls itself, so a call added
// to the code is swept without a new test.
#include <cstring>
#include <iostream>
#include <map>

#include "support.h"

namespace {

const std::string kPicture = PpmPicture(64, 48);
const LONG kPictureSize = static_cast<LONG>(kPicture.size());

// What the host hands in and must find unchanged after any failure.
struct HostState {
  HostState() {
    std::memset(&Record, kHostByte, sizeof Record);
    Blocks.Info = Blocks.Bits = kHostValue;
  }

  // Whatever a successful call handed over is freed with the object.
  ~HostState() {
    if (Blocks.Info == kHostValue) Blocks.Info = nullptr;
    if (Blocks.Bits == kHostValue) Blocks.Bits = nullptr;
  }

  bool Untouched() const {
    PictureInfoRecord fresh;
    std::memset(&fresh, kHostByte, sizeof fresh);
    return std::memcmp(&Record, &fresh, sizeof Record) == 0 && Blocks.Info == kHostValue &&
           Blocks.Bits == kHostValue;
  }

  static constexpr int kHostByte = 0xFF;
  PictureInfoRecord Record;
  Bitmap Blocks;
};

// A picture file, and a handle on it standing at its start.
struct Inputs {
  const char* Path;
  HANDLE Handle;
};

using Codes = std::map<std::string, int32_t>;

struct Scenario {
  const char* Name;
  int32_t (*Call)(HostState&, const Inputs&);
  int32_t Success;
  Codes Failures;  // the result, by the name of the call that failed
};

const Codes kFileCodes = {{"CreateFileA", ResultFileError},
                          {"GlobalAlloc", ResultNoMemory},
                          {"GlobalLock", ResultNoMemory},
                          {"ReadFile", ResultFileError}};
const Codes kMemoryCodes = {{"GlobalAlloc", ResultNoMemory}, {"GlobalLock", ResultNoMemory}};
const Codes kProbeCodes = {{"GlobalAlloc", 0}, {"GlobalLock", 0}, {"ReadFile", 0}};

const Scenario kScenarios[] = {
    {"probe_handle",
     [](HostState&, const Inputs& in) {
       return IsSupported(nullptr, reinterpret_cast<UINT_PTR>(in.Handle));
     },
     1, kProbeCodes},
    {"probe_address",
     [](HostState&, const Inputs&) {
       return IsSupported(nullptr, reinterpret_cast<UINT_PTR>(kPicture.data()));
     },
     1,
     {}},
    {"info_file",
     [](HostState& host, const Inputs& in) {
       return GetPictureInfo(in.Path, 0, kInputFile, &host.Record);
     },
     ResultSuccess, kFileCodes},
    {"info_memory",
     [](HostState& host, const Inputs&) {
       return GetPictureInfo(AsSource(kPicture), kPictureSize, kInputMemory, &host.Record);
     },
     ResultSuccess,
     {}},
    {"picture_file",
     [](HostState& host, const Inputs& in) {
       return GetPicture(in.Path, 0, kInputFile, &host.Blocks.Info, &host.Blocks.Bits, 0, 0);
     },
     ResultSuccess, kFileCodes},
    {"picture_memory",
     [](HostState& host, const Inputs&) {
       return GetPicture(AsSource(kPicture), kPictureSize, kInputMemory, &host.Blocks.Info,
                         &host.Blocks.Bits, 0, 0);
     },
     ResultSuccess, kMemoryCodes},
};

class FaultSweep : public ReleasesEverything, public ::testing::WithParamInterface<Scenario> {
 protected:
  // A file of at least 2,048 bytes, so every path reaches its last call.
  FaultSweep()
      : File_(kPicture),
        Inputs_{File_.Path(), CreateFileA(File_.Path(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr)} {}
  ~FaultSweep() override { CloseHandle(Inputs_.Handle); }

  int32_t Call(HostState& host) {
    SetFilePointer(Inputs_.Handle, 0, nullptr, FILE_BEGIN);
    return GetParam().Call(host, Inputs_);
  }

 private:
  TempFile File_;
  Inputs Inputs_;
};

TEST_P(FaultSweep, EachFailingCallGetsItsCodeAndReleasesAll) {
  const Scenario& scenario = GetParam();
  const PlatformResources before = PlatformLiveResources();
  unsigned long calls = 0;
  {
    HostState host;
    PlatformFailCall(0);
    ASSERT_EQ(Call(host), scenario.Success);
    calls = PlatformFailableCalls();
  }
  for (unsigned long n = 1; n <= calls; ++n) {
    HostState host;
    PlatformFailCall(n);
    const int32_t result = Call(host);
    const char* failed = PlatformFailedCall();
    PlatformFailCall(0);
    ASSERT_NE(failed, nullptr) << "call " << n << " was not made";
    const auto expected = scenario.Failures.find(failed);
    ASSERT_NE(expected, scenario.Failures.end()) << failed << " is not expected";
    EXPECT_EQ(result, expected->second) << "call " << n << ", " << failed;
    EXPECT_TRUE(host.Untouched()) << "call " << n << ", " << failed;
    EXPECT_EQ(PlatformLiveResources(), before) << "call " << n << ", " << failed;
  }
  RecordProperty("fault_points", static_cast<int>(calls));
  std::cout << scenario.Name << ": " << calls << " fault points swept\n";
}

INSTANTIATE_TEST_SUITE_P(Exports, FaultSweep, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
