// Identification texts, the functions not implemented and the entry routine.
#include <cstring>

#include "entry.h"
#include "support.h"

namespace {

constexpr char kUntouched = '\x5A';
constexpr int32_t kBufferSize = 64;

struct InfoCase {
  int32_t InfoNumber;
  const char* Text;  // null: the number selects no text
};

const InfoCase kTexts[] = {
    {0, "00IN"},
    {1, "Brindle Ver. 0.00"},
    {2, "*.PPM"},
    {3, "Portable Pixel Map (?)"},
};

const InfoCase kNoTexts[] = {{4, nullptr}, {5, nullptr}, {-1, nullptr}, {0x7FFFFFFF, nullptr}};

class PluginInfo : public ::testing::TestWithParam<InfoCase> {
 protected:
  // Calls GetPluginInfo with the given length on a buffer of kUntouched bytes.
  int32_t Call(int32_t bufferLength) {
    std::memset(Buffer, kUntouched, sizeof Buffer);
    return GetPluginInfo(GetParam().InfoNumber, Buffer, bufferLength);
  }

  bool BufferUntouched() const {
    for (char c : Buffer) {
      if (c != kUntouched) return false;
    }
    return true;
  }

  char Buffer[kBufferSize];
};

using PluginInfoText = PluginInfo;

TEST_P(PluginInfoText, CopiesWholeTextWithItsNulAndNothingMore) {
  const char* text = GetParam().Text;
  const int32_t length = static_cast<int32_t>(std::strlen(text));
  EXPECT_EQ(Call(length + 1), length + 1);
  EXPECT_STREQ(Buffer, text);
  EXPECT_EQ(Buffer[length + 1], kUntouched);
  EXPECT_EQ(Call(kBufferSize), length + 1);
  EXPECT_EQ(Buffer[length + 1], kUntouched);
}

TEST_P(PluginInfo, WritesNothingWhenTooSmallOrUnknown) {
  const char* text = GetParam().Text;
  const int32_t tooSmall = text != nullptr ? static_cast<int32_t>(std::strlen(text)) : kBufferSize;
  for (int32_t length : {tooSmall, 0, -1, INT32_MIN}) {
    EXPECT_EQ(Call(length), 0) << "length " << length;
    EXPECT_TRUE(BufferUntouched()) << "length " << length;
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, PluginInfoText, ::testing::ValuesIn(kTexts));
INSTANTIATE_TEST_SUITE_P(Texts, PluginInfo, ::testing::ValuesIn(kTexts));
INSTANTIATE_TEST_SUITE_P(NoTexts, PluginInfo, ::testing::ValuesIn(kNoTexts));

TEST(NotImplemented, AnswersMinusOneWhateverTheArguments) {
  for (LONG_PTR any : {LONG_PTR{0}, LONG_PTR{-1}, LONG_PTR{0x12345678}}) {
    EXPECT_EQ(GetPreview(any, any, any, any, any, any, any), ResultNotImplemented);
    EXPECT_EQ(GetArchiveInfo(any, any, any, any), ResultNotImplemented);
    EXPECT_EQ(GetFileInfo(any, any, any, any, any), ResultNotImplemented);
    EXPECT_EQ(GetFile(any, any, any, any, any, any), ResultNotImplemented);
  }
}

TEST(EntryRoutine, ReturnsOneForEveryReason) {
  for (DWORD reason :
       {DLL_PROCESS_DETACH, DLL_PROCESS_ATTACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
    EXPECT_EQ(DllMain(nullptr, reason, nullptr), TRUE) << "reason " << reason;
  }
}

}  // namespace
