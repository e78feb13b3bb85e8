// The whole editor killed with SIGKILL at random moments while real keys edit TEXT and BINARY
// documents, named and untitled, then started again as a user would: what it recovers is the
// document after some edit it acknowledged, and never one older than two seconds before the kill.
// Also: two editors side by side, a base file changed behind the journal, a full disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "recovery/FastHash.h"
#include "reliability/VictimProcess.h"
#include "support/SmallDisk.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSafeAfter = std::chrono::seconds(2);

void writeAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::uint64_t checksumOf(const std::string& bytes)
{
    return contentChecksum({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

std::string hexOf(const std::string& bytes)
{
    static const char* const kDigits = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

// What the keys do to the document's bytes, as a user reads them: typed characters go in at the
// caret (or over the character after it in overwrite mode, though never over a TEXT line break),
// Backspace and Delete take one away. Every key is an edit of its own, which the journal may hold
// or not yet: afterKey sees the bytes after each.
struct DocumentModel {
    std::string bytes;
    bool binary = false;
    bool overwrite = false;
    std::function<void(const std::string&)> afterKey;

    void keyDone()
    {
        if (afterKey)
            afterKey(bytes);
    }
    void type(std::size_t at, const std::string& text)
    {
        for (const char c : text) {
            if (overwrite && at < bytes.size() && (binary || bytes[at] != '\n'))
                bytes[at] = c;
            else
                bytes.insert(at, 1, c);
            ++at;
            keyDone();
        }
    }
    void replace(std::size_t start, std::size_t end, const std::string& text)
    {
        bytes.erase(start, end - start);
        bytes.insert(start, text.substr(0, 1));
        keyDone();
        type(start + 1, text.substr(1));
    }
    void backspace(std::size_t at, int times)
    {
        for (int i = 0; i < times && at > 0; ++i) {
            bytes.erase(--at, 1);
            keyDone();
        }
    }
    void erase(std::size_t at, int times)
    {
        for (int i = 0; i < times && at < bytes.size(); ++i) {
            bytes.erase(at, 1);
            keyDone();
        }
    }
};

// A random command for the victim, applied to the model as well.
std::string randomCommand(DocumentModel& model, bool named, std::mt19937& random)
{
    auto pick = [&](std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(random);
    };
    std::string text;
    for (std::size_t i = pick(1, 8); i > 0; --i)
        text += pick(0, 15) == 0 ? '\t' : static_cast<char>(pick(' ', '~'));
    const std::size_t size = model.bytes.size();
    const std::size_t at = pick(0, size);
    const std::size_t roll = pick(0, 99);
    std::ostringstream command;
    if (roll < 45) {
        model.type(at, text);
        command << "T " << at << ' ' << hexOf(text);
    } else if (roll < 60 && size > 0) {
        const std::size_t end = std::min(size, at + pick(1, 12));
        const std::size_t start = std::min(at, end - 1);
        model.replace(start, end, text);
        command << "R " << start << ' ' << end << ' ' << hexOf(text);
    } else if (roll < 75) {
        const int times = static_cast<int>(pick(1, 6));
        model.backspace(at, times);
        command << "B " << at << ' ' << times;
    } else if (roll < 88) {
        const int times = static_cast<int>(pick(1, 6));
        model.erase(at, times);
        command << "D " << at << ' ' << times;
    } else if (roll < 92) {
        model.overwrite = !model.overwrite;
        command << "I";
    } else if (roll < 95 && named) {
        command << "S";
    } else {
        command << "W " << pick(20, 700);
    }
    return command.str();
}

enum class Kind { NamedText, UntitledText, NamedBinary };

std::string initialBytes(Kind kind, std::mt19937& random)
{
    std::string bytes;
    const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 3000)(random);
    for (std::size_t i = 0; i < size && kind != Kind::UntitledText; ++i) {
        if (kind == Kind::NamedBinary)
            bytes += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
        else
            bytes += std::uniform_int_distribution<int>(0, 20)(random) == 0
                         ? '\n'
                         : static_cast<char>(std::uniform_int_distribution<int>('a', 'z')(random));
    }
    if (kind == Kind::NamedBinary)
        bytes += '\0';  // BINARY whatever else was drawn
    return bytes;
}

// The document after one key, and when the victim acknowledged the command that key belongs to
// (never: sent as the kill came).
struct Acknowledged {
    std::size_t length;
    std::uint64_t checksum;
    Clock::time_point at;
    std::size_t command;  // commands[command - 1] made it; 0: the document as loaded
};

struct Trial {
    std::string folder;
    std::string settings;
    std::string file;                  // empty: untitled
    std::vector<Acknowledged> states;  // [0] the document as loaded, then after every key
    std::vector<std::string> commands;
    Clock::time_point killedAt;
};

// Edits until a random moment, then kills the victim, perhaps in the middle of a command.
void editAndKill(Trial& trial, DocumentModel& model, std::mt19937& random)
{
    std::vector<std::string> arguments{"edit", trial.folder, trial.settings};
    if (!trial.file.empty())
        arguments.push_back(trial.file);
    VictimProcess victim(arguments);
    std::string line;
    ASSERT_TRUE(victim.readLine(line)) << "the victim did not start";
    ASSERT_EQ(line, "ready");
    trial.states.push_back({model.bytes.size(), checksumOf(model.bytes), Clock::now(), 0});
    // Every key's state, acknowledged when its command is.
    model.afterKey = [&](const std::string& bytes) {
        trial.states.push_back({bytes.size(), checksumOf(bytes), Clock::time_point::max(), trial.commands.size()});
    };
    const Clock::time_point killAt =
        Clock::now() + std::chrono::milliseconds(std::uniform_int_distribution<int>(300, 4500)(random));
    while (Clock::now() < killAt) {
        const std::size_t first = trial.states.size();
        trial.commands.push_back(randomCommand(model, !trial.file.empty(), random));
        const std::string& command = trial.commands.back();
        ASSERT_TRUE(victim.send(command));
        ASSERT_TRUE(victim.readLine(line)) << "no answer to " << command;
        std::ostringstream expected;
        expected << "ok " << model.bytes.size() << ' ' << checksumOf(model.bytes);
        ASSERT_EQ(line, expected.str()) << "after " << command << ": the editor and the model disagree";
        for (std::size_t i = first; i < trial.states.size(); ++i)
            trial.states[i].at = Clock::now();
    }
    // Half the kills land while a command is being carried out.
    if (std::uniform_int_distribution<int>(0, 1)(random) == 1) {
        trial.commands.push_back(randomCommand(model, !trial.file.empty(), random));
        ASSERT_TRUE(victim.send(trial.commands.back()));
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random)));
    }
    victim.kill();
    trial.killedAt = Clock::now();
    ASSERT_EQ(victim.finish(), -SIGKILL);
}

