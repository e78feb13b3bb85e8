#pragma once
// Random Rename: a new random name for a file in its own folder, so that its old name does not
// survive a later wipe. Names are drawn from 15-bit random numbers (0 to 32767); the reductions
// below rely on that range.

#include <cstdint>
#include <functional>
#include <random>
#include <string>

namespace quillory {

// One random number from 0 to 32767.
using Draw15 = std::function<int()>;

// The draws of one dialog, seeded when it opens.
class RandomDraws {
public:
    explicit RandomDraws(std::uint32_t seed) : m_engine(seed) {}
    int operator()() { return static_cast<int>(m_engine() & 0x7FFF); }

private:
    std::mt19937 m_engine;  // 32-bit draws; the low 15 bits are used
};

// Whether c may be part of a drawn name: ASCII letters and digits and ! # $ % & ( ) @ [ ] { } ~ = .
bool isNameCharacter(char c);

// One drawn character: a code from 32 to 126, where a character outside the name alphabet
// becomes a full stop.
char drawCharacter(const Draw15& draw);

// Draws a name: one draw for its length (0 to 255), then one per character. The first character
// is never a full stop (it is drawn again until it is not), so a drawn name never hides the file.
std::string drawRandomName(const Draw15& draw);

// The folder part of path up to and including its last '/'; empty when it has none.
std::string folderOf(const std::string& path);

// Gives the file from the name to, failing instead of replacing a file that already has that name.
// False on any failure, with errno telling why (EEXIST: the name is taken).
bool renameWithoutReplacing(const std::string& from, const std::string& to);

// The way to rename without replacing on file systems that cannot do it in one step: a second
// link under the new name (which fails if the name is taken), then the old name removed.
bool linkThenUnlink(const std::string& from, const std::string& to);

}  // namespace quillory
