// The download buffer as a worker fills it, against a plain string: announced sizes that are
// right, too small and too large, pieces of any size, the hand-over and release in the middle of
// a document, while the announced room is made resident beside the writer.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/ByteHeap.h"
#include "internet/DownloadBuffer.h"

namespace quillory {
namespace {

constexpr std::size_t kMb = std::size_t{1} << 20;
constexpr std::int32_t kNoLimit = kMaxDownloadLength;

std::string patternBytes(std::size_t count, std::uint32_t seed)
{
    std::string bytes(count, '\0');
    std::uint32_t value = seed;
    for (char& byte : bytes) {
        value = value * 1664525u + 1013904223u;
        byte = static_cast<char>(value >> 24);
    }
    return bytes;
}

TEST(DownloadBuffer, RandomDocumentsMatchAPlainStringWhateverTheAnnouncedSize)
{
    std::mt19937 random(20261209);
    DownloadBuffer buffer;
    std::atomic<bool> cancelled{false};
    for (int round = 0; round < 12; ++round) {
        // Large enough for the room to be made resident beside the writer, in most rounds.
        const std::size_t actual = std::uniform_int_distribution<std::size_t>(0, 40 * kMb)(random);
        const std::int64_t announced =
            std::vector<std::int64_t>{-1, static_cast<std::int64_t>(actual), static_cast<std::int64_t>(actual / 2),
                                      static_cast<std::int64_t>(actual) * 2 + 1}[round % 4];
        const std::string document = patternBytes(actual, static_cast<std::uint32_t>(round));
        ASSERT_TRUE(buffer.beginDocument(cancelled, announced, kNoLimit));
        std::string reference;
        const std::size_t stopAt = round % 5 == 4 ? actual / 3 : actual;  // a document ended early
        while (reference.size() < stopAt) {
            const std::size_t piece =
                std::min(stopAt - reference.size(), std::uniform_int_distribution<std::size_t>(1, 300000)(random));
            const std::string_view bytes(document.data() + reference.size(), piece);
            ASSERT_EQ(
                buffer.append(cancelled, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, kNoLimit),
                DownloadBuffer::Append::Done);
            reference += bytes;
        }
        if (round % 5 == 4) {
            // Taken in the middle of the transfer (as a stopped worker leaves it), then given back.
            DownloadBuffer::Document taken = buffer.take();
            EXPECT_FALSE(buffer.held());
            buffer.restore(std::move(taken));
        } else {
            ASSERT_TRUE(buffer.finishDocument(cancelled));
        }
        ASSERT_EQ(buffer.length(), static_cast<std::int32_t>(reference.size())) << round;
        ASSERT_TRUE(buffer.contents() == reference) << round;
        ASSERT_TRUE(buffer.terminated()) << round;
        if (round % 3 == 2)
            buffer.release();
    }
}

}  // namespace
}  // namespace quillory
