// The recovery journal in the real main window: when a journal exists and when it goes, the modes
// of what it writes, a disk that fills up, and the questions at start-up over journals that an
// editor which died left behind (made here by the journal's own writer).
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

#include "app/StatusBar.h"
#include "commands/CommandIds.h"
#include "controllers/RecoveryController.h"
#include "EditorInWindow.h"
#include "recovery/JournalReplay.h"
#include "recovery/JournalWriter.h"
#include "support/SmallDisk.h"

namespace quillory {
namespace {

using namespace cmd;
using test::EditorInWindow;
using test::readAll;

constexpr std::chrono::seconds kSyncLimit{5};

std::vector<std::string> journalsIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    return names;
}

class RecoveryInFrame : public EditorInWindow {
protected:
    void start(const std::string& commandLine = "")
    {
        app.setRecoveryFolder(folder);
        startEditor(commandLine);
    }
    RecoveryController& recovery() const
    {
        auto* found = frame->activeView()->findChild<RecoveryController*>();
        EXPECT_NE(found, nullptr);
        return *found;
    }
    void typeKeys(const char* text) { QTest::keyClicks(control, text); }
    std::size_t journalCount() const { return journalsIn(folder).size(); }
    // Types and waits until the journal holds it.
    void typeAndSync(const char* text)
    {
        typeKeys(text);
        JournalWriter* writer = recovery().writer();
        ASSERT_NE(writer, nullptr) << "an edit began no journal";
        ASSERT_TRUE(writer->waitSynced(writer->appendedUpTo(), kSyncLimit));
    }

