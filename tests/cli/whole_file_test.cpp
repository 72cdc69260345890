#include "whole_file.h"

#include <dirent.h>
#include <sys/stat.h>

#include "scratch_directory.h"

namespace {

class WholeFileTest : public ScratchDirectory {
 protected:
  size_t EntryCount() const {
    size_t count = 0;
    DIR* directory = opendir(Directory_.c_str());
    while (readdir(directory) != nullptr) ++count;
    closedir(directory);
    return count - 2;  // "." and ".."
  }
};

const BYTE kFirst[] = {'a', 'b'};
const BYTE kSecond[] = {'c'};

TEST_F(WholeFileTest, ReplaceFileWritesThePartsInOrderOverAnExistingFile) {
  Write("out", "an older and longer content");
  std::string problem;
  ASSERT_TRUE(ReplaceFile(Path("out"), {{kFirst, 2}, {kSecond, 1}}, problem)) << problem;
  EXPECT_EQ(Contents("out"), "abc");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(WholeFileTest, ANewFileGetsTheUsualModeNotThePrivateOneOfATemporaryFile) {
  const mode_t previous = umask(022);
  std::string problem;
  ASSERT_TRUE(ReplaceFile(Path("out"), {{kFirst, 2}}, problem)) << problem;
  umask(previous);
  struct stat status;
  ASSERT_EQ(stat(Path("out").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST_F(WholeFileTest, AFailedReplacementKeepsTheTargetAndLeavesNoTemporaryFile) {
  ASSERT_EQ(mkdir(Path("taken").c_str(), 0755), 0);  // a directory cannot be replaced by a file
  std::string problem;
  EXPECT_FALSE(ReplaceFile(Path("taken"), {{kFirst, 2}}, problem));
  EXPECT_NE(problem.find("cannot write file"), std::string::npos) << problem;
  struct stat status;
  ASSERT_EQ(stat(Path("taken").c_str(), &status), 0);
  EXPECT_TRUE(S_ISDIR(status.st_mode));
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(WholeFileTest, ATargetInAMissingDirectoryIsRefused) {
  std::string problem;
  EXPECT_FALSE(ReplaceFile(Path("missing/out"), {{kFirst, 2}}, problem));
  EXPECT_NE(problem.find("No such file or directory"), std::string::npos) << problem;
}

TEST_F(WholeFileTest, ReadFileHeadStopsAtTheCountOrAtTheEnd) {
  Write("five", "12345");
  std::vector<BYTE> bytes;
  std::string problem;
  ASSERT_TRUE(ReadFileHead(Path("five"), 3, bytes, problem));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "123");
  ASSERT_TRUE(ReadFileHead(Path("five"), 2048, bytes, problem));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "12345");
}

TEST_F(WholeFileTest, ReadWholeFileRefusesAFileAboveTheLimit) {
  Write("five", "12345");
  std::vector<BYTE> bytes;
  std::string problem;
  EXPECT_TRUE(ReadWholeFile(Path("five"), 5, bytes, problem));
  EXPECT_EQ(bytes.size(), 5u);
  EXPECT_FALSE(ReadWholeFile(Path("five"), 4, bytes, problem));
  EXPECT_NE(problem.find("too large"), std::string::npos) << problem;
}

TEST_F(WholeFileTest, ReadingTellsWhyAFileCannotBeOpenedOrRead) {
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  std::vector<BYTE> bytes;
  std::string problem;
  EXPECT_FALSE(ReadWholeFile(Path("missing"), 5, bytes, problem));
  EXPECT_EQ(problem, "cannot open file (No such file or directory)");
  EXPECT_FALSE(ReadFileHead(Path("folder"), 5, bytes, problem));
  EXPECT_EQ(problem, "cannot read file (Is a directory)");
}

}  // namespace
