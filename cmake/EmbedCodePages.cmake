# Turns the two code-page tables (TSV, one row per byte) into a C++ source file at configure time,
# so the program carries them as data and nothing is parsed at run time.
function(embed_code_pages target cp1252_tsv oem_tsv)
  set(out ${CMAKE_BINARY_DIR}/generated/CodePageTables.cpp)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${cp1252_tsv} ${oem_tsv})

  # Rows are matched out of the whole text: a row's character column may hold a ';', which
  # would split a CMake list.
  file(READ ${cp1252_tsv} text)
  string(REGEX MATCHALL "\n0x[0-9A-F][0-9A-F]\tU\\+[0-9A-F]+" rows "${text}")
  set(unicode "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^\n0x[0-9A-F]+\tU\\+" "0x" value "${row}")
    string(APPEND unicode "${value},")
  endforeach()
  list(LENGTH rows count)
  if(NOT count EQUAL 256)
    message(FATAL_ERROR "${cp1252_tsv} must hold 256 rows, has ${count}")
  endif()

  file(READ ${oem_tsv} text)
  string(REGEX MATCHALL "\n0x[0-9A-F][0-9A-F]\t0x[0-9A-F][0-9A-F]" rows "${text}")
  set(oem "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^\n0x[0-9A-F]+\t" "" value "${row}")
    string(APPEND oem "${value},")
  endforeach()
  list(LENGTH rows count)
  if(NOT count EQUAL 256)
    message(FATAL_ERROR "${oem_tsv} must hold 256 rows, has ${count}")
  endif()

  file(CONFIGURE OUTPUT ${out} CONTENT [=[
// Generated from resources/codepages/*.tsv by cmake/EmbedCodePages.cmake. Do not edit.
#include <cstdint>
namespace quillory::tables {
extern const char16_t kCp1252ToUnicode[256] = {@unicode@};
extern const std::uint8_t kAnsiToOem[256] = {@oem@};
}
]=] @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
