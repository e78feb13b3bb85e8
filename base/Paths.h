#pragma once
// Paths the program keeps are absolute, so that a later change of the current directory never
// changes what they name.

#include <string>

namespace quillory {

// path itself when it is absolute or empty; otherwise the current directory, '/', then path.
std::string absolutePath(const std::string& path);

// The last part of path, after its last '/' (all of it when it has none).
std::string fileNameOf(const std::string& path);

// dir with a '/' at its end (empty stays empty).
std::string withTrailingSlash(std::string dir);

}  // namespace quillory
