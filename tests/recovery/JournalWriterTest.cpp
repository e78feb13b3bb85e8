// The writer thread: what it is handed reaches the disk and replays to the document, through
// coalescing, compaction and snapshots; journals of live writers are not orphans; a journal that
// cannot be written says why once and then costs nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RecoveryTestSupport.h"
#include "recovery/JournalFolder.h"
#include "recovery/JournalWriter.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 20s;  // much longer than any sync here; a hang fails instead of blocking

struct Events {
    std::mutex mutex;
    std::vector<std::string> failures;
    std::atomic<int> snapshotRequests{0};
    JournalWriterHooks hooks()
    {
        return {[this](const std::string& reason) {
                    std::lock_guard lock(mutex);
                    failures.push_back(reason);
                },
                [this] { ++snapshotRequests; }};
    }
};

int modeOf(const std::string& path)
{
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return static_cast<int>(status.st_mode & 07777);
}

JournalSummary summaryOf(const std::string& path)
{
    const std::string bytes = readAll(path);
    return readJournal(bytesSpan(bytes));
}

// Hands the writer a run of edits like a user's: typing, overtyping, deleting, backspacing, jumps,
// pastes; the model takes the same edits.
std::uint64_t edit(JournalWriter& writer, std::string& model, std::mt19937& random, int count)
{
    std::uint64_t last = 0;
    std::uint64_t cursor = 0;
    for (int i = 0; i < count; ++i) {
        Edit next;
        const int kind = static_cast<int>(random() % 10);
        cursor = std::min<std::uint64_t>(cursor, model.size());
        if (kind < 5) {  // typing on at the cursor
            next = {cursor, 0, std::string(1 + random() % 3, static_cast<char>('a' + random() % 26))};
        } else if (kind == 5) {  // typing over what follows, or deleting it
            next = {cursor, std::min<std::uint64_t>(model.size() - cursor, 1 + random() % 2),
                    std::string(random() % 2, 'o')};
        } else if (kind < 8 && cursor > 0) {  // backspace
            const std::uint64_t removed = std::min<std::uint64_t>(cursor, 1 + random() % 2);
            next = {cursor - removed, removed, ""};
        } else {
            next = randomEdit(random, model.size());
        }
        applyTo(model, next);
        cursor = next.offset + next.inserted.size();
        last = writer.append(next.offset, next.removed, next.inserted);
    }
    return last;
}

