// brindle as a user runs it: arguments, messages, exit status and files.
#include <sys/wait.h>

#include <string>
#include <vector>

#include "scratch_directory.h"

namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A 2 x 2 picture: red, green on top; blue, white below.
const std::string kSmallPicture = std::string("P6\n2 2\n255\n") +
                                  std::string("\xFF\x00\x00\x00\xFF\x00", 6) +
                                  std::string("\x00\x00\xFF\xFF\xFF\xFF", 6);

// 32 x 32: large enough that info reads its 2,048 bytes from the file.
std::string LargePicture() { return "P6\n32 32\n255\n" + std::string(32 * 32 * 3, '\x40'); }

constexpr size_t kJunkBeforePicture = 512;

class ProgramTest : public ScratchDirectory {
 protected:
  void SetUp() override {
    ScratchDirectory::SetUp();
    Write("small.ppm", kSmallPicture);
    Write("large.ppm", LargePicture());
    Write("text.txt", std::string(4096, 't'));
    Write("inside.bin", std::string(kJunkBeforePicture, 'j') + LargePicture());
  }

  // Runs brindle in the work directory, so files can be named plainly.
  Outcome Run(const std::vector<std::string>& arguments) const {
    std::string command = "cd " + Quoted(Directory_) + " && " + Quoted(BRINDLE_PROGRAM);
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    command += " >" + Quoted(Path(".out")) + " 2>" + Quoted(Path(".err"));
    const int status = std::system(command.c_str());
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(".out"),
                    Contents(".err")};
    std::remove(Path(".out").c_str());
    std::remove(Path(".err").c_str());
    return outcome;
  }
};

// The arguments, followed by --memory when asked for.
std::vector<std::string> Arguments(std::vector<std::string> arguments, bool memory) {
  if (memory) arguments.push_back("--memory");
  return arguments;
}

TEST_F(ProgramTest, UsageErrorsExitWith2AndPointToTheHelp) {
  struct Case {
    std::vector<std::string> arguments;
    const char* problem;
  };
  const Case cases[] = {
      {{}, "brindle: missing command\n"},
      {{"fly"}, "brindle: unknown command 'fly'\n"},
      {{"about", "small.ppm"}, "brindle: 'about' takes no files\n"},
      {{"probe"}, "brindle: 'probe' needs at least one file\n"},
      {{"info"}, "brindle: 'info' needs at least one file\n"},
      {{"decode", "small.ppm"}, "brindle: 'decode' needs a picture file and an output file\n"},
      {{"decode", "a", "b", "c"}, "brindle: 'decode' needs a picture file and an output file\n"},
      {{"info", "--bogus", "small.ppm"}, "brindle: unknown option '--bogus'\n"},
      {{"probe", "--memory", "small.ppm"}, "brindle: 'probe' takes no option '--memory'\n"},
      {{"info", "--handle", "small.ppm"}, "brindle: 'info' takes no option '--handle'\n"},
      {{"info", "small.ppm", "--offset"}, "brindle: option '--offset' needs a number\n"},
      {{"info", "small.ppm", "--offset", "-1"},
       "brindle: invalid offset '-1': give a number from 0 to 2147483647\n"},
      {{"info", "small.ppm", "--offset=2147483648"},
       "brindle: invalid offset '2147483648': give a number from 0 to 2147483647\n"},
      {{"info", "small.ppm", "--offset", "12x"},
       "brindle: invalid offset '12x': give a number from 0 to 2147483647\n"},
      {{"info", "--memory=yes", "small.ppm"}, "brindle: option '--memory' takes no value\n"},
      {{"about", "--module"}, "brindle: option '--module' needs a file\n"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Run(c.arguments);
    SCOPED_TRACE(c.problem);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.err, std::string(c.problem) + "Try 'brindle --help' for more information.\n");
    EXPECT_EQ(outcome.out, "");
  }
}

TEST_F(ProgramTest, HelpGoesToStandardOutputWhereverItIsAsked) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--help"}, {"-h"}, {"decode", "--help"}, {"fly", "-h"}}) {
    const Outcome outcome = Run(arguments);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.rfind("Usage: brindle COMMAND", 0), 0u) << outcome.out;
    EXPECT_EQ(outcome.err, "");
  }
}

