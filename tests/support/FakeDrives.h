#pragma once
// Drives for dialog tests: a fixed list of roots (temporary folders), a current one, and roots that
// refuse to become current. Nothing changes the process's current directory.

#include <algorithm>
#include <string>
#include <vector>

#include "splitjoin/Drives.h"

namespace quillory::test {

class FakeDrives final : public IDrives {
public:
    std::vector<std::string> roots() const override { return list; }
    std::string currentRoot() const override { return current; }
    bool makeCurrent(const std::string& root) override
    {
        if (std::find(refused.begin(), refused.end(), root) != refused.end())
            return false;
        current = root;
        return true;
    }

    std::vector<std::string> list;     // sorted roots, no trailing '/'
    std::string current;               // the current drive's root
    std::vector<std::string> refused;  // roots that cannot be made current
};

}  // namespace quillory::test
