// A journal replayed over its base gives the document the edits made; a base that changed, a
// damaged journal or a refused allocation say so instead.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RecoveryTestSupport.h"
#include "recovery/JournalFormat.h"
#include "recovery/JournalReplay.h"
#include "support/FailingHeap.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

std::string randomText(std::mt19937& random, std::size_t size)
{
    std::string text(size, '\0');
    for (char& c : text)
        c = static_cast<char>('a' + random() % 26);
    return text;
}

void addRecord(std::string& journal, RecordKind kind, const Edit& edit)
{
    encodeRecord({kind, edit.offset, edit.removed, edit.inserted}, journal);
}

// Random edits over a base of a few megabytes (the chunks are split, emptied and joined), and over
// an untitled document; the journal replays to what a plain string made of the same edits.
TEST(JournalReplay, RandomEditsGiveTheModel)
{
    TempDir folder;
    std::mt19937 random(1);
    for (const std::size_t baseSize : {std::size_t{0}, std::size_t{3} << 20}) {
        std::string model = randomText(random, baseSize);
        const std::string path = baseSize == 0 ? std::string() : folder.write("base.txt", model);
        std::string journal;
        encodeHeader(headerFor(path, model), journal);
        for (int i = 0; i < 20000; ++i) {
            const Edit edit = randomEdit(random, model.size());
            applyTo(model, edit);
            addRecord(journal, RecordKind::Edit, edit);
        }
        const ReplayedDocument replayed = replayJournal(bytesSpan(journal), ReplayFrom::Base, cHeap(), 8);
        EXPECT_EQ(replayedText(replayed), model) << baseSize;
        EXPECT_EQ(replayed.records, 20000u);
        EXPECT_FALSE(replayed.fromSnapshot);
        EXPECT_GE(replayed.bytes.size(), replayed.length + 1 + 8);
    }
}

struct Case {
    TempDir folder;
    std::string basePath;
    std::string base = "The quick brown fox jumps over the lazy dog.\n";
    std::string journal;  // header and one edit
    std::string model;    // base after the edit

    Case()
    {
        basePath = folder.write("base.txt", base);
        encodeHeader(headerFor(basePath, base), journal);
        const Edit edit{4, 5, "slow"};
        addRecord(journal, RecordKind::Edit, edit);
        model = base;
        applyTo(model, edit);
    }
    ReplayedDocument replay(ReplayFrom from = ReplayFrom::Base) const
    {
        return replayJournal(bytesSpan(journal), from, cHeap(), 0);
    }
};

TEST(JournalReplay, BaseChangedSaysWhatDiffers)
{
    {
        Case c;
        EXPECT_EQ(replayedText(c.replay()), c.model);
        // Same size, restored modification time: only the checksum tells.
        struct stat before {};
        ASSERT_EQ(::stat(c.basePath.c_str(), &before), 0);
        std::string changed = c.base;
        changed[0] = 't';
        c.folder.write("base.txt", changed);
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, c.basePath.c_str(), times, 0), 0);
        const ReplayedDocument replayed = c.replay();
        EXPECT_EQ(replayed.outcome, ReplayOutcome::BaseChanged);
        EXPECT_NE(replayed.reason.find("content"), std::string::npos) << replayed.reason;
        // From a snapshot only: the journal holds none.
        const ReplayedDocument snapshotOnly = c.replay(ReplayFrom::SnapshotOnly);
        EXPECT_EQ(snapshotOnly.outcome, ReplayOutcome::BaseChanged);
        EXPECT_EQ(snapshotOnly.reason, "The journal holds no copy of the whole document.");
        // With a snapshot and records after it, the changed base no longer matters there.
        const Edit after{0, 3, "A"};
        addRecord(c.journal, RecordKind::Snapshot, {0, 0, c.model});
        addRecord(c.journal, RecordKind::Edit, after);
        applyTo(c.model, after);
        const ReplayedDocument fromSnapshot = c.replay(ReplayFrom::SnapshotOnly);
        EXPECT_EQ(replayedText(fromSnapshot), c.model);
        EXPECT_TRUE(fromSnapshot.fromSnapshot);
        EXPECT_EQ(fromSnapshot.records, 3u);
        // From the base, whose identity is still the header's, its content is checked all the same:
        // changes are never put back under the name of a file that changed.
        EXPECT_EQ(c.replay().outcome, ReplayOutcome::BaseChanged);
    }
    {
        Case c;
        c.folder.write("base.txt", c.base + "more");
        const ReplayedDocument replayed = c.replay();
        EXPECT_EQ(replayed.outcome, ReplayOutcome::BaseChanged);
        EXPECT_NE(replayed.reason.find("size"), std::string::npos) << replayed.reason;
    }
    {
        Case c;
        ASSERT_EQ(::unlink(c.basePath.c_str()), 0);
        const ReplayedDocument replayed = c.replay();
        EXPECT_EQ(replayed.outcome, ReplayOutcome::BaseChanged);
        EXPECT_NE(replayed.reason.find("No such file"), std::string::npos) << replayed.reason;
        // A pipe in its place is never opened for reading (that would block).
        ASSERT_EQ(::mkfifo(c.basePath.c_str(), 0600), 0);
        EXPECT_EQ(c.replay().outcome, ReplayOutcome::BaseChanged);
    }
}

TEST(JournalReplay, DamageAndRefusedMemoryAreReported)
{
    {
        Case c;
        c.journal[3] = 'X';
        EXPECT_EQ(c.replay().outcome, ReplayOutcome::Damaged);
    }
    {
        Case c;
        addRecord(c.journal, RecordKind::Edit, {c.model.size() - 2, 3, ""});
        const ReplayedDocument replayed = c.replay();
        EXPECT_EQ(replayed.outcome, ReplayOutcome::Damaged);
        EXPECT_NE(replayed.reason.find("Record 2 "), std::string::npos) << replayed.reason;
    }
    {
        Case c;
        FailingHeap heap;
        heap.failAfter(0);
        const ReplayedDocument replayed = replayJournal(bytesSpan(c.journal), ReplayFrom::Base, heap, 0);
        EXPECT_EQ(replayed.outcome, ReplayOutcome::Damaged);
        EXPECT_NE(replayed.reason.find("Not enough memory"), std::string::npos) << replayed.reason;
    }
}

// Cut anywhere in the last record, a journal gives the document before that record.
TEST(JournalReplay, TornTailGivesTheDocumentBeforeIt)
{
    Case c;
    const std::string before = c.model;
    const std::size_t lastStart = c.journal.size();
    const Edit last{10, 2, "and more words"};
    addRecord(c.journal, RecordKind::Edit, last);
    std::string after = before;
    applyTo(after, last);
    const std::string whole = c.journal;
    for (std::size_t cut = lastStart; cut <= whole.size(); ++cut) {
        c.journal = whole.substr(0, cut);
        const ReplayedDocument replayed = c.replay();
        EXPECT_EQ(replayedText(replayed), cut == whole.size() ? after : before) << cut;
        EXPECT_EQ(replayed.tornTail, cut != lastStart && cut != whole.size()) << cut;
    }
}

}  // namespace
}  // namespace quillory::test