// Starts the editor again on the same folder and file, answering Yes; the document it shows.
std::string recoverAfterKill(const Trial& trial, std::vector<std::string>& boxes)
{
    const std::string dump = trial.folder + "/../dump";
    std::vector<std::string> arguments{"recover", trial.folder, trial.settings, dump};
    if (!trial.file.empty())
        arguments.push_back(trial.file);
    VictimProcess victim(arguments);
    boxes = victim.readAllLines();
    EXPECT_EQ(victim.finish(), 0);
    return readAll(dump);
}

// The oldest state that must survive: the last one acknowledged two seconds before the kill.
std::size_t oldestSafeState(const Trial& trial)
{
    std::size_t safe = 0;
    for (std::size_t i = 0; i < trial.states.size(); ++i)
        if (trial.states[i].at != Clock::time_point::max() && trial.states[i].at + kSafeAfter <= trial.killedAt)
            safe = i;
    return safe;
}

struct Tally {
    int trials = 0;
    int latestState = 0;       // recovered the last acknowledged state or a later one
    int withinTwoSeconds = 0;  // recovered a state younger than two seconds
    std::size_t edits = 0;
};

void runTrial(int number, Kind kind, const TempDir& dir, std::mt19937& random, Tally& tally)
{
    Trial trial;
    const std::string root = dir.file("trial" + std::to_string(number));
    std::filesystem::create_directories(root + "/recovery");
    trial.folder = root + "/recovery";
    trial.settings = root + "/Quillory.dat";
    DocumentModel model;
    model.bytes = initialBytes(kind, random);
    model.binary = kind == Kind::NamedBinary;
    if (kind != Kind::UntitledText) {
        trial.file = root + (kind == Kind::NamedBinary ? "/data.bin" : "/notes.txt");
        writeAll(trial.file, model.bytes);
    }
    ASSERT_NO_FATAL_FAILURE(editAndKill(trial, model, random));
    // As the kill left it, for a look should the trial fail (the recovery ends with it).
    std::filesystem::copy(trial.folder, root + "/as-killed");
    std::vector<std::string> boxes;
    const std::string recovered = recoverAfterKill(trial, boxes);

    const std::size_t safe = oldestSafeState(trial);
    const auto found = std::find_if(
        trial.states.begin() + static_cast<std::ptrdiff_t>(safe), trial.states.end(), [&](const Acknowledged& state) {
            return state.length == recovered.size() && state.checksum == checksumOf(recovered);
        });
    if (found == trial.states.end()) {
        // What to look into: the commands, the states' lengths and a copy of the trial's files.
        std::ostringstream story;
        for (const std::string& box : boxes)
            story << box << "\n";
        for (const Acknowledged& state : trial.states)
            story << (state.command > 0 ? trial.commands[state.command - 1] : std::string("loaded")) << "  -> "
                  << state.length << " bytes" << (state.at == Clock::time_point::max() ? ", sent at the kill\n" : "\n");
        const std::string kept = "/tmp/quillory-failed-trial-" + std::to_string(::getpid());
        std::filesystem::copy(root, kept, std::filesystem::copy_options::recursive);
        FAIL() << "trial " << number << ": recovered " << recovered.size() << " bytes, no state from " << safe << " of "
               << trial.states.size() << "; the files are kept in " << kept << "\n"
               << story.str();
    }
    // A kill between a save's rename and the end of the journal it made unneeded may bring a box
    // that the file changed; nothing may ever be damaged or unreadable.
    for (const std::string& box : boxes) {
        for (const char* fault : {"damaged", "cannot be read", "cannot be recovered", "cannot be shown"})
            EXPECT_EQ(box.find(fault), std::string::npos) << "trial " << number << ": " << box;
    }
    tally.trials += 1;
    tally.edits += trial.states.size() - 1;
    const auto lastAcknowledged =
        std::find_if(trial.states.rbegin(), trial.states.rend(),
                     [](const Acknowledged& state) { return state.at != Clock::time_point::max(); });
    tally.latestState += found >= lastAcknowledged.base() - 1;
    tally.withinTwoSeconds += found->at == Clock::time_point::max() || found->at + kSafeAfter > trial.killedAt;
}

