# Native build of the code with no Windows dependency, under AddressSanitizer and
# UndefinedBehaviorSanitizer, with its tests and its fuzz target.
set(KELVORA_PORTABLE_SOURCES
  ${CMAKE_SOURCE_DIR}/settings/extension_list.cpp
  ${CMAKE_SOURCE_DIR}/base/bounded_text.cpp
  ${CMAKE_SOURCE_DIR}/base/rtf_rewrite.cpp
  ${CMAKE_SOURCE_DIR}/output/rtf_runs.cpp)
set(KELVORA_PORTABLE_TESTS
  ${CMAKE_SOURCE_DIR}/tests/settings/extension_list_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/base/bounded_text_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/base/rtf_rewrite_test.cpp
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

# The fuzz targets need clang's libFuzzer. Each has a seed corpus in its folder.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  foreach(_fuzz settings/fuzz/extension_list base/fuzz/rtf_rewrite output/fuzz/rtf_runs)
    get_filename_component(_name ${_fuzz} NAME)
    get_filename_component(_dir ${CMAKE_SOURCE_DIR}/tests/${_fuzz} DIRECTORY)
    add_executable(${_name}_fuzz ${CMAKE_SOURCE_DIR}/tests/${_fuzz}_fuzz.cpp)
    target_compile_options(${_name}_fuzz PRIVATE ${_warn} -fsanitize=fuzzer)
    target_link_options(${_name}_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${_name}_fuzz PRIVATE kelvora_portable)
    if(KELVORA_TESTS)
      # A few seconds in every test run; long runs: tools/fuzz.sh.
      # New inputs go to a folder of the build tree; the seeds are only read.
      file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/${_name}-smoke-corpus)
      add_test(NAME ${_name}_fuzz_smoke
        COMMAND ${_name}_fuzz -max_total_time=5 -seed=1 ${CMAKE_BINARY_DIR}/${_name}-smoke-corpus
                ${_dir}/corpus)
    endif()
  endforeach()
endif()
