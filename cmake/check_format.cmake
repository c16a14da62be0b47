# Fails when a C++ file of the tree under ROOT is not as clang-format (STYLE: the .clang-format
# file to format by) would write it, naming each such file. Run by ctest (FormatCheck.*) with
# CLANG_FORMAT set to the clang-format program; the kept fuzz inputs, node's modules and the bad
# trees the checks must refuse are left out.
#   cmake -DROOT=<dir> -DSTYLE=<file> -DCLANG_FORMAT=<program> -P cmake/check_format.cmake
# Links are not followed: a build folder may hold one to the whole file system (Wine's drive).
cmake_minimum_required(VERSION 3.25)
if(NOT CLANG_FORMAT OR NOT EXISTS "${CLANG_FORMAT}")
  message(FATAL_ERROR "No clang-format: scripts/setup.sh installs it")
endif()
file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/*.cpp" "${ROOT}/*.h")
list(FILTER sources EXCLUDE REGEX "^(build|fuzz/corpus|fuzz/regressions|tests/browser/node_modules|tests/layers|tests/format)/")
set(drifted "")
foreach(source IN LISTS sources)
  execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror "--style=file:${STYLE}" "${ROOT}/${source}"
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(NOT result EQUAL 0)
    list(APPEND drifted "${source}")
  endif()
endforeach()
if(drifted)
  list(JOIN drifted "\n  " shown)
  message(FATAL_ERROR "Not formatted as .clang-format says (clang-format -i FILE):\n  ${shown}")
endif()
