// Saves killed with SIGKILL at random moments: the target is always the whole old or the whole
// new content, and the hidden temporary a killed save leaves is removed by the next save into the
// folder. A save running in another process keeps its temporary while saves beside it clean up.
#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <iostream>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "base/SafeFileWriter.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMegabyte = std::size_t{1024} * 1024;
// The two contents differ in length too, so that a truncation of either shows.
std::size_t sizeOf(char byte)
{
    return byte == 'o' ? 100 * kMegabyte : 100 * kMegabyte + 4099;
}

// The victim program, started with its standard output on a pipe.
class Victim {
public:
    Victim(const std::string& path, char byte)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            const std::string byteArgument(1, byte);
            const std::string size = std::to_string(sizeOf(byte));
            ::execl(QUILLORY_SAVE_VICTIM, QUILLORY_SAVE_VICTIM, path.c_str(), byteArgument.c_str(), size.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        m_out = out[0];
    }
    ~Victim()
    {
        if (m_pid > 0 && !m_finished) {
            ::kill(m_pid, SIGKILL);
            finish();
        }
        if (m_out >= 0)
            ::close(m_out);
    }
    Victim(const Victim&) = delete;
    Victim& operator=(const Victim&) = delete;

    // Waits until the file is loaded and the save begins.
    bool waitReady()
    {
        std::string said;
        char c = 0;
        while (said != "ready\n" && ::read(m_out, &c, 1) == 1)
            said += c;
        return said == "ready\n";
    }
    void kill() { ::kill(m_pid, SIGKILL); }
    bool running()
    {
        if (!m_finished && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_finished = true;
        return !m_finished;
    }
    // The exit status, or minus the signal that ended it.
    int finish()
    {
        if (!m_finished && ::waitpid(m_pid, &m_status, 0) != m_pid)
            return -1000;  // not ours to wait for
        m_finished = true;
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -WTERMSIG(m_status);
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_status = 0;
    bool m_finished = false;
};

// Waits until a hidden temporary that is not among `known` appears in the folder (the victim's save
// is writing it), or the victim has ended, or ten seconds have passed.
void waitForANewTemporary(const std::string& folder, const std::vector<std::string>& known, Victim& victim)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (victim.running() && Clock::now() < deadline) {
        for (const std::string& name : saveTemporariesIn(folder))
            if (std::find(known.begin(), known.end(), name) == known.end())
                return;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

// 'o' or 'n' when the file holds exactly that whole content, else 0.
char wholeContent(const std::string& path)
{
    const std::string bytes = readAll(path);
    for (const char byte : {'o', 'n'})
        if (bytes.size() == sizeOf(byte) && bytes.find_first_not_of(byte) == std::string::npos)
            return byte;
    return 0;
}

// One save of the new content that runs to its end gives the time a save takes.
void timeAWholeSave(const std::string& path, Clock::duration& saveTime)
{
    Victim victim(path, 'n');
    ASSERT_TRUE(victim.waitReady());
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(victim.finish(), 0);
    saveTime = Clock::now() - start;
    ASSERT_EQ(wholeContent(path), 'n');
}

// What the killed saves did, counted over the trials.
struct Tally {
    int old = 0;
    int changed = 0;
    int finishedBeforeTheKill = 0;
    int newTemporaries = 0;  // left by the killed saves
    std::size_t mostAtOnce = 0;
    std::vector<std::string> leftBefore;
    char current = 'n';
};

// Kills the victim's save after a random delay of up to one and a half saves; every third kill
// comes as soon as the save's temporary appears: in the middle of writing it, whatever the
// machine's speed. Returns the delay, or -1 for a kill on the temporary.
std::int64_t killAtARandomMoment(Victim& victim, int trial, const std::string& folder,
                                 const std::vector<std::string>& leftBefore, Clock::duration saveTime,
                                 std::mt19937& random)
{
    std::int64_t delay = -1;
    if (trial % 3 == 2) {
        waitForANewTemporary(folder, leftBefore, victim);
    } else {
        delay = std::uniform_int_distribution<std::int64_t>(
            0, std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count() * 3 / 2)(random);
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
    }
    victim.kill();
    return delay;
}

// A save that got as far as writing removed what the killed ones before it left; it may have left
// one of its own.
void countTemporaries(const std::string& folder, int status, int trial, Tally& tally)
{
    const std::vector<std::string> left = saveTemporariesIn(folder);
    const bool wrote = std::any_of(left.begin(), left.end(), [&](const std::string& name) {
        return std::count(tally.leftBefore.begin(), tally.leftBefore.end(), name) == 0;
    });
    if (wrote || status == 0) {
        EXPECT_LE(left.size(), 1u) << "trial " << trial;
        tally.newTemporaries += static_cast<int>(left.size());
    }
    tally.mostAtOnce = std::max(tally.mostAtOnce, left.size());
    tally.leftBefore = left;
}

// A save of the other content, killed: the target is the whole old or the whole new content.
void killedSave(int trial, const std::string& path, const std::string& folder, std::mt19937& random,
                Clock::duration& saveTime, Tally& tally)
{
    const char next = tally.current == 'o' ? 'n' : 'o';
    Victim victim(path, next);
    ASSERT_TRUE(victim.waitReady()) << "trial " << trial;
    const std::int64_t delay = killAtARandomMoment(victim, trial, folder, tally.leftBefore, saveTime, random);
    const int status = victim.finish();
    tally.finishedBeforeTheKill += status == 0;
    // A save that ended before its kill took less than the delay: later kills aim earlier.
    if (status == 0 && delay >= 0)
        saveTime = std::min<Clock::duration>(saveTime, std::chrono::microseconds(delay));
    ASSERT_TRUE(status == 0 || status == -SIGKILL) << "trial " << trial << " status " << status;

    const char found = wholeContent(path);
    ASSERT_TRUE(found == tally.current || found == next) << "trial " << trial << ": the target is neither whole";
    (found == tally.current ? tally.old : tally.changed) += 1;
    tally.current = found;
    countTemporaries(folder, status, trial, tally);
}

// A save of byte's content that runs to its end.
void saveToTheEnd(const std::string& path, char byte)
{
    Victim victim(path, byte);
    ASSERT_TRUE(victim.waitReady());
    EXPECT_EQ(victim.finish(), 0);
}

TEST(KilledSave, TargetIsWholeOldOrWholeNewAndTheNextSaveRemovesTheTemporary)
{
    TempDir dir;
    const std::string path = dir.write("big.txt", std::string(sizeOf('o'), 'o'));
    Clock::duration saveTime{};
    ASSERT_NO_FATAL_FAILURE(timeAWholeSave(path, saveTime));

#if defined(__SANITIZE_ADDRESS__)
    constexpr int kTrials = 10;  // the instrumented victim is slow; this run looks for memory errors
#else
    constexpr int kTrials = 50;
#endif
    std::mt19937 random(2026);
    Tally tally;
    for (int trial = 0; trial < kTrials; ++trial)
        ASSERT_NO_FATAL_FAILURE(killedSave(trial, path, dir.path(), random, saveTime, tally));
    const std::size_t beforeTheNextSave = saveTemporariesIn(dir.path()).size();
    ASSERT_NO_FATAL_FAILURE(saveToTheEnd(path, tally.current == 'o' ? 'n' : 'o'));
    const std::size_t afterTheNextSave = saveTemporariesIn(dir.path()).size();
    std::cout << "Killed saves of 100 MB: " << kTrials << " trials (a save takes about "
              << std::chrono::duration_cast<std::chrono::milliseconds>(saveTime).count() << " ms), target whole old "
              << tally.old << ", whole new " << tally.changed << " (" << tally.finishedBeforeTheKill
              << " finished before the kill), torn 0; hidden temporaries left by killed saves " << tally.newTemporaries
              << ", at most " << tally.mostAtOnce << " at once (the next save removes them); before the last save "
              << beforeTheNextSave << ", after it " << afterTheNextSave << "\n";
    EXPECT_GT(tally.newTemporaries, 0) << "no kill landed in the middle of a save";
    EXPECT_EQ(afterTheNextSave, 0u);
}

TEST(KilledSave, TemporaryOfASaveRunningInAnotherProcessIsNeverTouched)
{
    TempDir dir;
    const std::string path = dir.write("big.txt", std::string(sizeOf('o'), 'o'));
    const std::string small = dir.write("small.txt", "");
    for (int round = 0; round < 3; ++round) {
        Victim victim(path, round % 2 == 0 ? 'n' : 'o');
        ASSERT_TRUE(victim.waitReady());
        // Saves beside it, each of which removes every temporary it can lock. A thread looks for
        // the victim's temporary all the while, between saves of our own (which make one too): on a
        // busy disk one of our saves may take as long as the victim's whole save.
        int saves = 0;
        std::atomic<int> ownSaveEdges{0};  // odd while a save of our own runs
        std::atomic<bool> sawItsTemporary{false};
        std::atomic<bool> done{false};
        std::thread looker([&] {
            while (!done) {
                const int before = ownSaveEdges;
                const bool found = !saveTemporariesIn(dir.path()).empty();
                if (found && before % 2 == 0 && ownSaveEdges == before)
                    sawItsTemporary = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        while (victim.running()) {
            ++ownSaveEdges;
            const bool saved = writeFileReplacing(small, {reinterpret_cast<const std::uint8_t*>("x"), 1});
            ++ownSaveEdges;
            EXPECT_TRUE(saved);
            ++saves;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        done = true;
        looker.join();
        EXPECT_EQ(victim.finish(), 0) << "round " << round << ": the save failed after " << saves << " saves beside it";
        EXPECT_TRUE(sawItsTemporary) << "round " << round;
        EXPECT_EQ(wholeContent(path), round % 2 == 0 ? 'n' : 'o');
        EXPECT_TRUE(saveTemporariesIn(dir.path()).empty());
    }
}

}  // namespace
}  // namespace quillory::test
