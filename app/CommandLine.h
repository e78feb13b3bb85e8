#pragma once
// The command line: everything after the program name is one file path. The shell has already
// split it into words, so the words are joined again with single blanks; nothing is unquoted and
// no switches are recognised.

#include <string>
#include <vector>

namespace quillory {

// The path named by the command line, or empty when there is none. `argv[0]` is the program.
std::string commandLineTail(int argc, const char* const* argv);
std::string commandLineTail(const std::vector<std::string>& arguments);

}  // namespace quillory
