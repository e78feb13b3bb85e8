// Random edit sequences against a plain vector: after every step the storage holds the model's
// bytes (read around the gap, and now and then through bytes(), which moves it to an end), keeps its
// terminating 0, grows only by the growth rule, and its undo alternates. Edits jump far apart and
// stay near each other, so the gap moves both ways and by a little; a tiny growth step makes it run
// out often; the slack is given back and the block taken and adopted again (with the gap in front
// of the bytes too) in between.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "document/ByteStorage.h"
#include "support/ByteStorageModel.h"

namespace quillory::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

using Model = ByteStorageModel;

class StorageFuzzer {
public:
    StorageFuzzer(unsigned seed, std::int32_t minGrowth) : m_random(seed), m_storage(cHeap(), minGrowth) {}

    const ByteStorage& storage() const { return m_storage; }

    void step()
    {
        const CharRange sel = randomSelection();
        m_capacityBefore = m_storage.capacity();
        m_lengthBefore = m_storage.length();
        m_growthStepBefore = m_storage.growthStep();
        std::int32_t expectedCapacity = m_capacityBefore;
        switch (m_random() % 10) {
        case 0:
        case 1:
        case 2: typeByte(sel, expectedCapacity); break;
        case 3: deleteAt(sel); break;
        case 4:
            m_storage.copyAt(sel);
            m_model.clip = Bytes(m_model.bytes.begin() + sel.start, m_model.bytes.begin() + sel.end);
            m_lastOp = "copy";
            break;
        case 5: paste(sel, expectedCapacity); break;
        case 6:
            ASSERT_TRUE(m_storage.undo());
            if (m_model.beforeLastEdit) {
                std::swap(m_model.bytes, *m_model.beforeLastEdit);
                expectedCapacity = std::max(m_capacityBefore, static_cast<std::int32_t>(m_model.bytes.size()));
            }
            m_lastOp = "undo";
            break;
        case 7:
            ASSERT_TRUE(m_storage.freeSlack());
            expectedCapacity = m_lengthBefore;
            m_lastOp = "freeSlack";
            break;
        case 8:
            m_lastOp = "nothing";  // the gap stays where the last edit left it
            if (m_random() % 3 == 0) {
                takeAndAdoptAgain();
                m_lastOp = "takeBlock";
            }
            break;
        default:
            checkUndoTwiceIsNoOp();
            if (m_model.beforeLastEdit)  // the first undo may grow to take the bytes back
                expectedCapacity =
                    std::max(m_capacityBefore, static_cast<std::int32_t>(m_model.beforeLastEdit->size()));
            m_lastOp = "undo twice";
            break;
        }
        if (!::testing::Test::HasFatalFailure())
            checkAgainstModel(expectedCapacity);
    }

    // What making room for `added` more bytes makes the capacity: a growth gives the gap the edit
    // and a step more.
    std::int32_t grownFor(std::int32_t added) const
    {
        return added <= m_capacityBefore - m_lengthBefore ? m_capacityBefore
                                                          : m_lengthBefore + added + m_growthStepBefore;
    }

    void typeByte(CharRange sel, std::int32_t& expectedCapacity)
    {
        const auto b = static_cast<std::uint8_t>(m_random() % 256);
        const bool insert = m_random() % 2 == 0;
        const bool appends = sel.empty() && (insert || sel.start == m_lengthBefore);
        if (appends)
            expectedCapacity = grownFor(1);
        ASSERT_TRUE(insert ? m_storage.insertAt(sel, b) : m_storage.overwriteAt(sel, b));
        const int end = (!insert && sel.empty() && sel.start < m_lengthBefore) ? sel.start + 1 : sel.end;
        m_model.replace(sel.start, end, Bytes{b});
        m_lastOp = insert ? "insert" : "overwrite";
    }

