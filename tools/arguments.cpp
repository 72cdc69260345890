#include "arguments.h"

#include <cstdint>
#include <limits>

namespace {

enum Option : unsigned { kOffset = 1, kMemory = 2, kHandle = 4, kModule = 8 };

struct CommandRule {
  const char* name;
  Command command;
  unsigned options;  // the Option bits this command takes
  size_t fewestFiles;
  size_t mostFiles;
  const char* filesWanted;  // the usage error when the count of files is wrong
};

constexpr size_t kAnyNumber = std::numeric_limits<size_t>::max();

constexpr CommandRule kCommands[] = {
    {"about", Command::About, kModule, 0, 0, "'about' takes no files"},
    {"probe", Command::Probe, kHandle | kModule, 1, kAnyNumber, "'probe' needs at least one file"},
    {"info", Command::Info, kOffset | kMemory | kModule, 1, kAnyNumber,
     "'info' needs at least one file"},
    {"decode", Command::Decode, kOffset | kMemory | kModule, 2, 2,
     "'decode' needs a picture file and an output file"},
};

struct OptionRule {
  const char* name;
  Option option;
  bool Invocation::*flag;   // set by the option; none for one that takes a value
  const char* valueWanted;  // the usage error when a value is missing
};

constexpr OptionRule kOptions[] = {
    {"--offset", kOffset, nullptr, "option '--offset' needs a number"},
    {"--memory", kMemory, &Invocation::memory, nullptr},
    {"--handle", kHandle, &Invocation::handle, nullptr},
    {"--module", kModule, nullptr, "option '--module' needs a file"},
};

constexpr char kEndOfOptions[] = "--";
constexpr char kValueMark = '=';

bool IsHelp(const std::string& argument) { return argument == "--help" || argument == "-h"; }

bool IsOption(const std::string& argument) { return argument.size() > 1 && argument[0] == '-'; }

const CommandRule* FindCommand(const std::string& name) {
  for (const CommandRule& rule : kCommands) {
    if (name == rule.name) return &rule;
  }
  return nullptr;
}

const OptionRule* FindOption(const std::string& name) {
  for (const OptionRule& rule : kOptions) {
    if (name == rule.name) return &rule;
  }
  return nullptr;
}

// A byte offset: decimal digits only, and a value the plug-in takes as a
// distance from the file's start.
bool ParseOffset(const std::string& text, LONG& offset) {
  if (text.empty() || text.size() > std::numeric_limits<LONG>::digits10 + 1) return false;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > std::numeric_limits<LONG>::max()) return false;
  offset = static_cast<LONG>(value);
  return true;
}

class Parser {
 public:
  Parser(const std::vector<std::string>& arguments, const CommandRule& rule, Invocation& invocation)
      : Arguments_(arguments), Rule_(rule), Invocation_(invocation) {}

  bool Parse(std::string& problem) {
    bool optionsEnded = false;
    for (Next_ = 1; Next_ < Arguments_.size();) {
      const std::string& argument = Arguments_[Next_++];
      if (!optionsEnded && argument == kEndOfOptions) {
        optionsEnded = true;
      } else if (!optionsEnded && IsOption(argument)) {
        if (!TakeOption(argument, problem)) return false;
      } else {
        Invocation_.files.push_back(argument);
      }
    }
    return CheckFileCount(problem);
  }

 private:
  bool TakeOption(const std::string& argument, std::string& problem) {
    const size_t mark = argument.find(kValueMark);
    const std::string name = argument.substr(0, mark);
    const OptionRule* rule = FindOption(name);
    if (rule == nullptr) {
      problem = "unknown option '" + name + "'";
      return false;
    }
    if ((Rule_.options & rule->option) == 0) {
      problem = "'" + std::string(Rule_.name) + "' takes no option '" + name + "'";
      return false;
    }
    if (rule->flag == nullptr) return TakeValue(*rule, argument, mark, problem);
    if (mark != std::string::npos) {
      problem = "option '" + name + "' takes no value";
      return false;
    }
    Invocation_.*rule->flag = true;
    return true;
  }

  bool TakeValue(const OptionRule& rule, const std::string& argument, size_t mark,
                 std::string& problem) {
    std::string value;
    if (mark != std::string::npos) {
      value = argument.substr(mark + 1);
    } else if (Next_ < Arguments_.size()) {
      value = Arguments_[Next_++];
    } else {
      problem = rule.valueWanted;
      return false;
    }
    if (rule.option == kModule) {
      Invocation_.module = value;
      return true;
    }
    if (!ParseOffset(value, Invocation_.offset)) {
      problem = "invalid offset '" + value + "': give a number from 0 to " +
                std::to_string(std::numeric_limits<LONG>::max());
      return false;
    }
    return true;
  }

  bool CheckFileCount(std::string& problem) const {
    const size_t count = Invocation_.files.size();
    if (count >= Rule_.fewestFiles && count <= Rule_.mostFiles) return true;
    problem = Rule_.filesWanted;
    return false;
  }

  const std::vector<std::string>& Arguments_;
  const CommandRule& Rule_;
  Invocation& Invocation_;
  size_t Next_ = 0;
};

bool AsksForHelp(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == kEndOfOptions) return false;
    if (IsHelp(argument)) return true;
  }
  return false;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& arguments, Invocation& invocation,
                    std::string& problem) {
  invocation = Invocation();
  if (AsksForHelp(arguments)) {
    invocation.help = true;
    return true;
  }
  if (arguments.empty()) {
    problem = "missing command";
    return false;
  }
  const CommandRule* rule = FindCommand(arguments[0]);
  if (rule == nullptr) {
    problem = "unknown command '" + arguments[0] + "'";
    return false;
  }
  invocation.command = rule->command;
  return Parser(arguments, *rule, invocation).Parse(problem);
}

const char kUsage[] =
    "Usage: brindle COMMAND [OPTION]... [FILE]...\n"
    "Reads binary PPM pictures through the Brindle plug-in, the way an image viewer does.\n"
    "\n"
    "Commands:\n"
    "  about                     show the plug-in's four identification texts\n"
    "  probe FILE...             tell whether the plug-in reads each file, judged by\n"
    "                            its first 2,048 bytes\n"
    "  info FILE...              show each picture's width, height and bits per pixel\n"
    "  decode FILE OUT.bmp       decode FILE into OUT.bmp, a 24-bit Windows bitmap\n"
    "\n"
    "Options:\n"
    "  --offset N   (info, decode) the picture begins N bytes into the file; default 0\n"
    "  --memory     (info, decode) hand the plug-in the file's bytes instead of its name\n"
    "  --handle     (probe) hand the plug-in an open file handle instead of the bytes\n"
    "  --module FILE  drive the real 32-bit Windows module FILE (e.g.\n"
    "               build-win32/brindle.spi) instead of the native library; runs\n"
    "               the 32-bit build of this program under qemu-i386-static\n"
    "  -h, --help   show this help and exit\n"
    "\n"
    "Without --memory, info reads exactly 2,048 bytes from the offset on, so a\n"
    "smaller file needs --memory.\n"
    "\n"
    "Exit status: 0 on success; 1 when a file cannot be read or decoded, or probe\n"
    "finds one the plug-in does not read; 2 on a usage error.\n";
