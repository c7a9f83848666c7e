# Assembles the downloadable package (run with cmake -P by the target "package"):
#   PACKAGE_DIR/KelvoraSetUp.exe            the set-up program, when it is built
#   PACKAGE_DIR/Kelvora/Kelvora.exe         the program
#   PACKAGE_DIR/Kelvora/help/...            the help page and its pictures
# and PACKAGE_ZIP, a zip holding PACKAGE_DIR under its own name, so that unpacking it
# gives one folder with the set-up program beside the product folder it moves.
# Inputs: PACKAGE_DIR, PACKAGE_ZIP, PROGRAM, SETUP_PROGRAM (may be empty), HELP_DIR, and
# STRIP (may be empty): the tool that takes the debugging information out of the programs.
cmake_minimum_required(VERSION 3.20)

# The link time stamp in a program's PE header, as a number.
function(pe_time_stamp program out)
  file(READ ${program} header LIMIT 4 OFFSET 60 HEX)  # e_lfanew, little-endian
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" header ${header})
  math(EXPR stamp_at "0x${header} + 8")
  file(READ ${program} stamp LIMIT 4 OFFSET ${stamp_at} HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" stamp ${stamp})
  math(EXPR stamp "0x${stamp}")
  set(${out} ${stamp} PARENT_SCOPE)
endfunction()

# Copies a program into a folder without its debugging information. The copy keeps the
# program's link time stamp, so stripping the same program again gives the same bytes.
function(copy_program program folder)
  get_filename_component(name ${program} NAME)
  if(NOT STRIP)
    file(COPY ${program} DESTINATION ${folder})
    return()
  endif()
  pe_time_stamp(${program} stamp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${stamp}
                          ${STRIP} -o ${folder}/${name} ${program}
                  RESULT_VARIABLE stripped)
  if(NOT stripped EQUAL 0)
    message(FATAL_ERROR "assemble.cmake: stripping ${program} failed")
  endif()
endfunction()

foreach(var PACKAGE_DIR PACKAGE_ZIP PROGRAM HELP_DIR)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "assemble.cmake: ${var} is not set")
  endif()
endforeach()
foreach(file ${PROGRAM} ${SETUP_PROGRAM} ${HELP_DIR}/index.html)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "assemble.cmake: ${file} is missing")
  endif()
endforeach()

# Start from nothing, so that a file removed from the sources leaves the package too.
file(REMOVE_RECURSE ${PACKAGE_DIR})
file(REMOVE ${PACKAGE_ZIP})
file(MAKE_DIRECTORY ${PACKAGE_DIR}/Kelvora/help)

copy_program(${PROGRAM} ${PACKAGE_DIR}/Kelvora)
if(SETUP_PROGRAM)
  copy_program(${SETUP_PROGRAM} ${PACKAGE_DIR})
endif()
file(GLOB help_files ${HELP_DIR}/*.html ${HELP_DIR}/*.css ${HELP_DIR}/*.png ${HELP_DIR}/*.jpg
     ${HELP_DIR}/*.gif)
file(COPY ${help_files} DESTINATION ${PACKAGE_DIR}/Kelvora/help)

# The zip lists its files in a fixed order, with paths that begin with the package's name.
get_filename_component(package_name ${PACKAGE_DIR} NAME)
get_filename_component(dist_dir ${PACKAGE_DIR} DIRECTORY)
file(GLOB_RECURSE entries RELATIVE ${dist_dir} ${PACKAGE_DIR}/*)
list(SORT entries)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${PACKAGE_ZIP} --format=zip -- ${entries}
                WORKING_DIRECTORY ${dist_dir} RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  file(REMOVE ${PACKAGE_ZIP})
  message(FATAL_ERROR "assemble.cmake: making ${PACKAGE_ZIP} failed")
endif()
list(LENGTH entries count)
message(STATUS "${package_name}.zip: ${count} files")