TEST_F(ProgramTest, AfterADoubleDashAHelpOptionIsAFileName) {
  const Outcome outcome = Run({"probe", "--", "--help"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.err, "brindle: --help: cannot open file (No such file or directory)\n");
}

TEST_F(ProgramTest, AboutShowsTheFourIdentificationTexts) {
  const Outcome outcome = Run({"about"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out.rfind("interface: 00IN\ntitle: Brindle ", 0), 0u) << outcome.out;
  EXPECT_NE(outcome.out.find("\nfilter: *.PPM\nformat: "), std::string::npos) << outcome.out;
}

TEST_F(ProgramTest, ProbeAnswersForEveryFileInBothForms) {
  for (bool handle : {false, true}) {
    std::vector<std::string> arguments = {"probe", "small.ppm", "text.txt", "missing.ppm",
                                          "large.ppm"};
    if (handle) arguments.push_back("--handle");
    const Outcome outcome = Run(arguments);
    SCOPED_TRACE(handle ? "handle" : "bytes");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "small.ppm: supported\ntext.txt: not supported\nlarge.ppm: supported\n");
    EXPECT_EQ(outcome.err.rfind("brindle: missing.ppm: cannot open file", 0), 0u) << outcome.err;
  }
  EXPECT_EQ(Run({"probe", "--handle", "small.ppm", "large.ppm"}).status, 0);
  EXPECT_EQ(Run({"probe", "small.ppm", "large.ppm"}).status, 0);
}

TEST_F(ProgramTest, InfoReportsTheSizeOfEachPicture) {
  const Outcome outcome = Run({"info", "large.ppm", "text.txt", "small.ppm"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "large.ppm: 32 x 32, 24 bits per pixel\n");
  // From a file the plug-in reads exactly 2,048 bytes; small.ppm has fewer.
  EXPECT_EQ(outcome.err,
            "brindle: text.txt: not a picture this plug-in reads\n"
            "brindle: small.ppm: cannot open file, or cannot read enough of it\n");
}

TEST_F(ProgramTest, InfoTakesAnOffsetAndMemoryInput) {
  EXPECT_EQ(Run({"info", "--memory", "small.ppm"}).out, "small.ppm: 2 x 2, 24 bits per pixel\n");
  for (bool memory : {false, true}) {
    const Outcome outcome = Run(Arguments({"info", "--offset", "512", "inside.bin"}, memory));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "inside.bin: 32 x 32, 24 bits per pixel\n");
  }
  const Outcome pastTheEnd = Run({"info", "--memory", "--offset=99999", "small.ppm"});
  EXPECT_EQ(pastTheEnd.err, "brindle: small.ppm: not a picture this plug-in reads\n");
}

// The BMP of the small picture: bottom row first, each pixel blue, green,
// red, each row padded to 8 bytes (the padding's value is not checked).
void ExpectSmallBitmap(const std::string& bmp) {
  ASSERT_EQ(bmp.size(), 54u + 16u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(bmp.substr(2, 4), std::string("\x46\0\0\0", 4));         // file size 70
  EXPECT_EQ(bmp.substr(10, 4), std::string("\x36\0\0\0", 4));        // pixels at 54
  EXPECT_EQ(bmp.substr(14, 4), std::string("\x28\0\0\0", 4));        // 40-byte header
  EXPECT_EQ(bmp.substr(18, 8), std::string("\2\0\0\0\2\0\0\0", 8));  // 2 x 2, bottom-up
  EXPECT_EQ(bmp.substr(28, 2), std::string("\x18\0", 2));            // 24 bits
  EXPECT_EQ(bmp.substr(54, 6), std::string("\xFF\x00\x00\xFF\xFF\xFF", 6));
  EXPECT_EQ(bmp.substr(62, 6), std::string("\x00\x00\xFF\x00\xFF\x00", 6));
}

TEST_F(ProgramTest, DecodeWritesAStandardBmpFileInEachForm) {
  Write("inside_small.bin", std::string(kJunkBeforePicture, 'j') + kSmallPicture);
  for (bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory" : "file");
    const Outcome plain = Run(Arguments({"decode", "small.ppm", "plain.bmp"}, memory));
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out + plain.err, "");
    ExpectSmallBitmap(Contents("plain.bmp"));
    const Outcome inside =
        Run(Arguments({"decode", "--offset=512", "inside_small.bin", "in.bmp"}, memory));
    EXPECT_EQ(inside.status, 0) << inside.err;
    ExpectSmallBitmap(Contents("in.bmp"));
  }
}

TEST_F(ProgramTest, AFailedDecodeLeavesTheOutputFileAsItWas) {
  Write("kept.bmp", "an earlier picture");
  const Outcome notAPicture = Run({"decode", "text.txt", "kept.bmp"});
  EXPECT_EQ(notAPicture.status, 1);
  EXPECT_EQ(notAPicture.err, "brindle: text.txt: not a picture this plug-in reads\n");
  EXPECT_EQ(Contents("kept.bmp"), "an earlier picture");

  const Outcome missing = Run({"decode", "missing.ppm", "kept.bmp"});
  EXPECT_EQ(missing.err, "brindle: missing.ppm: cannot open file, or cannot read enough of it\n");
  const Outcome empty = (Write("empty.ppm", ""), Run({"decode", "empty.ppm", "kept.bmp"}));
  EXPECT_EQ(empty.err, "brindle: empty.ppm: out of memory, or the file is empty\n");
  EXPECT_EQ(Contents("kept.bmp"), "an earlier picture");

  const Outcome unwritable = Run({"decode", "small.ppm", "no/such/dir/out.bmp"});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.err,
            "brindle: no/such/dir/out.bmp: cannot write file (No such file or directory)\n");
}

TEST_F(ProgramTest, TheShippedSampleDecodes) {
  const Outcome outcome = Run({"decode", BRINDLE_SAMPLE, "sample.bmp"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(Contents("sample.bmp").size(), 54u + 128 * 3 * 96);
}

}  // namespace
