# Tests of the Windows programs: GoogleTest built with the same cross compiler, each
# test program started once under Wine, in a throwaway prefix inside the build tree.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest package)")
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(WINE_SESSION ${CMAKE_SOURCE_DIR}/tools/wine/session.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine/run.sh ${CMAKE_BINARY_DIR})

add_test(NAME wine_session_start COMMAND bash ${WINE_SESSION} start ${CMAKE_BINARY_DIR})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine_session_stop COMMAND bash ${WINE_SESSION} stop ${CMAKE_BINARY_DIR})
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

file(GLOB KELVORA_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(kelvora_test_support STATIC ${KELVORA_TEST_SUPPORT})
target_link_libraries(kelvora_test_support PUBLIC kelvora_core gtest gmock)
target_include_directories(kelvora_test_support PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(kelvora_test_support PRIVATE ${KELVORA_WARNINGS})

# One test program per subsystem; each runs all its cases in one Wine process.
foreach(dir ${KELVORA_SUBSYSTEMS})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(_tests)
    add_executable(${dir}_tests ${_tests} ${KELVORA_RC})
    target_compile_options(${dir}_tests PRIVATE ${KELVORA_WARNINGS})
    target_link_libraries(${dir}_tests PRIVATE kelvora_test_support)
    # The cases that need a run without a print server run only in their own entry.
    set(_filter)
    if(dir STREQUAL "output")
      set(_filter --gtest_filter=-NoPrinter.*)
    endif()
    add_test(NAME ${dir}_tests COMMAND ${dir}_tests --gtest_color=no ${_filter})
    set_tests_properties(${dir}_tests PROPERTIES FIXTURES_REQUIRED wine
      RESOURCE_LOCK wine_desktop TIMEOUT 900)
  endif()
endforeach()

# A lean set of the same tests again at 150 % display scaling (144 DPI, the prefix's
# LogPixels while they run): the layout and the splitter, the tree's and the menus'
# pictures, a move to a monitor of another scale, the About box's picture and the
# clicks on its web-site label, the size the font dialog opens on.
set(_at_144 ${CMAKE_SOURCE_DIR}/tools/wine/at-dpi.sh ${CMAKE_BINARY_DIR} 144)
set(_tests_at_144
  "shell:MainWindowTest.StartsWith*:MainWindowTest.Splitter*:MainWindowTest.MenusCarry*:MainWindowTest.AMoveTo*:MainWindowTest.RightClickOpensFolderMenu*"
  "about:AboutBox.*"
  "listing:TextStyles.StartUp*:TextStyles.ItalicItemFont*:TextStyles.CancelledFontDialog*")
foreach(_entry ${_tests_at_144})
  string(REPLACE ":" ";" _parts "${_entry}")
  list(POP_FRONT _parts _dir)
  string(REPLACE ";" ":" _filter "${_parts}")
  if(TARGET ${_dir}_tests)
    add_test(NAME ${_dir}_tests_144dpi
      COMMAND bash ${_at_144} $<TARGET_FILE:${_dir}_tests> --gtest_color=no --gtest_filter=${_filter})
    set_tests_properties(${_dir}_tests_144dpi PROPERTIES FIXTURES_REQUIRED wine
      RESOURCE_LOCK wine_desktop TIMEOUT 600)
  endif()
endforeach()

# The output tests print on a private CUPS queue whose PDFs land in the build tree, and
# save onto small file systems that the set-up mounts. After the print server has
# stopped, a second run checks that printing without any printer ends quietly.
if(TARGET output_tests)
  set(_cups ${CMAKE_BINARY_DIR}/cups)
  set(_disks ${CMAKE_BINARY_DIR}/small-disks)
  add_test(NAME printer_start COMMAND bash ${CMAKE_SOURCE_DIR}/tools/cups/start.sh ${_cups})
  add_test(NAME printer_stop COMMAND bash ${CMAKE_SOURCE_DIR}/tools/cups/stop.sh ${_cups})
  set_tests_properties(printer_start PROPERTIES FIXTURES_SETUP printer TIMEOUT 60)
  set_tests_properties(printer_stop PROPERTIES FIXTURES_CLEANUP printer TIMEOUT 60)
  set(_disks_script ${CMAKE_SOURCE_DIR}/tests/output/small_disks.sh)
  add_test(NAME small_disks_mount COMMAND bash ${_disks_script} mount ${_disks})
  add_test(NAME small_disks_unmount COMMAND bash ${_disks_script} unmount ${_disks})
  set_tests_properties(small_disks_mount PROPERTIES FIXTURES_SETUP small_disks TIMEOUT 30)
  set_tests_properties(small_disks_unmount PROPERTIES FIXTURES_CLEANUP small_disks TIMEOUT 30)
  set_tests_properties(output_tests PROPERTIES FIXTURES_REQUIRED "wine;printer;small_disks"
    ENVIRONMENT "CUPS_SERVER=${_cups}/cups.sock;KELVORA_PDF_DIR=${_cups}/pdf;KELVORA_SMALL_DISKS=${_disks}")
  add_test(NAME output_tests_no_printer
    COMMAND output_tests --gtest_color=no --gtest_filter=NoPrinter.*)
  set_tests_properties(output_tests_no_printer PROPERTIES FIXTURES_REQUIRED wine
    DEPENDS printer_stop RESOURCE_LOCK wine_desktop TIMEOUT 300
    ENVIRONMENT "CUPS_SERVER=${_cups}/cups.sock;KELVORA_NO_PRINTER=1")
endif()

if(TARGET KelvoraSetUp)
  file(GLOB _setup_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/setup/*.cpp)
  if(_setup_tests)
    # The set-up program shares no code with the main program; its tests share only
    # the test folder helpers. They run the set-up's steps in their own process too,
    # with stand-ins for the folder move and the message box.
    add_executable(setup_tests ${_setup_tests} ${CMAKE_SOURCE_DIR}/setup/install.cpp
                   ${CMAKE_SOURCE_DIR}/tests/support/temp_folder.cpp)
    target_compile_options(setup_tests PRIVATE ${KELVORA_WARNINGS})
    target_link_libraries(setup_tests PRIVATE gtest gmock shell32 shlwapi ole32 uuid user32)
    target_include_directories(setup_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    add_dependencies(setup_tests KelvoraSetUp Kelvora)
    # A second Wine drive, K:, on another Linux file system: a move from it to C: is
    # refused as one between two Windows volumes.
    set(_second_drive_script ${CMAKE_SOURCE_DIR}/tests/setup/second_drive.sh)
    add_test(NAME second_drive_map COMMAND bash ${_second_drive_script} map ${CMAKE_BINARY_DIR} k)
    add_test(NAME second_drive_unmap COMMAND bash ${_second_drive_script} unmap ${CMAKE_BINARY_DIR} k)
    set_tests_properties(second_drive_map PROPERTIES FIXTURES_SETUP second_drive
      FIXTURES_REQUIRED wine TIMEOUT 30)
    set_tests_properties(second_drive_unmap PROPERTIES FIXTURES_CLEANUP second_drive TIMEOUT 30)
    add_test(NAME setup_tests COMMAND setup_tests --gtest_color=no)
    set_tests_properties(setup_tests PROPERTIES FIXTURES_REQUIRED "wine;second_drive"
      RESOURCE_LOCK wine_desktop TIMEOUT 900
      ENVIRONMENT "KELVORA_BIN_DIR=${CMAKE_BINARY_DIR};KELVORA_SECOND_DRIVE=K:")
  endif()
endif()
