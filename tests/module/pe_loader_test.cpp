// The real module as the 32-bit host loads it: its exports by name and
// ordinal, the counter calls around its entry routine, the argument count of
// every export, and a loader that refuses what it cannot load faithfully.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "pe_plugin.h"
#include "stdcall_call.h"

namespace {

constexpr char kModulePath[] = BRINDLE_MODULE;
constexpr uint32_t kCounterAfterLoad = 0xFFFFFFFF;  // -1

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Offsets of the 32-bit words that differ between two snapshots.
std::vector<size_t> ChangedWords(const std::string& before, const std::string& after) {
  std::vector<size_t> changed;
  for (size_t at = 0; at + 4 <= before.size() && at + 4 <= after.size(); at += 4) {
    if (before.compare(at, 4, after, at, 4) != 0) changed.push_back(at);
  }
  return changed;
}

uint32_t WordAt(const std::string& bytes, size_t at) {
  uint32_t word;
  std::memcpy(&word, bytes.data() + at, sizeof word);
  return word;
}

class RealModule : public ::testing::Test {
 protected:
  void SetUp() override {
    Module = PeModule::Load(kModulePath, StandInKernel(), Problem);
    ASSERT_NE(Module, nullptr) << Problem;
  }

  StdcallOutcome Call(const char* name, const std::vector<uint32_t>& arguments) const {
    const void* address = Module->Export(name).Address;
    EXPECT_NE(address, nullptr) << name;
    return CallStdcall(address, arguments.data(), arguments.size());
  }

  std::unique_ptr<PeModule> Module;
  std::string Problem;
};

TEST_F(RealModule, ExportsEachNameAtItsOrdinal) {
  const char* const names[] = {
      "@Spi_main@C4_4", "@Spi_main@C4_5", "GetArchiveInfo", "GetFile",    "GetFileInfo",
      "GetPicture",     "GetPictureInfo", "GetPluginInfo",  "GetPreview", "IsSupported"};
  for (uint32_t i = 0; i < std::size(names); ++i) {
    EXPECT_EQ(Module->Export(names[i]).Ordinal, i + 1) << names[i];
  }
  for (const char* inner : {"Spi_main_C4_4", "_GetPicture@28", "GetPicture@28", "DllMain"}) {
    EXPECT_EQ(Module->Export(inner).Address, nullptr) << inner;
  }
  EXPECT_EQ(Module->ExportDirectoryName(), "brindle.spi");
}

TEST_F(RealModule, RunsRelocatedAwayFromItsPreferredBase) {
  EXPECT_NE(Module->Base(), Module->PreferredBase());
  ASSERT_TRUE(Module->Attach(Problem)) << Problem;
  char text[8] = {};
  const uint32_t arguments[] = {0, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)),
                                sizeof text};
  const StdcallOutcome outcome =
      CallStdcall(Module->Export("GetPluginInfo").Address, arguments, std::size(arguments));
  EXPECT_EQ(outcome.Result, 5u);
  EXPECT_STREQ(text, "00IN");
}

// Loading moves the private counter from 0 to -1 before the entry routine
// runs, unloading back to 0 after it; the counter entries move it too.
TEST_F(RealModule, CounterCallsBracketTheEntryRoutine) {
  const std::string loaded = Module->WritableBytes();
  ASSERT_TRUE(Module->Attach(Problem)) << Problem;
  const std::string attached = Module->WritableBytes();
  const std::vector<size_t> changed = ChangedWords(loaded, attached);
  ASSERT_EQ(changed.size(), 1u) << "attaching should move the counter alone";
  const size_t counter = changed[0];
  EXPECT_EQ(WordAt(loaded, counter), 0u);
  EXPECT_EQ(WordAt(attached, counter), kCounterAfterLoad);

  EXPECT_TRUE(Balanced(Call("@Spi_main@C4_5", {})));
  EXPECT_EQ(WordAt(Module->WritableBytes(), counter), 0u);
  EXPECT_TRUE(Balanced(Call("@Spi_main@C4_4", {})));
  EXPECT_EQ(WordAt(Module->WritableBytes(), counter), kCounterAfterLoad);

  ASSERT_TRUE(Module->Detach(Problem)) << Problem;
  EXPECT_EQ(Module->WritableBytes(), loaded);
}

