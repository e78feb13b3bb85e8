// The recovery journal's cost, offscreen, on a 100 MB TEXT document: keys typed at random places
// (each key with its repaint) and Replace All of 1,000,000 matches, without a journal and with
// one, taken in turns; the journal's size on the disk against the bytes the edits inserted; the time
// from an edit to its record being synced; and the replay of 100,000 records over the 100 MB file.
// Prints the figures and the limits they are held to.
//
// usage: bench_recovery [folder for the test files] [size in MB]

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "bench/BenchSupport.h"
#include "controllers/RecoveryController.h"
#include "document/QuilloryDoc.h"
#include "recovery/JournalReplay.h"
#include "recovery/JournalWriter.h"
#include "view/QuilloryView.h"

using namespace quillory;

namespace {

constexpr const char* kNeedle = "needle";
constexpr const char* kReplacement = "pin";
constexpr int kKeys = 300;

double msSince(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Lines of 100 bytes, each with the needle once: sizeMb MB hold about 10,000 lines per MB.
void writeTextFile(const std::string& path, std::size_t sizeMb)
{
    std::string line(99, 'a');
    line.replace(40, 6, kNeedle);
    line += '\n';
    std::string bytes;
    bytes.reserve(sizeMb << 20);
    std::mt19937 random(7);
    while (bytes.size() + line.size() <= (sizeMb << 20)) {
        for (std::size_t i = 0; i < 40; ++i)
            line[i] = static_cast<char>('a' + random() % 26);
        bytes += line;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

struct Round {
    std::vector<double> keys;  // ms per key, with its repaint
    double replaceAll = 0;     // ms
    std::int64_t replaced = 0;
    double keyAfterReplaceAll = 0;  // ms
    std::uint64_t journalBytes = 0;
    std::uint64_t insertedBytes = 0;
    std::vector<double> syncDelays;  // ms from an edit to its record on the disk
};

std::uint64_t bytesIn(const std::string& folder)
{
    std::uint64_t total = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        total += entry.file_size(error);
    return total;
}

// Keys typed at random places; the time of each, with the repaint it causes.
void typeKeys(EditControl& control, Round& round)
{
    std::mt19937_64 random(11);
    QElapsedTimer clock;
    for (int i = 0; i < kKeys; ++i) {
        const auto at = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(control.textLength()));
        control.select(at, at);
        clock.restart();
        QTest::keyClick(&control, static_cast<char>('A' + i % 26));
        control.viewport()->repaint();
        round.keys.push_back(msSince(clock));
        round.insertedBytes += 1;
    }
}

// A few edits apart, the time until each one's record is synced.
void measureSyncDelays(EditControl& control, JournalWriter& writer, Round& round)
{
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(&control, 'z');
        round.insertedBytes += 1;
        QElapsedTimer clock;
        clock.start();
        const std::uint64_t record = writer.appendedUpTo();
        writer.waitSynced(record, std::chrono::seconds(10));
        round.syncDelays.push_back(msSince(clock));
        QTest::qWait(static_cast<int>(37 * i % 300));
    }
}

Round runRound(const std::string& file, const std::string& journalFolder)
{
    Round round;
    bench::PrintedMessageBoxes boxes;
    bench::NoDialogs dialogs;
    bench::NoFileDialogs fileDialogs;
    QuilloryApp app(boxes);
    app.setRecoveryFolder(journalFolder);
    app.setViewFactory(editorViewFactory(app, boxes, dialogs, fileDialogs, file + ".dat"));
    if (!app.initInstance(file))
        return round;
    app.mainFrame()->resize(1000, 700);
    auto* view = qobject_cast<QuilloryView*>(app.mainFrame()->activeView());
    EditControl& control = view->control();
    control.takeFocus();
    QTest::qWait(50);
    typeKeys(control, round);

    const std::int64_t before = control.textLength();
    QElapsedTimer clock;
    clock.start();
    round.replaced = control.replaceAll(kNeedle, kReplacement, FindOptions{});
    control.viewport()->repaint();
    round.replaceAll = msSince(clock);
    // The next key waits for the replaced span to be copied out of the control, where it has not
    // been yet.
    clock.restart();
    QTest::keyClick(&control, '!');
    control.viewport()->repaint();
    round.keyAfterReplaceAll = msSince(clock);
    round.insertedBytes += 1;
    // The one edit Replace All makes inserts the span from the first match to the last, replaced:
    // all but the first line's start and the last line's end.
    round.insertedBytes +=
        static_cast<std::uint64_t>(control.textLength() - before) + static_cast<std::uint64_t>(before) - 100;

    auto* recovery = view->findChild<RecoveryController*>();
    if (!journalFolder.empty() && recovery != nullptr && recovery->writer() != nullptr) {
        JournalWriter& writer = *recovery->writer();
        measureSyncDelays(control, writer, round);
        writer.waitSynced(writer.appendedUpTo(), std::chrono::seconds(60));
        round.journalBytes = bytesIn(journalFolder);
    }
    // Given up, so that the exit asks nothing and leaves no journal.
    app.document()->setModified(false);
    return round;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double worst(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// 100,000 random edits journalled over the file, then replayed as a start-up recovery does.
void measureReplay(const std::string& file, const std::string& folder)
{
    JournalHeader header;
    identifyFile(file, header.base);
    std::uint64_t length = header.base.size;
    std::string journalPath;
    {
        JournalWriter writer(folder, header, length, {});
        std::mt19937_64 random(5);
        std::uint64_t last = 0;
        for (int i = 0; i < 100000; ++i) {
            const std::uint64_t at = random() % length;
            const std::uint64_t removed = std::min<std::uint64_t>(random() % 4, length - at);
            const std::string inserted(random() % 8, static_cast<char>('a' + i % 26));
            last = writer.append(at, removed, inserted);
            length = length - removed + inserted.size();
        }
        writer.waitSynced(last, std::chrono::seconds(120));
        journalPath = writer.path();
    }
    std::string bytes;
    {
        FILE* in = std::fopen(journalPath.c_str(), "rb");
        bytes.resize(std::filesystem::file_size(journalPath));
        std::fread(bytes.data(), 1, bytes.size(), in);
        std::fclose(in);
    }
    QElapsedTimer clock;
    clock.start();
    const ReplayedDocument replayed = replayJournal({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
                                                    ReplayFrom::Base, cHeap(), 65536);
    const double ms = msSince(clock);
    std::printf("recovery of 100,000 records over the file: %.0f ms (limit 2000 ms), %s, %llu bytes\n", ms,
                replayed.outcome == ReplayOutcome::Recovered && replayed.length == length ? "right length" : "WRONG",
                static_cast<unsigned long long>(replayed.length));
    std::filesystem::remove(journalPath);
}

void report(const std::vector<Round>& without, const std::vector<Round>& with)
{
    std::vector<double> keysWithout;
    std::vector<double> keysWith;
    std::vector<double> replaceWithout;
    std::vector<double> replaceWith;
    for (const Round& round : without) {
        keysWithout.insert(keysWithout.end(), round.keys.begin(), round.keys.end());
        replaceWithout.push_back(round.replaceAll);
    }
    std::vector<double> syncs;
    for (const Round& round : with) {
        keysWith.insert(keysWith.end(), round.keys.begin(), round.keys.end());
        replaceWith.push_back(round.replaceAll);
        syncs.insert(syncs.end(), round.syncDelays.begin(), round.syncDelays.end());
    }
    std::printf("keys without a journal: median %.2f ms, max %.2f ms\n", median(keysWithout), worst(keysWithout));
    std::printf("keys with the journal:  median %.2f ms, max %.2f ms (limit: within 10 %%: ratios %.2f, %.2f)\n",
                median(keysWith), worst(keysWith), median(keysWith) / median(keysWithout),
                worst(keysWith) / worst(keysWithout));
    std::printf("Replace All of %lld matches: %.0f ms without, %.0f ms with (limit 1.3 x: %.2f)\n",
                static_cast<long long>(with.front().replaced), median(replaceWithout), median(replaceWith),
                median(replaceWith) / median(replaceWithout));
    std::vector<double> afterWithout;
    std::vector<double> afterWith;
    afterWithout.reserve(without.size());
    afterWith.reserve(with.size());
    for (const Round& round : without)
        afterWithout.push_back(round.keyAfterReplaceAll);
    for (const Round& round : with)
        afterWith.push_back(round.keyAfterReplaceAll);
    std::printf("the key right after Replace All: %.0f ms without, %.0f ms with (it waits for the copy)\n",
                median(afterWithout), median(afterWith));
    for (std::size_t turn = 0; turn < with.size(); ++turn)
        std::printf("  turn %zu: worst key %.2f ms without, %.2f ms with\n", turn + 1, worst(without[turn].keys),
                    worst(with[turn].keys));
    const Round& last = with.back();
    std::printf("journal on the disk: %.1f MB for %.1f MB inserted (limit 2 x inserted + 64 MB = %.1f MB)\n",
                static_cast<double>(last.journalBytes) / 1048576.0, static_cast<double>(last.insertedBytes) / 1048576.0,
                (2.0 * static_cast<double>(last.insertedBytes) + 64.0 * 1048576.0) / 1048576.0);
    std::printf("edit to synced record: median %.0f ms, max %.0f ms (limit 2000 ms)\n", median(syncs), worst(syncs));
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::size_t sizeMb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
    const std::string file = folder + "/quillory-bench-recovery.txt";
    const std::string journals = folder + "/quillory-bench-recovery-journals";
    std::filesystem::remove_all(journals);
    writeTextFile(file, sizeMb);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    std::vector<Round> without;
    std::vector<Round> with;
    for (int turn = 0; turn < 3; ++turn) {
        without.push_back(runRound(file, ""));
        with.push_back(runRound(file, journals));
        std::filesystem::remove_all(journals);
    }
    report(without, with);
    measureReplay(file, journals);
    std::printf("peak memory: %.0f MB\n", bench::peakMegabytes());
    std::filesystem::remove_all(journals);
    std::remove(file.c_str());
    std::remove((file + ".dat").c_str());
    return 0;
}