    // Backspace or Delete.
    void deleteAt(CharRange sel)
    {
        const bool backward = m_random() % 2 == 0;
        m_storage.deleteAt(sel, backward);
        if (!sel.empty())
            m_model.replace(sel.start, sel.end, {});
        else if (backward && sel.start > 0)
            m_model.replace(sel.start - 1, sel.start, {});
        else if (!backward && sel.start < m_lengthBefore)
            m_model.replace(sel.start, sel.start + 1, {});
        m_lastOp = backward ? "backspace" : "delete";
    }

    void paste(CharRange sel, std::int32_t& expectedCapacity)
    {
        m_lastOp = "paste";
        if (m_model.clip && m_lengthBefore + static_cast<std::int32_t>(m_model.clip->size()) > 4000)
            return;  // pasting everything again and again would double the storage each time
        if (m_model.clip) {
            const auto clipLength = static_cast<std::int32_t>(m_model.clip->size());
            expectedCapacity = grownFor(clipLength - static_cast<std::int32_t>(sel.end - sel.start));
            m_model.replace(sel.start, sel.end, *m_model.clip);
        }
        ASSERT_EQ(m_storage.pasteAt(sel), m_model.clip.has_value());
    }

    // The block handed over and adopted again as the document does (its capacity kept), or as a
    // load with the gap in front of the bytes.
    void takeAndAdoptAgain()
    {
        const std::int32_t length = m_storage.length();
        const std::int32_t capacity = m_storage.capacity();
        std::int32_t offset = 0;
        HeapBlock block = m_random() % 2 == 0 ? m_storage.takeBlock() : m_storage.takeBlock(offset);
        ASSERT_EQ(m_storage.length(), 0);
        ASSERT_EQ(m_storage.bytes(), nullptr);
        ASSERT_TRUE(block.ok());
        ASSERT_GE(block.size(), static_cast<std::size_t>(capacity) + 1);
        ASSERT_TRUE(std::equal(m_model.bytes.begin(), m_model.bytes.end(), block.data() + offset));
        ASSERT_EQ(block.data()[offset + length], 0);
        const std::size_t blockBytes = block.size();
        m_storage.adoptBlock(block.release(), length, blockBytes, capacity, offset);
        ASSERT_EQ(m_storage.capacity(), capacity);
    }

    void checkAgainstModel(std::int32_t expectedCapacity)
    {
        SCOPED_TRACE(m_lastOp);
        ASSERT_EQ(m_storage.checkInvariants(), std::string());
        ASSERT_EQ(m_storage.length(), static_cast<std::int32_t>(m_model.bytes.size()));
        ASSERT_LE(m_storage.length(), m_storage.capacity());
        ASSERT_EQ(m_storage.capacity(), expectedCapacity);
        ASSERT_EQ(m_storage.gapLength(), m_storage.capacity() - m_storage.length());
        // Reading never moves the gap.
        const std::int32_t gapStart = m_storage.gapStart();
        Bytes read(m_model.bytes.size());
        m_storage.read(0, read);
        ASSERT_EQ(read, m_model.bytes);
        if (!read.empty()) {
            const auto from = static_cast<std::int32_t>(m_random() % read.size());
            const auto count = static_cast<std::int32_t>(m_random() % (read.size() - from + 1));
            Bytes part(static_cast<std::size_t>(count));
            m_storage.read(from, part);
            ASSERT_TRUE(std::equal(part.begin(), part.end(), m_model.bytes.begin() + from)) << from << "+" << count;
            ASSERT_EQ(m_storage.at(from), m_model.bytes[from]);
        }
        ASSERT_EQ(m_storage.gapStart(), gapStart);
        // bytes() moves the gap to an end: checked now and then, so that the gap mostly stays
        // where the edits put it.
        if (m_random() % 4 == 0) {
            const std::int32_t nearerEnd =
                m_storage.gapLength() > 0 && gapStart < m_storage.length() - gapStart ? 0 : m_storage.length();
            ASSERT_EQ(m_storage.bytes()[m_storage.length()], 0);
            ASSERT_TRUE(std::equal(m_model.bytes.begin(), m_model.bytes.end(), m_storage.bytes()));
            ASSERT_EQ(m_storage.gapStart(), nearerEnd);
            ASSERT_EQ(m_storage.capacity(), expectedCapacity);
        }
        ASSERT_EQ(m_storage.hasUndo(), m_model.beforeLastEdit.has_value());
        if (m_storage.hasUndo()) {
            ASSERT_EQ(m_storage.undoBytes().data()[m_storage.undoBytes().size()], 0);
        }
        ASSERT_EQ(m_storage.hasClip(), m_model.clip.has_value());
        if (m_storage.hasClip()) {
            ASSERT_TRUE(std::equal(m_model.clip->begin(), m_model.clip->end(), m_storage.clip().begin(),
                                   m_storage.clip().end()));
            ASSERT_EQ(m_storage.clip().data()[m_storage.clip().size()], 0);
        }
    }