TEST(JournalWriter, EditsReachTheDiskAndReplayToTheDocument)
{
    TempDir temp;
    const std::string folder = temp.path() + "/state/quillory/recovery";
    std::mt19937 random(21);
    std::string model(200'000, 'x');
    const std::string base = temp.write("base.txt", model);
    Events events;
    JournalHeader header = headerFor(base, model);
    header.baseChecksumKnown = false;  // the writer fills it
    header.baseChecksum = 0;
    std::string path;
    {
        JournalWriter writer(folder, header, model.size(), events.hooks(), {1ms, std::uint64_t{64} << 20});
        const std::uint64_t appended = edit(writer, model, random, 3000);
        ASSERT_TRUE(writer.waitSynced(appended, kWait));
        EXPECT_GE(writer.syncedUpTo(), appended);
        path = writer.path();
        EXPECT_EQ(replayedText(replayFile(path)), model);
        const JournalSummary summary = summaryOf(path);
        EXPECT_TRUE(summary.header.baseChecksumKnown);
        EXPECT_LT(summary.records, appended) << "typing runs are merged into fewer records";
        EXPECT_FALSE(summary.hasSnapshot);
        // What is still queued when the writer goes is written and synced.
        edit(writer, model, random, 500);
    }
    EXPECT_EQ(replayedText(replayFile(path)), model);
    EXPECT_EQ(modeOf(folder), 0700);
    EXPECT_EQ(modeOf(temp.path() + "/state/quillory"), 0700);
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_TRUE(events.failures.empty());
    EXPECT_EQ(events.snapshotRequests, 0);
}

// Records that outgrow the document are replaced by a snapshot of it, again and again.
TEST(JournalWriter, CompactsIntoASnapshot)
{
    TempDir temp;
    std::mt19937 random(8);
    std::string model(100'000, 'b');
    const std::string base = temp.write("base.txt", model);
    Events events;
    JournalWriter writer(temp.path(), headerFor(base, model), model.size(), events.hooks(), {1ms, 50'000});
    std::uint64_t last = 0;
    for (int round = 0; round < 40; ++round) {
        last = edit(writer, model, random, 200);
        // Large replacements make the records outgrow the document quickly.
        const std::uint64_t at = random() % (model.size() + 1);
        const Edit paste{at, std::min<std::uint64_t>(model.size() - at, 30'000), std::string(30'000, 'p')};
        applyTo(model, paste);
        last = writer.append(paste.offset, paste.removed, paste.inserted);
        if (round % 10 == 9) {
            ASSERT_TRUE(writer.waitSynced(last, kWait));
            EXPECT_EQ(replayedText(replayFile(writer.path())), model) << round;
        }
    }
    ASSERT_TRUE(writer.waitSynced(last, kWait));
    const JournalSummary summary = summaryOf(writer.path());
    EXPECT_TRUE(summary.hasSnapshot);
    EXPECT_LT(summary.validLength, 2 * model.size() + (std::uint64_t{1} << 20));
    EXPECT_EQ(replayedText(replayFile(writer.path())), model);
    EXPECT_TRUE(events.failures.empty());
}

// A base that changed before the journal began cannot be its start: the writer asks once for a
// snapshot, and the journal replays from it.
TEST(JournalWriter, AsksForASnapshotWhenTheBaseChanged)
{
    TempDir temp;
    std::string model = "first version of the file\n";
    const std::string base = temp.write("base.txt", model);
    const JournalHeader header = headerFor(base, model);
    temp.write("base.txt", "changed by another program meanwhile\n");
    Events events;
    JournalWriter writer(temp.path(), header, model.size(), events.hooks(), {1ms, 1});
    std::mt19937 random(4);
    ASSERT_TRUE(writer.waitSynced(edit(writer, model, random, 20), kWait));
    EXPECT_EQ(events.snapshotRequests, 1);
    EXPECT_EQ(replayFile(writer.path()).outcome, ReplayOutcome::BaseChanged);
    writer.appendSnapshot(model);
    ASSERT_TRUE(writer.waitSynced(edit(writer, model, random, 2000), kWait));
    EXPECT_EQ(replayedText(replayFile(writer.path(), ReplayFrom::SnapshotOnly)), model);
    EXPECT_EQ(events.snapshotRequests, 1);
    EXPECT_TRUE(events.failures.empty());
}

// The base changes while the journal runs, before its first rewrite: the rewrite asks for a
// snapshot, once, and the journal goes on from the snapshot.
TEST(JournalWriter, AsksForASnapshotWhenARewriteFindsTheBaseChanged)
{
    TempDir temp;
    std::string model(5000, 'm');
    const std::string base = temp.write("base.txt", model);
    Events events;
    JournalWriter writer(temp.path(), headerFor(base, model), model.size(), events.hooks(), {1ms, 20'000});
    const auto type = [&](int count, std::size_t size) {
        std::uint64_t last = 0;
        for (int i = 0; i < count; ++i) {
            const Edit edit{model.size() / 3, 0, std::string(size, static_cast<char>('a' + i % 26))};
            applyTo(model, edit);
            last = writer.append(edit.offset, edit.removed, edit.inserted);
        }
        return writer.waitSynced(last, kWait);
    };
    ASSERT_TRUE(type(10, 3));
    EXPECT_EQ(replayedText(replayFile(writer.path())), model);
    temp.write("base.txt", "another file now");
    for (int round = 0; round < 5; ++round)
        ASSERT_TRUE(type(20, 500));
    EXPECT_EQ(events.snapshotRequests, 1);
    EXPECT_FALSE(summaryOf(writer.path()).hasSnapshot);
    writer.appendSnapshot(model);
    for (int round = 0; round < 5; ++round)
        ASSERT_TRUE(type(20, 500));
    const JournalSummary summary = summaryOf(writer.path());
    EXPECT_TRUE(summary.hasSnapshot);
    EXPECT_EQ(summary.lastSnapshot, summary.headerLength) << "rewritten from the snapshot since";
    EXPECT_EQ(replayedText(replayFile(writer.path(), ReplayFrom::SnapshotOnly)), model);
    EXPECT_EQ(events.snapshotRequests, 1);
    EXPECT_TRUE(events.failures.empty());
}

TEST(JournalFolder, OrphansAreTheJournalsNobodyHoldsNewestFirst)
{
    TempDir temp;
    Events events;
    std::string modelA = "untitled";
    std::string modelB;
    std::mt19937 random(2);
    std::string pathA;
    {
        JournalWriter a(temp.path(), headerFor("", ""), 0, events.hooks(), {1ms, std::uint64_t{64} << 20});
        ASSERT_TRUE(a.waitSynced(a.append(0, 0, "untitled"), kWait));
        pathA = a.path();
    }
    ::usleep(20'000);  // a later modification time for the journal below
    auto b = std::make_unique<JournalWriter>(temp.path(), headerFor("", ""), 0, events.hooks(),
                                             JournalWriterOptions{1ms, std::uint64_t{64} << 20});
    ASSERT_TRUE(b->waitSynced(edit(*b, modelB, random, 300), kWait));
    const std::string pathB = b->path();
    temp.write("abc.journal", "not one of ours: the name is too short");
    temp.write("aaaaaaaaaaaaaaaaaaaa.journal.tmp", "left by a dead editor");
    const struct timespec longAgo[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, temp.file("aaaaaaaaaaaaaaaaaaaa.journal.tmp").c_str(), longAgo, 0), 0);
    temp.write("bbbbbbbbbbbbbbbbbbbb.journal.tmp", "just made by a writer that has not locked it yet");

    // B's writer holds its lock: only A is an orphan; the leftover temporary is removed.
    std::vector<OrphanJournal> orphans = claimOrphanJournals(temp.path());
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0].path, pathA);
    EXPECT_EQ(::access(temp.file("aaaaaaaaaaaaaaaaaaaa.journal.tmp").c_str(), F_OK), -1);
    EXPECT_EQ(::access(temp.file("bbbbbbbbbbbbbbbbbbbb.journal.tmp").c_str(), F_OK), 0);
    // Claimed by this caller now: a second look finds none.
    EXPECT_TRUE(claimOrphanJournals(temp.path()).empty());
    orphans.clear();

    b.reset();
    orphans = claimOrphanJournals(temp.path());
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_EQ(orphans[0].path, pathB);
    EXPECT_EQ(orphans[1].path, pathA);
    std::string bytes;
    ASSERT_TRUE(readWholeJournal(orphans[0], bytes));
    EXPECT_EQ(bytes, readAll(pathB));

    // Going on with B after a torn tail: the tail is cut, later records follow the valid ones.
    const ReplayedDocument replayed = replayJournal(bytesSpan(bytes), ReplayFrom::Base, cHeap(), 0);
    EXPECT_EQ(replayedText(replayed), modelB);
    ASSERT_EQ(::truncate(pathB.c_str(), static_cast<off_t>(bytes.size() - 3)), 0);
    const JournalSummary summary = summaryOf(pathB);
    ASSERT_TRUE(summary.tornTail);
    std::string model = modelB;  // the last record is lost with the tail: replay what remains
    model = replayedText(replayFile(pathB));
    {
        JournalWriter goingOn(std::move(orphans[0]), summary.header, summary.validLength, model.size(), events.hooks(),
                              {1ms, std::uint64_t{64} << 20});
        EXPECT_EQ(goingOn.path(), pathB);
        ASSERT_TRUE(goingOn.waitSynced(edit(goingOn, model, random, 300), kWait));
    }
    EXPECT_EQ(replayedText(replayFile(pathB)), model);
    EXPECT_FALSE(summaryOf(pathB).tornTail);
    EXPECT_TRUE(events.failures.empty());
}

TEST(JournalWriter, DiscardDeletesTheJournal)
{
    TempDir temp;
    Events events;
    JournalWriter writer(temp.path(), headerFor("", ""), 0, events.hooks());
    ASSERT_TRUE(writer.waitSynced(writer.append(0, 0, "text"), kWait));
    const std::string path = writer.path();
    ASSERT_FALSE(path.empty());
    writer.append(4, 0, "more");
    writer.discard();
    EXPECT_EQ(::access(path.c_str(), F_OK), -1);
    EXPECT_TRUE(writer.path().empty());
    EXPECT_TRUE(claimOrphanJournals(temp.path()).empty());
}

// A folder that cannot be made: one report that says why, then nothing.
TEST(JournalWriter, FailureIsReportedOnceAndLaterRecordsAreDropped)
{
    TempDir temp;
    const std::string file = temp.write("plain-file", "x");
    Events events;
    JournalWriter writer(file + "/recovery", headerFor("", ""), 0, events.hooks(), {1ms, 1});
    const std::uint64_t first = writer.append(0, 0, "a");
    EXPECT_FALSE(writer.waitSynced(first, kWait));
    EXPECT_TRUE(writer.failed());
    for (int i = 0; i < 1000; ++i)
        writer.append(1, 0, "b");
    writer.appendSnapshot("whole");
    EXPECT_FALSE(writer.waitSynced(first + 1001, 50ms));
    EXPECT_TRUE(writer.path().empty());
    std::lock_guard lock(events.mutex);
    ASSERT_EQ(events.failures.size(), 1u);
    EXPECT_NE(events.failures[0].find("Not a directory"), std::string::npos) << events.failures[0];
}

// Fills a small file system of its own. In a child process with a mount namespace of its own (root
// only); the child's exit status tells: 0 passed, 77 no namespace here, else the check that failed.
int fillTheDisk(const std::string& disk)
{
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mkdir(disk.c_str(), 0700) != 0 || ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
        return 77;
    Events events;
    std::vector<std::string> states{""};
    std::string model;
    {
        JournalWriter writer(disk + "/recovery", headerFor("", ""), 0, events.hooks(), {1ms, std::uint64_t{64} << 20});
        std::uint64_t last = 0;
        for (int i = 0; i < 100 && !writer.failed(); ++i) {
            const Edit edit{model.size() / 2, 0, std::string(9000, static_cast<char>('a' + i % 26))};
            applyTo(model, edit);
            states.push_back(model);
            last = writer.append(edit.offset, edit.removed, edit.inserted);
            writer.waitSynced(last, 10ms);
        }
        if (writer.waitSynced(last, kWait) || !writer.failed())
            return 1;
        const std::vector<OrphanJournal> none = claimOrphanJournals(disk + "/recovery");
        if (!none.empty())
            return 2;  // still locked by the writer
    }
    {
        std::lock_guard lock(events.mutex);
        if (events.failures.size() != 1 || events.failures[0].find("No space left") == std::string::npos)
            return 3;
    }
    const std::vector<OrphanJournal> orphans = claimOrphanJournals(disk + "/recovery");
    if (orphans.size() != 1)
        return 4;
    const ReplayedDocument replayed = replayFile(orphans[0].path);
    if (replayed.outcome != ReplayOutcome::Recovered)
        return 5;
    const std::string text(reinterpret_cast<const char*>(replayed.bytes.data()), replayed.length);
    return std::find(states.begin(), states.end(), text) != states.end() ? 0 : 6;
}

// A full disk: one report that says so, and a journal that still replays to the document as it
// was a few edits before.
TEST(JournalWriter, FullDiskLeavesAJournalThatReplays)
{
    TempDir temp;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(fillTheDisk(temp.path() + "/disk"));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no mount namespace of its own here (needs root)";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace quillory::test
