// The shared library a Linux host loads: every name it needs is exported
// with C linkage, and the plug-in answers through it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "brindle.h"

namespace {

class SharedLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    Library_ = dlopen(BRINDLE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(Library_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (Library_ != nullptr) dlclose(Library_);
  }
  void* Symbol(const char* name) { return dlsym(Library_, name); }

 private:
  void* Library_ = nullptr;
};

TEST_F(SharedLibrary, ExportsInterfaceCountersAndPlatform) {
  for (const char* name :
       {"GetPluginInfo",  "IsSupported", "GetPictureInfo", "GetPicture",    "GetPreview",
        "GetArchiveInfo", "GetFileInfo", "GetFile",        "Spi_main_C4_4", "Spi_main_C4_5",
        "GlobalAlloc",    "GlobalLock",  "GlobalUnlock",   "GlobalFree",    "GlobalSize",
        "CreateFileA",    "GetFileSize", "SetFilePointer", "ReadFile",      "CloseHandle",
        "lstrcpyA",       "lstrlenA"}) {
    EXPECT_NE(Symbol(name), nullptr) << name;
  }
}

TEST_F(SharedLibrary, KeepsDecoderInternalsHidden) {
  EXPECT_EQ(Symbol("PictureFromData"), nullptr);
  EXPECT_EQ(Symbol("_ZN8TPPMFile10ReadHeaderEv"), nullptr);
}

TEST_F(SharedLibrary, AnswersThroughExports) {
  const auto getPluginInfo = reinterpret_cast<decltype(&GetPluginInfo)>(Symbol("GetPluginInfo"));
  ASSERT_NE(getPluginInfo, nullptr);
  char tag[8] = {};
  EXPECT_EQ(getPluginInfo(0, tag, sizeof tag), 5);
  EXPECT_STREQ(tag, "00IN");
}

}  // namespace