    void checkUndoTwiceIsNoOp()
    {
        Bytes before(static_cast<std::size_t>(m_storage.length()));
        m_storage.read(0, before);
        ASSERT_TRUE(m_storage.undo());
        ASSERT_TRUE(m_storage.undo());
        Bytes after(static_cast<std::size_t>(m_storage.length()));
        m_storage.read(0, after);
        ASSERT_EQ(after, before) << m_lastOp;
    }

    // A loaded file: the gap after the bytes (capacity the length) or, as a load at an offset
    // leaves it, in front of them.
    void start(const Bytes& initial, std::int32_t offset)
    {
        const std::size_t blockBytes = static_cast<std::size_t>(offset) + initial.size() + 1;
        auto* block = static_cast<std::uint8_t*>(cHeap().allocZeroed(blockBytes));
        std::copy(initial.begin(), initial.end(), block + offset);
        const auto length = static_cast<std::int32_t>(initial.size());
        m_storage.adoptBlock(block, length, blockBytes, length + offset, offset);
        m_model.bytes = initial;
        checkAgainstModel(length + offset);
    }

private:
    // Anywhere (the gap jumps), or near the last edit (the gap moves by a little or not at all).
    CharRange randomSelection()
    {
        const auto length = static_cast<std::int32_t>(m_model.bytes.size());
        std::int32_t a = static_cast<std::int32_t>(m_random() % (length + 1));
        if (m_random() % 2 == 0)
            a = std::clamp(m_near + static_cast<std::int32_t>(m_random() % 7) - 3, 0, length);
        std::int32_t b = m_random() % 3 == 0 ? a : static_cast<std::int32_t>(m_random() % (length + 1));
        if (b < a)
            std::swap(a, b);
        if (m_random() % 4 == 0 && length > 0)
            b = std::min(length, a + 1 + static_cast<std::int32_t>(m_random() % 3));  // short selections
        m_near = a;
        return {a, b};
    }

    std::mt19937 m_random;
    ByteStorage m_storage;
    Model m_model;
    std::int32_t m_near = 0;
    std::int32_t m_capacityBefore = 0;
    std::int32_t m_lengthBefore = 0;
    std::int32_t m_growthStepBefore = 0;
    const char* m_lastOp = "start";
};

