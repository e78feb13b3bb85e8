#pragma once
// The system clipboard as the edit control uses it: plain text only. Every access goes through
// IClipboard so that tests can script it.

#include <string>

namespace quillory {

class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Puts text on the clipboard, replacing what it held.
    virtual void setText(const std::u16string& text) = 0;
    // The clipboard's text; empty when it holds none. Ask canPaste first.
    virtual std::u16string text() const = 0;
    // True when the clipboard holds text that can be pasted.
    virtual bool canPaste() const = 0;
    // Empties the clipboard: afterwards it holds nothing to paste.
    virtual void clear() = 0;
};

}  // namespace quillory
