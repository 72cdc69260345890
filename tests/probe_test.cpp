// The format probe, in its address form and its handle form.
#include <fcntl.h>
#include <unistd.h>

#include "support.h"

namespace {

constexpr LONG kProbeBytes = 2048;

UINT_PTR AddressOf(const std::string& bytes) { return reinterpret_cast<UINT_PTR>(bytes.data()); }

class Probe : public ReleasesEverything {};

TEST_F(Probe, AddressFormJudgesHeaderAlone) {
  EXPECT_EQ(IsSupported(nullptr, AddressOf(PpmHeader(3, 2))), 1);
  EXPECT_EQ(IsSupported("picture.bmp", AddressOf(PpmPicture(3, 2))), 1);
  EXPECT_EQ(IsSupported(nullptr, AddressOf(std::string("P3\n3 2\n255\n"))), 0);
  EXPECT_EQ(IsSupported(nullptr, AddressOf(std::string("P6\n3 2\n\n"))), 0);
}

// An open handle of the stand-in, positioned, closed with the object.
class ProbeHandle {
 public:
  ProbeHandle(const char* path, LONG position)
      : Handle_(
            CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {
    SetFilePointer(Handle_, position, nullptr, FILE_BEGIN);
  }
  ~ProbeHandle() { CloseHandle(Handle_); }
  UINT_PTR Value() const { return reinterpret_cast<UINT_PTR>(Handle_); }
  DWORD Position() const { return SetFilePointer(Handle_, 0, nullptr, FILE_CURRENT); }

 private:
  HANDLE Handle_;
};

struct HandleCase {
  const char* Name;
  std::string Contents;
  LONG Position;
  int32_t Verdict;
};

const HandleCase kHandleCases[] = {
    {"picture_at_start", PpmPicture(40, 40), 0, 1},
    {"header_only_short_file", PpmHeader(3, 2), 0, 1},
    {"picture_where_handle_stands", std::string(100, 'x') + PpmPicture(3, 2), 100, 1},
    {"not_where_handle_stands", PpmPicture(3, 2), 1, 0},
    {"handle_at_end_of_file", PpmPicture(3, 2), 29, 0},
    {"header_cut_by_file_end", "P6\n3 2\n", 0, 0},
    {"empty_file", "", 0, 0},
};

class ProbeHandleForm : public ReleasesEverything,
                        public ::testing::WithParamInterface<HandleCase> {};

TEST_P(ProbeHandleForm, ReadsFromWhereHandleStandsAndLeavesItThere) {
  const HandleCase& c = GetParam();
  const TempFile file(c.Contents);
  const ProbeHandle handle(file.Path(), c.Position);
  EXPECT_EQ(IsSupported(nullptr, handle.Value()), c.Verdict);
  const LONG size = static_cast<LONG>(c.Contents.size());
  EXPECT_EQ(handle.Position(), static_cast<DWORD>(std::min(size, c.Position + kProbeBytes)));
}

INSTANTIATE_TEST_SUITE_P(Files, ProbeHandleForm, ::testing::ValuesIn(kHandleCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Probe, HandleValuesThatAreNoOpenFileAnswerNo) {
  for (UINT_PTR head : {UINT_PTR{0}, UINT_PTR{4}, kLargestProbeHandle}) {
    EXPECT_EQ(IsSupported(nullptr, head), 0) << "head " << head;
  }
}

// The probe reads; it does not own the handle, so it must not close it.
TEST_F(Probe, LeavesHandleOpen) {
  const TempFile file(PpmPicture(3, 2));
  const ProbeHandle handle(file.Path(), 0);
  EXPECT_EQ(IsSupported(nullptr, handle.Value()), 1);
  EXPECT_EQ(SetFilePointer(reinterpret_cast<HANDLE>(handle.Value()), 0, nullptr, FILE_BEGIN), 0u);
  EXPECT_EQ(IsSupported(nullptr, handle.Value()), 1);
}

}  // namespace
