// Odd and hostile files through the real load and save: each opens whole (or is refused with the
// load's message, changing nothing) without a hang or a crash, and saves back byte for byte.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "document/QuilloryDoc.h"
#include "support/ControlStandIn.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/SmallDisk.h"
#include "support/StoredBytes.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

const MessageBoxRequest kCannotOpenBox{"Quillory", "Cannot Open or Read Selected File!", MessageIcon::Exclamation,
                                       MessageButtons::Ok};
const MessageBoxRequest kNotEnoughMemoryBox{"Quillory", "Not enough memory!", MessageIcon::Exclamation,
                                            MessageButtons::Ok};

// A folder path of at least `length` bytes below base, made of 200-byte names.
std::string deepFolder(const std::string& base, std::size_t length)
{
    std::string path = base;
    while (path.size() < length)
        path += "/" + std::string(std::min<std::size_t>(200, length - path.size() + 1), 'd');
    fs::create_directories(path);
    return path;
}

class HostileFilesTest : public ::testing::Test {
protected:
    // Loads path, expects no message and the content whole (in the control for TEXT, in the
    // storage for BINARY), then saves it unchanged and expects the same bytes on disk.
    void expectOpensAndSavesBack(const std::string& path, const std::string& content)
    {
        boxes.clear();
        ASSERT_TRUE(doc.loadFile(path)) << path;
        EXPECT_TRUE(boxes.shown().empty());
        const std::string name = path.substr(path.rfind('/') + 1);
        EXPECT_EQ(doc.title(), name);
        EXPECT_EQ(doc.folder() + doc.fileName(), path);
        EXPECT_EQ(doc.mode() == DocumentMode::Text ? control.text : storedBytes(doc.storage()), content);
        control.modified = true;
        doc.onFileSave();
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_FALSE(control.modified);
        EXPECT_EQ(readAll(path), content);
        EXPECT_TRUE(saveTemporariesIn(path.substr(0, path.rfind('/'))).empty());
    }
    // Loads path after a small document, expects exactly the one box and the document unchanged.
    void expectRefused(const std::string& path, const MessageBoxRequest& box)
    {
        ASSERT_TRUE(doc.loadFile(dir.write("keep.txt", "keep")));
        boxes.clear();
        EXPECT_FALSE(doc.loadFile(path));
        EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{box});
        EXPECT_EQ(doc.title(), "keep.txt");
        EXPECT_EQ(control.text, "keep");
    }

    TempDir dir;
    ScriptedMessageBoxes boxes;
    QuilloryDoc doc{boxes};
    ControlStandIn control{doc};
};

TEST_F(HostileFilesTest, OddNamesAndLongPathsOpenAndSaveBack)
{
    struct Case {
        std::string name;
        std::string content;
    };
    const Case cases[] = {
        {"name with  spaces .txt", "spaces\r\n"},
        {"-x", "leading dash\n"},
        {"--", "two dashes"},
        {"line\nbreak.txt", "a newline in the name"},
        {"not utf-8 \xE9\xFF\xC3.txt", "caf\xE9\n"},
        {std::string(NAME_MAX, 'n'), "the longest name"},
        {std::string(NAME_MAX - 4, 'b') + ".bin", bytesOf({0, 1, 9, 10, 13, 0x1B, 0xFF})},
        {"", ""},  // a 0-byte file, named below
    };
    for (const Case& c : cases) {
        const std::string name = c.name.empty() ? "empty" : c.name;
        SCOPED_TRACE(name);
        expectOpensAndSavesBack(dir.write(name, c.content), c.content);
    }
    // A path of 4,000 bytes, and one that leaves the temporary file's name barely room.
    for (const std::size_t length : {std::size_t{4000}, std::size_t{PATH_MAX - 1 - 24 - 1 - 5}}) {
        SCOPED_TRACE(length);
        const std::string folder = deepFolder(dir.file("deep"), length - 6);
        const std::string path = folder + "/x.txt";
        ASSERT_GE(path.size(), length - 6);
        std::ofstream(path, std::ios::binary) << "deep down\r\n";
        expectOpensAndSavesBack(path, "deep down\r\n");
    }
}

