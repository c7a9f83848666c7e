# The package a user downloads: dist/Kelvora-<version>/ holding KelvoraSetUp.exe and
# the product folder Kelvora/ (Kelvora.exe and help/ with the help page and its
# pictures), and dist/Kelvora-<version>.zip of it. Unpacking the zip and running the
# set-up program in the unpacked folder installs Kelvora in c:\Kelvora. Beside the zip,
# for Wine on Linux: make-pane-face.py (see the README).
#   cmake --build <build> --target package
set(KELVORA_PACKAGE_NAME Kelvora-${PROJECT_VERSION})
set(KELVORA_PACKAGE_DIR ${CMAKE_BINARY_DIR}/dist/${KELVORA_PACKAGE_NAME})
set(KELVORA_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/dist/${KELVORA_PACKAGE_NAME}.zip)
set(KELVORA_PACKAGE_TOOLS ${CMAKE_SOURCE_DIR}/tools/package)
file(GLOB KELVORA_HELP_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*.html
     ${CMAKE_SOURCE_DIR}/help/*.css ${CMAKE_SOURCE_DIR}/help/*.png ${CMAKE_SOURCE_DIR}/help/*.jpg
     ${CMAKE_SOURCE_DIR}/help/*.gif)

set(_package_programs Kelvora)
set(_package_setup "")
if(TARGET KelvoraSetUp)
  list(APPEND _package_programs KelvoraSetUp)
  set(_package_setup $<TARGET_FILE:KelvoraSetUp>)
else()
  message(WARNING "KelvoraSetUp is not part of this build: the package will have no set-up program")
endif()

add_custom_command(
  OUTPUT ${KELVORA_PACKAGE_ZIP}
  COMMAND ${CMAKE_COMMAND} -DPACKAGE_DIR=${KELVORA_PACKAGE_DIR} -DPACKAGE_ZIP=${KELVORA_PACKAGE_ZIP}
          -DPROGRAM=$<TARGET_FILE:Kelvora> -DSETUP_PROGRAM=${_package_setup} -DSTRIP=${CMAKE_STRIP}
          -DHELP_DIR=${CMAKE_SOURCE_DIR}/help -P ${KELVORA_PACKAGE_TOOLS}/assemble.cmake
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/tools/wine/make-pane-face.py
          ${CMAKE_BINARY_DIR}/dist/
  DEPENDS ${_package_programs} ${KELVORA_HELP_FILES} ${KELVORA_PACKAGE_TOOLS}/assemble.cmake
          ${CMAKE_SOURCE_DIR}/tools/wine/make-pane-face.py
  COMMENT "Assembling dist/${KELVORA_PACKAGE_NAME} and its zip"
  VERBATIM)
add_custom_target(package DEPENDS ${KELVORA_PACKAGE_ZIP})

if(KELVORA_TESTS)
  # Builds the package, checks its contents against the build and the help sources,
  # then installs it with its own set-up program in the build's Wine prefix.
  add_test(NAME package_tests
           COMMAND bash ${KELVORA_PACKAGE_TOOLS}/check_package.sh ${CMAKE_BINARY_DIR}
                   ${KELVORA_PACKAGE_NAME} ${CMAKE_SOURCE_DIR}/help ${CMAKE_STRIP})
  set_tests_properties(package_tests PROPERTIES FIXTURES_REQUIRED wine
    RESOURCE_LOCK wine_desktop TIMEOUT 600)
endif()
