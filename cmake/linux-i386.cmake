# Builds static 32-bit x86 Linux programs, the host of the real module, and
# runs them under qemu-i386-static (user mode, no kernel support needed):
#   cmake -S . -B build-host32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")

find_program(BRINDLE_QEMU_I386 qemu-i386-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${BRINDLE_QEMU_I386})
