#pragma once
// What a folder holds, as the directory trees and the file list show it: names only, sorted as a
// sorted list box sorts them (letter case ignored, then byte order).

#include <string>
#include <vector>

namespace quillory {

// Which subdirectories a tree shows: the Split/Join tree hides every name that begins with a dot,
// the Startup Options tree skips only "." and "..".
enum class DotDirectories { Hidden, Shown };

// The names of dir's subdirectories (symbolic links to directories included), sorted. A folder
// that cannot be read has none.
std::vector<std::string> listSubdirectories(const std::string& dir, DotDirectories rule);

// The names of every entry of dir that is not a directory, hidden files included, sorted. error
// (when given) receives 0, or the errno of a folder that could not be read (what was read is kept).
std::vector<std::string> listFiles(const std::string& dir, int* error = nullptr);

// The order of the lists: ASCII letters compared without case, ties broken by the bytes.
bool namesInListOrder(const std::string& a, const std::string& b);

}  // namespace quillory
