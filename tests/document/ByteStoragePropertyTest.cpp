// Random edit sequences against a plain vector: after every step the storage holds the model's
// bytes, keeps its terminating 0, grows only by the growth rule, and its undo alternates.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

#include "document/ByteStorage.h"
#include "support/ByteStorageModel.h"
#include "support/Invariants.h"

namespace quillory::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

using Model = ByteStorageModel;

class StorageFuzzer {
public:
    explicit StorageFuzzer(unsigned seed) : m_random(seed) {}

    const ByteStorage& storage() const { return m_storage; }

    void step()
    {
        const CharRange sel = randomSelection();
        const std::int32_t capacityBefore = m_storage.capacity();
        const std::int32_t lengthBefore = m_storage.length();
        std::int32_t expectedCapacity = capacityBefore;
        const auto b = static_cast<std::uint8_t>(m_random() % 256);

        switch (m_random() % 7) {
        case 0:
        case 1: {  // type a byte
            const bool insert = m_random() % 2 == 0;
            const bool appends = sel.empty() && (insert || sel.start == lengthBefore);
            if (appends && lengthBefore + 1 >= capacityBefore)
                expectedCapacity += ByteStorage::kGrowthStep;
            ASSERT_TRUE(insert ? m_storage.insertAt(sel, b) : m_storage.overwriteAt(sel, b));
            const int end = (!insert && sel.empty() && sel.start < lengthBefore) ? sel.start + 1 : sel.end;
            m_model.replace(sel.start, end, Bytes{b});
            m_lastOp = insert ? "insert" : "overwrite";
            break;
        }
        case 2: {  // Backspace or Delete
            const bool backward = m_random() % 2 == 0;
            m_storage.deleteAt(sel, backward);
            if (!sel.empty())
                m_model.replace(sel.start, sel.end, {});
            else if (backward && sel.start > 0)
                m_model.replace(sel.start - 1, sel.start, {});
            else if (!backward && sel.start < lengthBefore)
                m_model.replace(sel.start, sel.start + 1, {});
            m_lastOp = backward ? "backspace" : "delete";
            break;
        }
        case 3:
            m_storage.copyAt(sel);
            m_model.clip = Bytes(m_model.bytes.begin() + sel.start, m_model.bytes.begin() + sel.end);
            m_lastOp = "copy";
            break;
        case 4: {
            if (m_model.clip) {
                const auto clipLength = static_cast<std::int32_t>(m_model.clip->size());
                if (lengthBefore - (sel.end - sel.start) + clipLength >= capacityBefore)
                    expectedCapacity += clipLength <= ByteStorage::kGrowthStep ? ByteStorage::kGrowthStep : clipLength;
                m_model.replace(sel.start, sel.end, *m_model.clip);
            }
            ASSERT_EQ(m_storage.pasteAt(sel), m_model.clip.has_value());
            m_lastOp = "paste";
            break;
        }
        default: {
            ASSERT_TRUE(m_storage.undo());
            if (m_model.beforeLastEdit) {
                std::swap(m_model.bytes, *m_model.beforeLastEdit);
                expectedCapacity = std::max(capacityBefore, static_cast<std::int32_t>(m_model.bytes.size()));
            }
            m_lastOp = "undo";
            break;
        }
        }
        checkAgainstModel(expectedCapacity);
        if (m_random() % 5 == 0)
            checkUndoTwiceIsNoOp();
    }

    void checkAgainstModel(std::int32_t expectedCapacity) const
    {
        SCOPED_TRACE(m_lastOp);
        ASSERT_EQ(m_storage.length(), static_cast<std::int32_t>(m_model.bytes.size()));
        ASSERT_LE(m_storage.length(), m_storage.capacity());
        ASSERT_EQ(m_storage.capacity(), expectedCapacity);
        ASSERT_EQ(m_storage.bytes()[m_storage.length()], 0);
        ASSERT_TRUE(std::equal(m_model.bytes.begin(), m_model.bytes.end(), m_storage.bytes()));
        ASSERT_EQ(m_storage.hasUndo(), m_model.beforeLastEdit.has_value());
        if (m_storage.hasUndo()) {
            ASSERT_EQ(m_storage.undoBytes().data()[m_storage.undoBytes().size()], 0);
        }
        if (m_storage.hasClip()) {
            ASSERT_EQ(m_storage.clip().data()[m_storage.clip().size()], 0);
        }
    }

    void checkUndoTwiceIsNoOp()
    {
        const Bytes before(m_storage.bytes(), m_storage.bytes() + m_storage.length());
        ASSERT_TRUE(m_storage.undo());
        ASSERT_TRUE(m_storage.undo());
        ASSERT_EQ(Bytes(m_storage.bytes(), m_storage.bytes() + m_storage.length()), before) << m_lastOp;
    }

    void start(const Bytes& initial)
    {
        auto* block = static_cast<std::uint8_t*>(cHeap().allocZeroed(initial.size() + 1));
        std::copy(initial.begin(), initial.end(), block);
        const auto length = static_cast<std::int32_t>(initial.size());
        m_storage.adoptBlock(block, length, initial.size() + 1, length);
        m_model.bytes = initial;
    }

private:
    CharRange randomSelection()
    {
        const auto length = static_cast<std::int32_t>(m_model.bytes.size());
        std::int32_t a = static_cast<std::int32_t>(m_random() % (length + 1));
        std::int32_t b = m_random() % 3 == 0 ? a : static_cast<std::int32_t>(m_random() % (length + 1));
        if (b < a)
            std::swap(a, b);
        if (m_random() % 4 == 0 && length > 0)
            b = std::min(length, a + 1 + static_cast<std::int32_t>(m_random() % 3));  // short selections
        return {a, b};
    }

    std::mt19937 m_random;
    ByteStorage m_storage;
    Model m_model;
    const char* m_lastOp = "start";
};

TEST(ByteStorageProperty, RandomEditSequencesMatchTheReferenceModel)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        StorageFuzzer fuzzer(seed);
        std::mt19937 random(std::mt19937::result_type{seed} * 7919);
        Bytes initial(random() % 40);
        for (auto& byte : initial)
            byte = static_cast<std::uint8_t>(random());
        fuzzer.start(initial);
        for (int i = 0; i < 60; ++i) {
            fuzzer.step();
            if (::testing::Test::HasFatalFailure())
                return;
            EXPECT_INVARIANTS(fuzzer.storage());
        }
    }
}

}  // namespace
}  // namespace quillory::test