    std::string folder = dir.file("state/quillory/recovery");
};

TEST_F(RecoveryInFrame, AJournalLivesFromTheFirstEditUntilSaveNewOpenOrExitAndIsPrivate)
{
    const std::string path = dir.write("notes.txt", "first line\n");
    const std::string other = dir.write("other.txt", "other\n");
    app.setFileDialogs(&fileDialogs);
    start(path);
    EXPECT_EQ(recovery().writer(), nullptr) << "a journal before any edit";
    ASSERT_NO_FATAL_FAILURE(typeAndSync("abc"));
    ASSERT_EQ(journalCount(), 1u);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    const std::string journal = folder + "/" + journalsIn(folder).front();
    ASSERT_EQ(::stat(journal.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // Save: gone, and the next edit begins a new one over the saved file.
    QTest::keyClick(control, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(journalCount(), 0u);
    ASSERT_NO_FATAL_FAILURE(typeAndSync("d"));
    EXPECT_EQ(journalCount(), 1u);
    // New, the changes given up.
    boxes.answer(MessageResult::No);
    frame->commandRouter().execute(ID_FILE_NEW);
    EXPECT_EQ(journalCount(), 0u);
    // Open, the changes given up.
    ASSERT_NO_FATAL_FAILURE(typeAndSync("e"));
    EXPECT_EQ(journalCount(), 1u);
    boxes.answer(MessageResult::No);
    fileDialogs.choosePath(other);
    frame->commandRouter().execute(ID_FILE_OPEN);
    EXPECT_EQ(controlText(), "other\n");
    EXPECT_EQ(journalCount(), 0u);
    // A clean exit, the changes given up.
    ASSERT_NO_FATAL_FAILURE(typeAndSync("f"));
    EXPECT_EQ(journalCount(), 1u);
    boxes.answer(MessageResult::No);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(journalCount(), 0u);
}

TEST_F(RecoveryInFrame, AFullDiskTurnsRecoveryOffWithOneBoxAndEditingGoesOn)
{
    std::filesystem::create_directories(dir.file("state/quillory"));
    test::SmallDisk disk(folder, "64k");
    if (!disk.mounted())
        GTEST_SKIP() << "no tmpfs could be mounted here";
    start();
    const std::string line(1000, 'x');
    std::int64_t typed = 0;
    for (int i = 0; i < 200 && !recovery().recoveryOff(); ++i) {
        control->replaceSelection(line, true);
        typed += 1000;
        QTest::qWait(20);
    }
    ASSERT_TRUE(recovery().recoveryOff()) << "a full disk went unnoticed";
    for (int i = 0; i < 20; ++i)
        control->replaceSelection(line, true);
    typed += std::int64_t{20} * 1000;
    QTest::qWait(600);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.last().text.find("can no longer be kept for recovery"), std::string::npos);
    EXPECT_NE(boxes.last().text.find("\nReason: "), std::string::npos) << boxes.last().text;
    EXPECT_NE(boxes.last().text.find("No space left on device"), std::string::npos) << boxes.last().text;
    const auto* pane = frame->findChild<QLabel*>(QStringLiteral("RecoveryPane"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text(), QStringLiteral("Recovery off"));
    EXPECT_TRUE(pane->isVisible());
    typeKeys("go on");
    EXPECT_EQ(control->textLength(), typed + 5);
}

TEST_F(RecoveryInFrame, ALargeEditIsCopiedBesideTheWindowAndReplaysWhole)
{
    std::string text;
    for (int line = 0; line < 20000; ++line)
        text += "line " + std::to_string(line) + " needs a needle\n";
    const std::string path = dir.write("long.txt", text);
    start(path);
    // One edit of about 600 KB, then keys at once: the control waits for the copy before changing.
    EXPECT_EQ(control->replaceAll("needle", "pin", FindOptions{}), 20000);
    control->select(3, 3);
    typeKeys("xyz");
    JournalWriter* writer = recovery().writer();
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(writer->waitSynced(writer->appendedUpTo(), kSyncLimit));
    const std::string journal = readAll(writer->path());
    const ReplayedDocument replayed = replayJournal(
        {reinterpret_cast<const std::uint8_t*>(journal.data()), journal.size()}, ReplayFrom::Base, cHeap(), 0);
    ASSERT_EQ(replayed.outcome, ReplayOutcome::Recovered) << replayed.reason;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(replayed.bytes.data()), replayed.length), controlText());
}

// A journal as a killed editor leaves it: a header for path (empty: untitled) and the records.
void leaveJournal(const std::string& folder, const std::string& path, const std::vector<JournalRecord>& records)
{
    JournalHeader header;
    std::uint64_t length = 0;
    if (!path.empty()) {
        ASSERT_TRUE(identifyFile(path, header.base));
        length = header.base.size;
    }
    JournalWriter writer(folder, header, length, {});
    std::uint64_t last = 0;
    for (const JournalRecord& record : records) {
        last = record.kind == RecordKind::Snapshot ? writer.appendSnapshot(record.inserted)
                                                   : writer.append(record.offset, record.removed, record.inserted);
    }
    ASSERT_TRUE(writer.waitSynced(last, kSyncLimit));
}

JournalRecord edit(std::uint64_t offset, std::uint64_t removed, std::string inserted)
{
    return {RecordKind::Edit, offset, removed, std::move(inserted)};
}

TEST_F(RecoveryInFrame, YesRecoversTheChangesOverTheFileAndKeepsItsName)
{
    const std::string path = dir.write("letter.txt", "Dear Sir,\n");
    ASSERT_NO_FATAL_FAILURE(leaveJournal(folder, path, {edit(5, 3, "Madam"), edit(0, 0, "> ")}));
    boxes.answer(MessageResult::Yes);
    start();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.last().text.rfind("Quillory found unsaved changes to " + path + " from ", 0), 0u)
        << boxes.last().text;
    EXPECT_NE(boxes.last().text.find(". Recover them?"), std::string::npos);
    EXPECT_EQ(controlText(), "> Dear Madam,\n");
    EXPECT_TRUE(control->isModified());
    EXPECT_EQ(app.document()->title(), "letter.txt");
    EXPECT_EQ(readAll(path), "Dear Sir,\n") << "recovery wrote to the file";
    // The journal goes on: one more edit, then a save ends it.
    typeKeys("!");
    QTest::keyClick(control, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(readAll(path), "!> Dear Madam,\n");
    EXPECT_EQ(journalCount(), 0u);
}

TEST_F(RecoveryInFrame, NoAsksOnceMoreAndCancelKeepsTheJournalForTheNextStart)
{
    ASSERT_NO_FATAL_FAILURE(leaveJournal(folder, "", {edit(0, 0, "draft")}));
    boxes.answer(MessageResult::Cancel);
    start();
    EXPECT_EQ(controlText(), "");
    EXPECT_EQ(journalCount(), 1u);
    EXPECT_NE(boxes.last().text.find("unsaved changes to Untitled from"), std::string::npos);
}

TEST_F(RecoveryInFrame, NoThenNoKeepsTheJournalAndNoThenYesDeletesIt)
{
    ASSERT_NO_FATAL_FAILURE(leaveJournal(folder, "", {edit(0, 0, "draft")}));
    boxes.answer(MessageResult::No);
    boxes.answer(MessageResult::No);
    boxes.answer(MessageResult::No);
    boxes.answer(MessageResult::Yes);
    start();
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.last().text, "Delete the unsaved changes to Untitled for good?");
    EXPECT_EQ(journalCount(), 1u);
    // The next start asks again.
    RecoveryController& controller = recovery();
    EXPECT_FALSE(controller.offerRecoveries());
    EXPECT_EQ(journalCount(), 0u);
    EXPECT_EQ(boxes.shown().size(), 4u);
}

TEST_F(RecoveryInFrame, AChangedFileIsNeverEditedAndASnapshotOpensAsUntitled)
{
    // The journal with a snapshot is the older one: the newer one is asked about first.
    const std::string withSnapshot = dir.write("plan2.txt", "step two\n");
    ASSERT_NO_FATAL_FAILURE(leaveJournal(
        folder, withSnapshot, {edit(0, 0, "x"), {RecordKind::Snapshot, 0, 0, "whole new text"}, edit(5, 0, "!")}));
    QTest::qWait(20);
    const std::string path = dir.write("plan.txt", "step one\n");
    ASSERT_NO_FATAL_FAILURE(leaveJournal(folder, path, {edit(0, 0, "first "), edit(0, 0, "my ")}));
    // Both files change: same size, another content, the old modification time.
    struct stat before {};
    for (const std::string& file : {path, withSnapshot}) {
        ASSERT_EQ(::stat(file.c_str(), &before), 0);
        std::ofstream(file, std::ios::binary | std::ios::in) << "STEP";
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    }
    for (int i = 0; i < 6; ++i)
        boxes.answer(MessageResult::Yes);
    start();
    std::string said;
    for (const MessageBoxRequest& box : boxes.shown())
        said += box.text + "\n---\n";
    // The journal without a snapshot cannot be applied and is kept; the one with a snapshot opens
    // as an untitled document.
    EXPECT_NE(said.find(path + " has changed since these changes were made, so they cannot be applied to it. "
                               "They are kept in"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find(withSnapshot + " has changed since these changes were made"), std::string::npos) << said;
    EXPECT_NE(said.find("\nReason: "), std::string::npos) << said;
    EXPECT_EQ(controlText(), "whole! new text");
    EXPECT_EQ(app.document()->title(), "Untitled");
    EXPECT_TRUE(control->isModified());
    EXPECT_EQ(readAll(path), "STEP one\n");
    EXPECT_EQ(readAll(withSnapshot), "STEP two\n");
}

TEST_F(RecoveryInFrame, ADamagedJournalIsReportedAndKept)
{
    std::filesystem::create_directories(folder);
    const std::string damaged = folder + "/abcdefghij0123456789.journal";
    std::ofstream(damaged, std::ios::binary) << "QLRYJRN1 but not a header at all";
    ::chmod(damaged.c_str(), 0600);
    start();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.last().text.find("is damaged"), std::string::npos) << boxes.last().text;
    EXPECT_NE(boxes.last().text.find("\nReason: "), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(damaged));
}

}  // namespace
}  // namespace quillory