TEST(ByteStorageProperty, RandomEditSequencesMatchTheReferenceModel)
{
    for (unsigned seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(std::mt19937::result_type{seed} * 7919);
        // Tiny growth steps make the gap run out every few keys; a longer start makes length / 64
        // the step.
        const auto minGrowth = static_cast<std::int32_t>(1 + random() % 8);
        StorageFuzzer fuzzer(seed, minGrowth);
        Bytes initial(seed % 10 == 0 ? 600 + random() % 1500 : random() % 40);
        for (auto& byte : initial)
            byte = static_cast<std::uint8_t>(random());
        const auto offset = static_cast<std::int32_t>(seed % 3 == 0 ? 1 + random() % 16 : 0);
        fuzzer.start(initial, offset);
        if (::testing::Test::HasFatalFailure())
            return;
        for (int i = 0; i < 120; ++i) {
            fuzzer.step();
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

TEST(ByteStorageProperty, TheDefaultGrowthIsProportionate)
{
    ByteStorage storage;
    EXPECT_EQ(storage.growthStep(), ByteStorage::kMinGrowth);
    const std::int32_t length = 64 * ByteStorage::kMinGrowth * 2;
    auto* block = static_cast<std::uint8_t*>(cHeap().allocZeroed(static_cast<std::size_t>(length) + 1));
    storage.adoptBlock(block, length, static_cast<std::size_t>(length) + 1, length);
    EXPECT_EQ(storage.growthStep(), length / ByteStorage::kGrowthDivisor);
    ASSERT_TRUE(storage.insertAt({0, 0}, 7));
    EXPECT_EQ(storage.capacity(), length + 1 + length / ByteStorage::kGrowthDivisor);
    EXPECT_EQ(storage.gapStart(), 1);
    EXPECT_EQ(storage.checkInvariants(), std::string());
}

TEST(ByteStorageProperty, AGapInFrontServesTypingAtTheStartWithoutMovingAByte)
{
    // The bytes at [4, 8) of the block, [0, 4) the gap: four keys at 0 fill it, in place.
    ByteStorage storage(cHeap(), 2);
    auto* block = static_cast<std::uint8_t*>(cHeap().allocZeroed(9));
    const Bytes file{1, 2, 3, 4};
    std::copy(file.begin(), file.end(), block + 4);
    storage.adoptBlock(block, 4, 9, 8, 4);
    EXPECT_EQ(storage.capacity(), 8);
    EXPECT_EQ(storage.gapStart(), 0);
    EXPECT_EQ(storage.gapLength(), 4);
    for (std::uint8_t b = 10; b < 14; ++b)
        ASSERT_TRUE(storage.insertAt({b - 10, b - 10}, b));
    EXPECT_EQ(storage.capacity(), 8);  // no growth
    EXPECT_EQ(storage.gapLength(), 0);
    ASSERT_TRUE(storage.insertAt({4, 4}, 14));  // the gap is used up: a growth by the step
    EXPECT_EQ(storage.capacity(), 8 + 1 + 2);
    const Bytes expected{10, 11, 12, 13, 14, 1, 2, 3, 4};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), storage.bytes(), storage.bytes() + storage.length()));
    EXPECT_EQ(storage.bytes()[9], 0);
    EXPECT_EQ(storage.checkInvariants(), std::string());
}

TEST(ByteStorageProperty, TakeBlockWithOffsetHandsTheGapOverWhereItIsNearer)
{
    ByteStorage storage;
    auto* block = static_cast<std::uint8_t*>(cHeap().allocZeroed(7));
    const Bytes file{1, 2, 3};
    std::copy(file.begin(), file.end(), block + 3);
    storage.adoptBlock(block, 3, 7, 0, 3);  // a load still in progress: capacity 0
    EXPECT_EQ(storage.capacity(), 0);
    std::int32_t offset = -1;
    HeapBlock taken = storage.takeBlock(offset);
    EXPECT_EQ(offset, 3);  // as adopted: nothing moved
    ASSERT_EQ(taken.data(), block);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), taken.data() + 3));
    EXPECT_EQ(storage.checkInvariants(), std::string());

    // Typed near the end: the gap goes to the end.
    storage.adoptBlock(taken.release(), 3, 7, 6, 3);
    ASSERT_TRUE(storage.insertAt({2, 2}, 9));
    taken = storage.takeBlock(offset);
    EXPECT_EQ(offset, 0);
    const Bytes edited{1, 2, 9, 3};
    EXPECT_TRUE(std::equal(edited.begin(), edited.end(), taken.data()));
    EXPECT_EQ(taken.data()[4], 0);
}

}  // namespace
}  // namespace quillory::test
