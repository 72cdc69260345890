# The 32-bit host of the real module: static i386 programs that load
# build-win32/brindle.spi themselves, bind its KERNEL32 imports to the
# stand-in platform and drive it; ctest runs them under qemu-i386-static.
set(BRINDLE_MODULE ${PROJECT_SOURCE_DIR}/build-win32/brindle.spi
    CACHE FILEPATH "The real module that the 32-bit host loads")
set(BRINDLE_NATIVE_BUILD ${PROJECT_SOURCE_DIR}/build
    CACHE PATH "The native build whose answers the real module must repeat")

# The module calls the stand-in with the 4-byte stack alignment that Windows
# promises, not the 16 bytes that 32-bit Linux code assumes.
add_library(brindle_platform32 OBJECT platform/platform.cpp)
target_include_directories(brindle_platform32 PUBLIC platform)
target_compile_options(brindle_platform32 PRIVATE -mstackrealign)

add_library(brindle_pe_host STATIC tools/pe_loader.cpp tools/pe_plugin.cpp tools/stdcall_call.cpp)
target_include_directories(brindle_pe_host PUBLIC tools plugin platform)
target_link_libraries(brindle_pe_host PUBLIC brindle_platform32)

add_executable(module_transcript tools/module_transcript.cpp)
target_link_libraries(module_transcript PRIVATE brindle_pe_host)

enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_executable(pe_loader_test tests/module/pe_loader_test.cpp)
target_compile_definitions(pe_loader_test PRIVATE BRINDLE_MODULE="${BRINDLE_MODULE}")
target_link_libraries(pe_loader_test PRIVATE brindle_pe_host gtest_main)
gtest_discover_tests(pe_loader_test DISCOVERY_MODE PRE_TEST)

add_test(NAME module_matches_native
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/module/compare_transcripts.sh
    ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:module_transcript> ${BRINDLE_MODULE}
    ${BRINDLE_NATIVE_BUILD}/module_transcript)

# brindle, the command-line host, driving the real module. brindle-module
# runs it under qemu-i386-static, e.g.
#   build-host32/brindle-module decode picture.ppm picture.bmp
add_executable(brindle
  tools/arguments.cpp tools/bmp_file.cpp tools/brindle_main.cpp tools/commands.cpp
  tools/module_loader.cpp tools/program_path.cpp tools/result_text.cpp tools/whole_file.cpp)
target_link_libraries(brindle PRIVATE brindle_pe_host)
set_target_properties(brindle PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(module_runner ${CMAKE_BINARY_DIR}/brindle-module)
file(WRITE ${module_runner} "#!/bin/sh\ncommand=$1\nshift\n\
exec '${CMAKE_CROSSCOMPILING_EMULATOR}' '${CMAKE_BINARY_DIR}/brindle' \"$command\" \
--module '${BRINDLE_MODULE}' \"$@\"\n")
file(CHMOD ${module_runner} PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The command-line host's netpbm check, with the real module decoding.
add_test(NAME module_netpbm_oracle
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/cli/netpbm_oracle.sh ${module_runner}
    ${BRINDLE_NATIVE_BUILD}/tests/cli/ppm_corpus ${CMAKE_BINARY_DIR}/module_oracle)

# The native brindle hands a command that names the real module to this build.
add_test(NAME native_brindle_drives_module
  COMMAND ${BRINDLE_NATIVE_BUILD}/brindle about --module ${BRINDLE_MODULE})
set_tests_properties(native_brindle_drives_module PROPERTIES PASS_REGULAR_EXPRESSION "00IN")
