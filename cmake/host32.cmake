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
