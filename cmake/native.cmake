# Native build of the code with no Windows dependency, under AddressSanitizer and
# UndefinedBehaviorSanitizer, with its tests and its fuzz target.
set(KELVORA_PORTABLE_SOURCES
  ${CMAKE_SOURCE_DIR}/settings/extension_list.cpp
  ${CMAKE_SOURCE_DIR}/shell/bounded_text.cpp
  ${CMAKE_SOURCE_DIR}/output/rtf_rewrite.cpp
  ${CMAKE_SOURCE_DIR}/output/rtf_runs.cpp)
set(KELVORA_PORTABLE_TESTS
  ${CMAKE_SOURCE_DIR}/tests/settings/extension_list_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/shell/bounded_text_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/output/rtf_rewrite_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/output/rtf_runs_test.cpp)

option(KELVORA_SANITIZE "Build with ASan and UBSan" ON)
set(_warn -Wall -Wextra -Werror)
if(KELVORA_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_san})
  add_link_options(${_san})
endif()

add_library(kelvora_portable STATIC ${KELVORA_PORTABLE_SOURCES})
target_include_directories(kelvora_portable PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(kelvora_portable PRIVATE ${_warn})

if(KELVORA_TESTS)
  enable_testing()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_executable(portable_tests ${KELVORA_PORTABLE_TESTS})
  target_compile_options(portable_tests PRIVATE ${_warn})
  target_link_libraries(portable_tests PRIVATE kelvora_portable gtest_main)
  add_test(NAME portable_tests COMMAND portable_tests --gtest_color=no)
endif()

# The fuzz target needs clang's libFuzzer.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(extension_list_fuzz ${CMAKE_SOURCE_DIR}/tests/settings/fuzz/extension_list_fuzz.cpp)
  target_compile_options(extension_list_fuzz PRIVATE ${_warn} -fsanitize=fuzzer)
  target_link_options(extension_list_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(extension_list_fuzz PRIVATE kelvora_portable)
  add_executable(rtf_runs_fuzz ${CMAKE_SOURCE_DIR}/tests/output/fuzz/rtf_runs_fuzz.cpp)
  target_compile_options(rtf_runs_fuzz PRIVATE ${_warn} -fsanitize=fuzzer)
  target_link_options(rtf_runs_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(rtf_runs_fuzz PRIVATE kelvora_portable)
  if(KELVORA_TESTS)
    # A few seconds in every test run; long runs: tools/fuzz.sh.
    # New inputs go to a folder of the build tree; the seeds are only read.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-smoke-corpus)
    add_test(NAME extension_list_fuzz_smoke
      COMMAND extension_list_fuzz -max_total_time=5 -seed=1 ${CMAKE_BINARY_DIR}/fuzz-smoke-corpus
              ${CMAKE_SOURCE_DIR}/tests/settings/fuzz/corpus)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/rtf-runs-smoke-corpus)
    add_test(NAME rtf_runs_fuzz_smoke
      COMMAND rtf_runs_fuzz -max_total_time=5 -seed=1 ${CMAKE_BINARY_DIR}/rtf-runs-smoke-corpus
              ${CMAKE_SOURCE_DIR}/tests/output/fuzz/corpus)
  endif()
endif()
