// The stand-in platform: the behaviour of the Windows functions that the
// plug-in relies on, and the test hooks themselves.
#include "support.h"

namespace {

HANDLE OpenForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     0, nullptr);
}

using PlatformMemory = ReleasesEverything;

TEST_F(PlatformMemory, ZeroByteMovableBlockLocksToNoAddress) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST_F(PlatformMemory, ZeroInitFillsWithZeros) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
  EXPECT_EQ(BlockBytes(block), std::string(100, '\0'));
  GlobalFree(block);
}

TEST_F(PlatformMemory, CountsLiveBlocksAndLocks) {
  const PlatformResources before = PlatformLiveResources();
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_NE(GlobalLock(block), nullptr);
  EXPECT_EQ(PlatformLiveResources(), (PlatformResources{before.Blocks + 1, before.Locks + 1, 0}));
  EXPECT_FALSE(GlobalUnlock(block));  // no lock is left
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST_F(PlatformMemory, RefusesBlocksNo32BitProcessCouldHold) {
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_T{0x80000000}), nullptr);
}

using PlatformFiles = ReleasesEverything;

TEST_F(PlatformFiles, HandlesStayBelow0x10000) {
  const TempFile file("abc");
  const HANDLE handle = OpenForReading(file.Path());
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_LE(reinterpret_cast<UINT_PTR>(handle), kLargestProbeHandle);
  EXPECT_NE(handle, nullptr);
  CloseHandle(handle);
}

TEST_F(PlatformFiles, OpensNoDirectoryAndNoMissingFile) {
  EXPECT_EQ(OpenForReading(::testing::TempDir().c_str()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenForReading("/nonexistent/file"), INVALID_HANDLE_VALUE);
}

TEST_F(PlatformFiles, NegativeDistanceFailsAndLeavesPosition) {
  const TempFile file("abcdef");
  const HANDLE handle = OpenForReading(file.Path());
  EXPECT_EQ(SetFilePointer(handle, 2, nullptr, FILE_BEGIN), 2u);
  EXPECT_EQ(SetFilePointer(handle, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  char byte = 0;
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(handle, &byte, 1, &read, nullptr));
  EXPECT_EQ(byte, 'c');
  CloseHandle(handle);
}

TEST_F(PlatformFiles, ReadAtEndSucceedsWithNoBytes) {
  const TempFile file("ab");
  const HANDLE handle = OpenForReading(file.Path());
  char bytes[8];
  DWORD read = 99;
  EXPECT_TRUE(ReadFile(handle, bytes, sizeof bytes, &read, nullptr));
  EXPECT_EQ(read, 2u);
  EXPECT_TRUE(ReadFile(handle, bytes, sizeof bytes, &read, nullptr));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(GetFileSize(handle, nullptr), 2u);
  CloseHandle(handle);
}

TEST_F(PlatformFiles, ReadFromNoOpenFileFails) {
  char byte;
  DWORD read = 99;
  EXPECT_FALSE(ReadFile(nullptr, &byte, 1, &read, nullptr));
  EXPECT_EQ(read, 0u);
  EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &read, nullptr));
}

using PlatformFaults = ReleasesEverything;

TEST_F(PlatformFaults, FailsExactlyTheNthFailableCall) {
  PlatformFailCall(2);
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_STREQ(PlatformFailedCall(), "GlobalLock");
  EXPECT_NE(GlobalLock(block), nullptr);
  EXPECT_EQ(PlatformFailableCalls(), 3u);
  GlobalUnlock(block);
  GlobalFree(block);
}

}  // namespace
