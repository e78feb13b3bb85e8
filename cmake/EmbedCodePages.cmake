# Turns the two code-page tables (TSV, one row per byte) into a C++ source file at configure time,
# so the program carries them as data and nothing is parsed at run time.

# Sets out_var to the 256 values of a table's second column as "0x..,0x..,": row_regex matches a
# row from its leading line feed through the value, value_prefix_regex what precedes the value.
# Rows are matched out of the whole text, since a row's character column may hold a ';', which
# would split a CMake list.
function(read_code_page_column tsv row_regex value_prefix_regex out_var)
  file(READ ${tsv} text)
  string(REGEX MATCHALL "${row_regex}" rows "${text}")
  list(LENGTH rows count)
  if(NOT count EQUAL 256)
    message(FATAL_ERROR "${tsv} must hold 256 rows, has ${count}")
  endif()
  set(values "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "${value_prefix_regex}" "0x" value "${row}")
    string(APPEND values "${value},")
  endforeach()
  set(${out_var} "${values}" PARENT_SCOPE)
endfunction()

function(embed_code_pages target cp1252_tsv oem_tsv)
  set(out ${CMAKE_BINARY_DIR}/generated/CodePageTables.cpp)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${cp1252_tsv} ${oem_tsv})
  read_code_page_column(${cp1252_tsv} "\n0x[0-9A-F][0-9A-F]\tU\\+[0-9A-F]+" "^\n0x[0-9A-F]+\tU\\+" unicode)
  read_code_page_column(${oem_tsv} "\n0x[0-9A-F][0-9A-F]\t0x[0-9A-F][0-9A-F]" "^\n0x[0-9A-F]+\t0x" oem)
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
