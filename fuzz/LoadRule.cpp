// The load rule against a plain loop: a file is BINARY exactly when it holds a byte 0-8 or 14-31;
// a BINARY file shows its display copy (0, 9, 10, 13 as 1) and keeps its true bytes in the
// storage; a TEXT file shows its bytes unchanged and reads as UTF-8 exactly when it decodes as
// such. The input, repeated to cross the classifier's 16 KB blocks when its first byte asks, is
// checked through the classifier directly and through a whole load of a file holding it.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "document/ByteClassifier.h"
#include "document/QuilloryDoc.h"
#include "editcore/Utf8.h"
#include "support/ControlStandIn.h"

namespace quillory::fuzz {
namespace {

bool plainIsBinary(const std::string& bytes)
{
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b <= 8 || (b >= 14 && b <= 31))
            return true;
    }
    return false;
}

std::string plainDisplayCopy(std::string bytes)
{
    for (char& c : bytes)
        if (c == 0 || c == 9 || c == 10 || c == 13)
            c = 1;
    return bytes;
}

bool plainIsUtf8(const std::string& bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const utf8::Char c = utf8::decode(bytesOf(bytes) + i, bytes.size() - i);
        if (!c.valid)
            return false;
        i += static_cast<std::size_t>(c.length);
    }
    return true;
}

// First byte: from 0xC0 on, how many times the rest is repeated, so that some inputs cross the
// classifier's blocks; most stay short, which keeps the runs quick.
std::string contentOf(FuzzInput& input)
{
    const std::uint8_t first = input.byte();
    const int repeats = first >= 0xC0 ? first - 0xC0 : 0;
    const std::string_view unit = input.rest();
    const std::string filler(521, 'x');
    std::string content(unit);
    for (int i = 0; i < repeats && !unit.empty(); ++i)
        content.append(filler).append(unit);
    return content;
}

class NoBoxes final : public IMessageBoxes {
public:
    MessageResult show(const MessageBoxRequest&) override
    {
        ++shown;
        return MessageResult::Ok;
    }
    int shown = 0;
};

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{
    const std::string content = contentOf(input);
    const bool binary = plainIsBinary(content);

    // The classifier and the display copy at every alignment of the first bytes.
    for (std::size_t skip = 0; skip <= std::min<std::size_t>(content.size(), 3); ++skip) {
        const std::string part = content.substr(skip);
        std::vector<std::uint8_t> bytes(part.begin(), part.end());
        FUZZ_CHECK(isBinary(bytes.data(), bytes.size()) == plainIsBinary(part));
        makeDisplayCopy(bytes.data(), bytes.size());
        FUZZ_CHECK(std::string(bytes.begin(), bytes.end()) == plainDisplayCopy(part));
    }

    // The whole load.
    static MemoryFile file;  // kept: one file for every run
    NoBoxes boxes;
    QuilloryDoc doc(boxes);
    test::ControlStandIn control(doc);
    FUZZ_CHECK(doc.loadFile(file.write(content)));
    FUZZ_CHECK(boxes.shown == 0);
    FUZZ_CHECK(doc.mode() == (binary ? DocumentMode::Binary : DocumentMode::Text));
    FUZZ_CHECK(control.text == (binary ? plainDisplayCopy(content) : content));
    if (binary) {
        FUZZ_CHECK(doc.storage().length() == static_cast<std::int32_t>(content.size()));
        FUZZ_CHECK(std::string(reinterpret_cast<const char*>(doc.storage().bytes()), content.size()) == content);
        FUZZ_CHECK(doc.storage().bytes()[doc.storage().length()] == 0);
        FUZZ_CHECK(doc.storage().checkInvariants().empty());
    } else {
        FUZZ_CHECK(doc.storage().bytes() == nullptr);
        FUZZ_CHECK(doc.encoding() == (plainIsUtf8(content) ? TextEncoding::Utf8 : TextEncoding::Windows1252));
    }
}

}  // namespace quillory::fuzz
