#include "RecoveryTestSupport.h"

#include <gtest/gtest.h>

#include "recovery/FastHash.h"
#include "support/TempDir.h"

namespace quillory::test {

void applyTo(std::string& model, const Edit& edit)
{
    model.replace(edit.offset, edit.removed, edit.inserted);
}

Edit randomEdit(std::mt19937& random, std::uint64_t size)
{
    Edit edit;
    edit.offset = std::uniform_int_distribution<std::uint64_t>(0, size)(random);
    const bool large = random() % 50 == 0;
    const std::uint64_t maxRemoved = std::min<std::uint64_t>(size - edit.offset, large ? 200'000 : 20);
    edit.removed = std::uniform_int_distribution<std::uint64_t>(0, maxRemoved)(random);
    const std::size_t inserted = std::uniform_int_distribution<std::size_t>(0, large ? 150'000 : 12)(random);
    edit.inserted.resize(inserted);
    for (char& c : edit.inserted)
        c = static_cast<char>(random() & 0xFF);
    return edit;
}

std::span<const std::uint8_t> bytesSpan(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

BaseIdentity identityOf(const std::string& path)
{
    BaseIdentity identity;
    EXPECT_TRUE(identifyFile(path, identity)) << path;
    return identity;
}

JournalHeader headerFor(const std::string& path, const std::string& content)
{
    JournalHeader header;
    if (!path.empty())
        header.base = identityOf(path);
    header.baseChecksum = contentChecksum(bytesSpan(content));
    header.baseChecksumKnown = true;
    return header;
}

std::string replayedText(const ReplayedDocument& document)
{
    EXPECT_EQ(document.outcome, ReplayOutcome::Recovered) << document.reason;
    if (document.outcome != ReplayOutcome::Recovered)
        return {};
    EXPECT_EQ(document.bytes.data()[document.length], 0);
    return {reinterpret_cast<const char*>(document.bytes.data()), static_cast<std::size_t>(document.length)};
}

ReplayedDocument replayFile(const std::string& path, ReplayFrom from)
{
    const std::string bytes = readAll(path);
    return replayJournal(bytesSpan(bytes), from, cHeap(), 16);
}

}  // namespace quillory::test