TEST_F(HostileFilesTest, LeadingDashNamedRelativelyIsAFileNotAnOption)
{
    dir.write("-x", "dash");
    // In a child process, whose working folder may change without touching this one's.
    const pid_t child = ::fork();
    if (child == 0) {
        ScriptedMessageBoxes childBoxes;
        QuilloryDoc childDoc(childBoxes);
        ControlStandIn childControl(childDoc);
        const bool ok = ::chdir(dir.path().c_str()) == 0 && childDoc.loadFile("-x") && childControl.text == "dash" &&
                        childDoc.folder() == dir.path() + "/";
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(HostileFilesTest, FilesWhoseSizeReadsAsZeroAreReadToTheirEnd)
{
    for (const char* path : {"/proc/cpuinfo", "/proc/self/maps", "/proc/self/environ", "/proc/version"}) {
        SCOPED_TRACE(path);
        std::ifstream in(path, std::ios::binary);
        if (!in)
            continue;
        boxes.clear();
        ASSERT_TRUE(doc.loadFile(path));
        EXPECT_TRUE(boxes.shown().empty());
        const std::string shown = doc.mode() == DocumentMode::Text ? control.text : storedBytes(doc.storage());
        EXPECT_GT(shown.size(), 0u);
        if (std::string(path) == "/proc/version" || std::string(path) == "/proc/self/environ") {
            EXPECT_EQ(shown, std::string(std::istreambuf_iterator<char>(in), {}));
        }
    }
    // Longer than the first block of a read to the end: over 100 KB through a file of /proc.
    std::string big(std::size_t{120} * 1024, 'e');
    for (std::size_t i = 0; i < big.size(); i += 100)
        big[i] = '\n';
    const std::string variable = "QUILLORY_TEST_LONG=" + big;
    const pid_t child = ::fork();
    if (child == 0) {
        char* const environment[] = {const_cast<char*>(variable.c_str()), nullptr};
        ::execle("/bin/sleep", "sleep", "5", static_cast<char*>(nullptr), environment);
        ::_exit(127);
    }
    // The environment shows once the new program runs.
    const std::string environ = "/proc/" + std::to_string(child) + "/environ";
    for (int wait = 0; wait < 100 && readAll(environ) != variable + '\0'; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(doc.loadFile(environ));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(storedBytes(doc.storage()), variable + '\0');
}

// A view that changes the file while the load shows it: between the two reads of a BINARY load.
class FileChangingView final : public IDocumentView {
public:
    explicit FileChangingView(std::function<void()> change) : m_change(std::move(change)) {}
    void onUpdate() override
    {
        if (m_change)
            std::exchange(m_change, nullptr)();
    }

private:
    std::function<void()> m_change;
};

TEST_F(HostileFilesTest, FileThatGrowsOrShrinksWhileReadIsReportedNotShownInPart)
{
    // Once read, a BINARY file is what the load read: display and storage come from that one read,
    // however the file changes while the view shows it.
    for (const bool grow : {true, false}) {
        SCOPED_TRACE(grow ? "grows" : "shrinks");
        const std::string path = dir.write("changing.bin", std::string(1000, '\x1B'));
        FileChangingView changer([&] { ::truncate(path.c_str(), grow ? 1500 : 500); });
        doc.attachView(&changer);
        boxes.clear();
        EXPECT_TRUE(doc.loadFile(path));
        doc.detachView(&changer);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(doc.mode(), DocumentMode::Binary);
        EXPECT_EQ(storedBytes(doc.storage()), std::string(1000, '\x1B'));
        EXPECT_EQ(control.text, std::string(1000, '\x1B'));
    }
    // While the first read runs: another program appends all the time, then cuts the file short.
    for (const bool grow : {true, false}) {
        SCOPED_TRACE(grow ? "grows during the read" : "shrinks during the read");
        const std::string path = dir.write("moving.txt", "");
        constexpr off_t kSize = std::int64_t{256} * 1024 * 1024;
        ASSERT_EQ(::truncate(path.c_str(), kSize), 0);
        std::ofstream(path, std::ios::binary | std::ios::in | std::ios::out) << "text";
        std::atomic<bool> loading{true};
        std::thread other([&] {
            off_t size = kSize;
            while (loading) {
                // Shrinking starts over from the full size now and then, so it never ends.
                size = grow ? size + 4096 : (size - 4096 < kSize / 2 ? kSize : size - 4096);
                ::truncate(path.c_str(), size);
            }
        });
        ASSERT_TRUE(doc.loadFile(dir.write("keep.txt", "keep")));
        boxes.clear();
        const bool loaded = doc.loadFile(path);
        loading = false;
        other.join();
        EXPECT_FALSE(loaded);
        EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{kCannotOpenBox});
        EXPECT_EQ(doc.title(), "keep.txt");
        EXPECT_EQ(control.text, "keep");
    }
}

TEST_F(HostileFilesTest, FileOnAFullDiskOpensAndAFailedSaveKeepsItWhole)
{
    SmallDisk disk(dir.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const std::string content(std::size_t{100} * 1024, 'f');
    const std::string path = dir.write("disk/full.txt", content);
    std::ofstream(dir.file("disk/filler"), std::ios::binary) << std::string(std::size_t{256} * 1024, 'x');
    ASSERT_TRUE(doc.loadFile(path));
    EXPECT_EQ(control.text, content);
    // No room for the replacement: the save says so and the file stays whole.
    control.modified = true;
    doc.onFileSave();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(
        boxes.last().text,
        "Error in saving to selected file!\nPlease make sure file exists and is not in used by another application.");
    EXPECT_TRUE(control.modified);
    EXPECT_EQ(readAll(path), content);
    EXPECT_TRUE(saveTemporariesIn(dir.file("disk")).empty());
    // With room again, it saves back unchanged.
    fs::remove(dir.file("disk/filler"));
    expectOpensAndSavesBack(path, content);
}

// A view that only measures what the load shows, so that a file of 2 GB is not copied again.
class LengthOnlyView final : public IDocumentView {
public:
    explicit LengthOnlyView(QuilloryDoc& doc) : m_doc(doc) { doc.attachView(this); }
    ~LengthOnlyView() override { m_doc.detachView(this); }
    // The length of the display copy a loaded BINARY file comes with, as a zero-terminated string.
    void onUpdate() override
    {
        std::size_t offset = 0;
        const HeapBlock display = m_doc.takeDisplayBlock(offset);
        shownLength = display.ok() ? std::strlen(reinterpret_cast<const char*>(display.data() + offset)) : 0;
    }
    std::size_t shownLength = 0;

private:
    QuilloryDoc& m_doc;
};

TEST_F(HostileFilesTest, SparseFileAtTheLengthLimitOpensOrIsRefusedAndOneByteMoreIsRefused)
{
    const std::string path = dir.write("limit.bin", "");
    ASSERT_EQ(::truncate(path.c_str(), ByteStorage::kMaxLength), 0);
    {
        ScriptedMessageBoxes bigBoxes;
        QuilloryDoc big(bigBoxes);
        LengthOnlyView view(big);
        if (big.loadFile(path)) {
            EXPECT_TRUE(bigBoxes.shown().empty());
            EXPECT_EQ(big.mode(), DocumentMode::Binary);
            EXPECT_EQ(big.storage().length(), ByteStorage::kMaxLength);
            EXPECT_EQ(view.shownLength, static_cast<std::size_t>(ByteStorage::kMaxLength));  // every 0 shown as 1
            EXPECT_EQ(big.storage().bytes()[ByteStorage::kMaxLength - 1], 0);
            EXPECT_EQ(big.title(), "limit.bin");
        } else {
            EXPECT_EQ(bigBoxes.shown(), std::vector<MessageBoxRequest>{kNotEnoughMemoryBox});
        }
    }
    ASSERT_EQ(::truncate(path.c_str(), std::int64_t{ByteStorage::kMaxLength} + 1), 0);
    expectRefused(path, kNotEnoughMemoryBox);
}

}  // namespace
}  // namespace quillory::test
