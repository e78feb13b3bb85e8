#pragma once
// A temporary folder removed with everything in it when the test ends.

#include <string>
#include <string_view>
#include <vector>

namespace quillory::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path()/name
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    // Writes bytes to path()/name and returns the full path.
    std::string write(const std::string& name, std::string_view bytes) const;

private:
    std::string m_path;
};

// The whole content of a file as bytes.
std::string readAll(const std::string& path);
// The names of the hidden temporaries that saves leave in a folder when they are killed.
std::vector<std::string> saveTemporariesIn(const std::string& folder);
// A string of bytes from a list of values.
std::string bytesOf(std::initializer_list<int> values);

}  // namespace quillory::test