TEST(RecoveryJournal, NoEditAcknowledgedTwoSecondsBeforeAKillIsLost)
{
    TempDir dir;
    std::mt19937 random(std::random_device{}());
    Tally tally;
    constexpr int kTrials = 50;
    for (int trial = 0; trial < kTrials; ++trial) {
        const auto kind = static_cast<Kind>(trial % 3);
        ASSERT_NO_FATAL_FAILURE(runTrial(trial, kind, dir, random, tally));
    }
    std::printf("%d trials, %zu keys; the last acknowledged state (or a later one) recovered %d times, a state "
                "younger than 2 s %d times\n",
                tally.trials, tally.edits, tally.latestState, tally.withinTwoSeconds);
}

// An editor on file, edited by a few keys that are then on the disk.
struct EditedEditor {
    EditedEditor(const std::string& folder, const std::string& settings, const std::string& file)
        : victim({"edit", folder, settings, file})
    {}
    void typeAndSettle(const std::string& text)
    {
        std::string line;
        ASSERT_TRUE(victim.readLine(line));
        ASSERT_EQ(line, "ready");
        for (const std::string& command : {"T 0 " + hexOf(text), std::string("W 1200")}) {
            ASSERT_TRUE(victim.send(command));
            ASSERT_TRUE(victim.readLine(line));
        }
    }
    VictimProcess victim;
};

