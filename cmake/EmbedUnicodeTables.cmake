# Turns the Unicode tables (TSV, two hex columns per row) into a C++ source file at configure time.

# Sets out_var to the rows of a two-column hex table as "{0x..,0x..},".
function(read_unicode_pairs tsv out_var)
  file(READ ${tsv} text)
  string(REGEX MATCHALL "\n0x[0-9A-F]+\t0x[0-9A-F]+" rows "${text}")
  set(values "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^\n(0x[0-9A-F]+)\t(0x[0-9A-F]+)$" "{\\1,\\2}," pair "${row}")
    string(APPEND values "${pair}")
  endforeach()
  set(${out_var} "${values}" PARENT_SCOPE)
endfunction()

function(embed_unicode_tables target folding_tsv wide_tsv)
  set(out ${CMAKE_BINARY_DIR}/generated/UnicodeTables.cpp)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${folding_tsv} ${wide_tsv})
  read_unicode_pairs(${folding_tsv} folding)
  read_unicode_pairs(${wide_tsv} wide)
  file(CONFIGURE OUTPUT ${out} CONTENT [=[
// Generated from resources/unicode/*.tsv by cmake/EmbedUnicodeTables.cmake. Do not edit.
#include "editcore/UnicodeTables.h"
namespace quillory::tables {
extern const CodePointPair kSimpleCaseFolding[] = {@folding@};
extern const std::size_t kSimpleCaseFoldingCount = sizeof kSimpleCaseFolding / sizeof kSimpleCaseFolding[0];
extern const CodePointPair kWideRanges[] = {@wide@};
extern const std::size_t kWideRangeCount = sizeof kWideRanges / sizeof kWideRanges[0];
}
]=] @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
