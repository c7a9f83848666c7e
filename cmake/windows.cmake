# The two Windows programs, their tests and the downloadable package.
enable_language(RC)

set(KELVORA_WARNINGS -Wall -Wextra -Werror)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0600)
add_link_options(-static -static-libgcc -static-libstdc++)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # libstdc++ of the posix thread model needs winpthreads, which clang's driver
  # does not add by itself.
  string(APPEND CMAKE_CXX_STANDARD_LIBRARIES " -lpthread")
endif()

# Product code of the main program, everything but the entry point, as one library
# that the program and the tests share.
set(KELVORA_SUBSYSTEMS base shell tree listing settings output about)
set(KELVORA_CORE_SOURCES)
foreach(dir ${KELVORA_SUBSYSTEMS})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND KELVORA_CORE_SOURCES ${_src})
endforeach()
list(REMOVE_ITEM KELVORA_CORE_SOURCES ${CMAKE_SOURCE_DIR}/shell/main.cpp)

add_library(kelvora_core STATIC ${KELVORA_CORE_SOURCES})
target_include_directories(kelvora_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(kelvora_core PRIVATE ${KELVORA_WARNINGS})
target_link_libraries(kelvora_core PUBLIC comctl32 comdlg32 shlwapi shell32 gdi32 user32 kernel32 ole32 uuid)

set(KELVORA_RC ${CMAKE_SOURCE_DIR}/resources/kelvora.rc)
set_source_files_properties(${KELVORA_RC} PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/kelvora.manifest)

add_executable(Kelvora WIN32 ${CMAKE_SOURCE_DIR}/shell/main.cpp ${KELVORA_RC})
target_compile_options(Kelvora PRIVATE ${KELVORA_WARNINGS})
target_link_libraries(Kelvora PRIVATE kelvora_core)

if(EXISTS ${CMAKE_SOURCE_DIR}/setup/setup_main.cpp AND EXISTS ${CMAKE_SOURCE_DIR}/resources/setup.rc)
  file(GLOB SETUP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/setup/*.cpp)
  add_executable(KelvoraSetUp WIN32 ${SETUP_SOURCES} ${CMAKE_SOURCE_DIR}/resources/setup.rc)
  target_compile_options(KelvoraSetUp PRIVATE ${KELVORA_WARNINGS})
  target_link_libraries(KelvoraSetUp PRIVATE shell32 shlwapi ole32 uuid user32)
  set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/setup.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/setup.manifest)
endif()

add_subdirectory(${CMAKE_SOURCE_DIR}/bench ${CMAKE_BINARY_DIR}/bench)

if(KELVORA_TESTS)
  enable_testing()
  include(cmake/wine-tests.cmake)
endif()
include(cmake/package.cmake)