std::size_t countContaining(const std::vector<std::string>& lines, const std::string& part)
{
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; }));
}

TEST(RecoveryJournal, ASecondEditorNeverOffersTheJournalOfOneThatRuns)
{
    TempDir dir;
    const std::string folder = dir.file("recovery");
    std::filesystem::create_directories(folder);
    const std::string settings = dir.file("Quillory.dat");
    const std::string first = dir.write("first.txt", "one\n");
    const std::string second = dir.write("second.txt", "two\n");
    EditedEditor killed(folder, settings, first);
    EditedEditor survivor(folder, settings, second);
    ASSERT_NO_FATAL_FAILURE(killed.typeAndSettle("lost? "));
    ASSERT_NO_FATAL_FAILURE(survivor.typeAndSettle("alive "));
    killed.victim.kill();
    ASSERT_EQ(killed.victim.finish(), -SIGKILL);

    VictimProcess restarted({"recover", folder, settings, dir.file("dump")});
    const std::vector<std::string> said = restarted.readAllLines();
    EXPECT_EQ(restarted.finish(), 0);
    EXPECT_EQ(countContaining(said, "Quillory found unsaved changes to " + first), 1u);
    EXPECT_EQ(countContaining(said, second), 0u) << "the running editor's journal was offered";
    EXPECT_EQ(readAll(dir.file("dump")), "lost? one\n");

    // Once the survivor dies too, its changes are offered in turn.
    survivor.victim.kill();
    ASSERT_EQ(survivor.victim.finish(), -SIGKILL);
    VictimProcess later({"recover", folder, settings, dir.file("dump2")});
    const std::vector<std::string> saidLater = later.readAllLines();
    EXPECT_EQ(later.finish(), 0);
    EXPECT_EQ(countContaining(saidLater, "Quillory found unsaved changes to " + second), 1u);
    EXPECT_EQ(readAll(dir.file("dump2")), "alive two\n");
}

TEST(RecoveryJournal, AFileChangedBeforeTheFirstEditIsJournalledWhole)
{
    // The file changes behind the editor between its load and the first edit: the journal cannot
    // start from it, so it starts from the whole document, which then opens as untitled.
    TempDir dir;
    const std::string folder = dir.file("recovery");
    std::filesystem::create_directories(folder);
    const std::string settings = dir.file("Quillory.dat");
    const std::string file = dir.write("moving.txt", "as loaded\n");
    VictimProcess victim({"edit", folder, settings, file});
    std::string line;
    ASSERT_TRUE(victim.readLine(line));
    writeAll(file, "changed behind it\n");
    for (const std::string& command : {"T 0 " + hexOf("kept "), std::string("W 1500")}) {
        ASSERT_TRUE(victim.send(command));
        ASSERT_TRUE(victim.readLine(line));
    }
    victim.kill();
    ASSERT_EQ(victim.finish(), -SIGKILL);

    VictimProcess restarted({"recover", folder, settings, dir.file("dump"), file});
    const std::vector<std::string> said = restarted.readAllLines();
    EXPECT_EQ(restarted.finish(), 0);
    EXPECT_EQ(countContaining(said, file + " has changed since these changes were made"), 1u);
    EXPECT_EQ(readAll(dir.file("dump")), "kept as loaded\n");
    EXPECT_EQ(readAll(file), "changed behind it\n");
}

}  // namespace
}  // namespace quillory::test
