#include "stdcall_call.h"

extern "C" void StdcallCallRaw(const void* function, const uint32_t* arguments, uint32_t count,
                               StdcallOutcome* outcome);

// cdecl: function, arguments, count, outcome. ebx and edi both hold the stack
// pointer from before the pushes and esi the arguments' address; a callee
// that keeps its callee-saved registers returns all three unchanged. The
// callee starts with esp 8 mod 16, where code assuming the 16-byte alignment
// of Linux would expect 12.
asm(R"(
  .text
  .globl StdcallCallRaw
  .type StdcallCallRaw, @function
StdcallCallRaw:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  movl 12(%ebp), %esi
  movl 16(%ebp), %ecx
  andl $-16, %esp
  movl $1, %eax
  subl %ecx, %eax
  shll $2, %eax
  andl $15, %eax
  subl %eax, %esp
  movl %esp, %ebx
  movl %esp, %edi
  testl %ecx, %ecx
  jz 2f
1:
  pushl -4(%esi,%ecx,4)
  decl %ecx
  jnz 1b
2:
  call *8(%ebp)
  movl 20(%ebp), %ecx
  movl %eax, 0(%ecx)
  movl %esp, %eax
  subl %edi, %eax
  movl %eax, 4(%ecx)
  xorl %eax, %eax
  cmpl %ebx, %edi
  jne 3f
  cmpl 12(%ebp), %esi
  jne 3f
  movl $1, %eax
3:
  movl %eax, 8(%ecx)
  leal -12(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
  .size StdcallCallRaw, .-StdcallCallRaw
)");

StdcallOutcome CallStdcall(const void* function, const uint32_t* arguments, size_t count) {
  StdcallOutcome outcome{};
  StdcallCallRaw(function, arguments, static_cast<uint32_t>(count), &outcome);
  return outcome;
}
