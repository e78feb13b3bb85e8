#pragma once
// A clipboard in memory for tests: records what was put on it, answers with what the test set.

#include <string>

#include "base/Clipboard.h"

namespace quillory::test {

class FakeClipboard final : public IClipboard {
public:
    void setText(const std::u16string& t) override
    {
        content = t;
        hasText = true;
        ++writes;
    }
    std::u16string text() const override { return hasText ? content : std::u16string(); }
    bool canPaste() const override { return hasText; }
    void clear() override
    {
        content.clear();
        hasText = false;
    }

    std::u16string content;  // the clipboard's text
    bool hasText = false;    // false: the clipboard is empty (or holds no text)
    int writes = 0;          // setText calls
};

}  // namespace quillory::test