TEST_F(RealModule, EntryRoutineReturnsOneForEveryReason) {
  for (uint32_t reason : {0u, 1u, 2u, 3u}) {
    const uint32_t arguments[] = {Module->Base(), reason, 0};
    const StdcallOutcome outcome = CallStdcall(Module->EntryRoutine(), arguments, 3);
    EXPECT_TRUE(Balanced(outcome)) << "reason " << reason;
    EXPECT_EQ(outcome.Result, 1u) << "reason " << reason;
  }
}

// Each export, with arguments that make it answer at once, removes exactly
// its own arguments and keeps the registers a caller relies on.
TEST_F(RealModule, EveryExportRemovesExactlyItsArguments) {
  constexpr uint32_t kUnknownKind = 2;
  constexpr uint32_t kNotAccepted = 2;
  constexpr uint32_t kNotImplemented = 0xFFFFFFFF;
  const struct {
    const char* Name;
    std::vector<uint32_t> Arguments;
    uint32_t Result;
  } cases[] = {
      {"GetPluginInfo", {99, 0, 0}, 0},
      {"IsSupported", {0, 0}, 0},
      {"GetPictureInfo", {0, 0, kUnknownKind, 0}, kNotAccepted},
      {"GetPicture", {0, 0, kUnknownKind, 0, 0, 0, 0}, kNotAccepted},
      {"GetPreview", {0, 0, 0, 0, 0, 0, 0}, kNotImplemented},
      {"GetArchiveInfo", {0, 0, 0, 0}, kNotImplemented},
      {"GetFileInfo", {0, 0, 0, 0, 0}, kNotImplemented},
      {"GetFile", {0, 0, 0, 0, 0, 0}, kNotImplemented},
  };
  for (const auto& c : cases) {
    const StdcallOutcome outcome = Call(c.Name, c.Arguments);
    EXPECT_TRUE(Balanced(outcome)) << c.Name << " moved the stack by " << outcome.StackDrift;
    EXPECT_EQ(outcome.Result, c.Result) << c.Name;
  }
  EXPECT_TRUE(Balanced(Call("@Spi_main@C4_4", {})));
  EXPECT_TRUE(Balanced(Call("@Spi_main@C4_5", {})));
}

TEST_F(RealModule, StackCheckCatchesAWrongArgumentCount) {
  EXPECT_EQ(Call("GetPicture", {0, 0, 2, 0, 0, 0}).StackDrift, 4);
  EXPECT_EQ(Call("GetPicture", {0, 0, 2, 0, 0, 0, 0, 0}).StackDrift, -4);
  EXPECT_EQ(Call("@Spi_main@C4_5", {0}).StackDrift, -4);
}

// A loader that shrugged these off would prove nothing about the module.
TEST(PeLoader, RefusesWhatItCannotLoadFaithfully) {
  const std::string module = FileBytes(kModulePath);
  ASSERT_GT(module.size(), 0x40u);
  const size_t machine = WordAt(module, 0x3C) + 4;
  const struct {
    const char* Label;
    size_t At;
    std::string Bytes;  // written over the module's bytes at At
    std::string Reason;
  } cases[] = {
      {"no MZ header", 0, "XX", "no MZ header"},
      {"64-bit machine", machine, std::string("\x64\x86", 2), "not made for 32-bit x86"},
      {"other library", module.find("KERNEL32.dll"), "MSVCRT32.dll", "imports from MSVCRT32.dll"},
      {"unknown function", module.find("lstrlenA"), "lstrlenW", "imports lstrlenW"},
  };
  const std::string path = ::testing::TempDir() + "broken.spi";
  for (const auto& c : cases) {
    ASSERT_NE(c.At, std::string::npos) << c.Label;
    std::string broken = module;
    broken.replace(c.At, c.Bytes.size(), c.Bytes);
    std::ofstream(path, std::ios::binary) << broken;
    std::string problem;
    EXPECT_EQ(PeModule::Load(path, StandInKernel(), problem), nullptr) << c.Label;
    EXPECT_NE(problem.find(c.Reason), std::string::npos) << c.Label << ": " << problem;
  }
  std::ofstream(path, std::ios::binary) << module.substr(0, 0x100);
  std::string problem;
  EXPECT_EQ(PeModule::Load(path, StandInKernel(), problem), nullptr);
  EXPECT_NE(problem.find("cut short"), std::string::npos) << problem;
  std::remove(path.c_str());
}

}  // namespace
