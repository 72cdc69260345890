// Calls a function of the real module the way a Windows host does, and
// reports whether the callee kept the stack and registers as the convention
// demands. 32-bit x86 only.
#pragma once

#include <cstddef>
#include <cstdint>

struct StdcallOutcome {
  uint32_t Result;
  // Stack pointer after the call minus before the arguments were pushed: 0
  // when the callee removed exactly its own arguments.
  int32_t StackDrift;
  // Whether ebx, esi and edi came back as they went in.
  uint32_t RegistersKept;
};

// Pushes count 32-bit arguments right to left, with the stack aligned to
// 4 bytes only (all Windows promises), and calls function.
StdcallOutcome CallStdcall(const void* function, const uint32_t* arguments, size_t count);

inline bool Balanced(const StdcallOutcome& outcome) {
  return outcome.StackDrift == 0 && outcome.RegistersKept != 0;
}
