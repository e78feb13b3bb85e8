#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/FailingHeap.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "tools/InsertFile.h"

namespace quillory {
namespace {

class ChosenFile final : public IFileDialogs {
public:
    explicit ChosenFile(std::optional<std::string> path) : m_path(std::move(path)) {}
    std::optional<std::string> choose(const FileDialogRequest& request) override
    {
        requests.push_back(request);
        return m_path;
    }
    std::vector<FileDialogRequest> requests;

private:
    std::optional<std::string> m_path;
};

// A control text with a selection, enough to see what the command puts in its place.
struct EditedText {
    std::string text = "keep [old] keep";
    std::size_t selStart = 5;
    std::size_t selEnd = 10;
    int replacements = 0;

    ReplaceSelection replacer()
    {
        return [this](std::span<const std::uint8_t> bytes) {
            text.replace(selStart, selEnd - selStart, reinterpret_cast<const char*>(bytes.data()), bytes.size());
            selStart = selEnd = selStart + bytes.size();
            ++replacements;
        };
    }
};

struct InsertRun {
    EditedText edited;
    test::ScriptedMessageBoxes boxes;
};

void insert(InsertRun& run, std::optional<std::string> path, IByteHeap& heap = cHeap())
{
    ChosenFile dialogs(std::move(path));
    onInsertFile(dialogs, run.boxes, "/home/u/docs/", run.edited.replacer(), heap);
}

TEST(InsertFile, DialogStartsInTheDefaultDirectoryWithItsOwnFilter)
{
    ChosenFile dialogs(std::nullopt);
    test::ScriptedMessageBoxes boxes;
    EditedText edited;
    onInsertFile(dialogs, boxes, "/home/u/docs/", edited.replacer());
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(dialogs.requests[0].initialDir, "/home/u/docs/");
    EXPECT_EQ(dialogs.requests[0].initialName, "");
    EXPECT_EQ(dialogs.requests[0].filter,
              "Text Files (*.txt;*.bat;*.ini;*.inf;*.log)|*.TXT;*.BAT;*.INI;*.LOG;*.INF|HTML Doc. "
              "(*.htm*;*.shtm*;*.stm*;*.asp)|*.HTM*;*.SHTM*;*.STM*;*.ASP|All Files (*.*)|*.*||");
    EXPECT_EQ(edited.replacements, 0);  // cancelled
    EXPECT_TRUE(boxes.shown().empty());
}

TEST(InsertFile, TextFileReplacesTheSelectionAndCaretEndsAfterIt)
{
    const test::TempDir dir;
    InsertRun run;
    insert(run, dir.write("a.txt", "new\r\n\ttext\f\v"));
    EXPECT_EQ(run.edited.text, "keep new\r\n\ttext\f\v keep");
    EXPECT_EQ(run.edited.selStart, 17u);
    EXPECT_EQ(run.edited.replacements, 1);
    EXPECT_TRUE(run.boxes.shown().empty());
}

TEST(InsertFile, EmptyFileDeletesTheSelection)
{
    const test::TempDir dir;
    InsertRun run;
    insert(run, dir.write("empty.txt", ""));
    EXPECT_EQ(run.edited.text, "keep  keep");
    EXPECT_EQ(run.edited.replacements, 1);
    EXPECT_TRUE(run.boxes.shown().empty());
}

TEST(InsertFile, BytesFrom127To255AreText)
{
    std::string high;
    for (int b = 127; b <= 255; ++b)
        high += static_cast<char>(b);
    const test::TempDir dir;
    const InsertFileContent content = readFileForInsert(dir.write("high.txt", high));
    ASSERT_FALSE(content.failure);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(content.text().data()), content.length), high);
    EXPECT_EQ(content.buffer.data()[content.length], 0);  // zero-terminated for the control
}

TEST(InsertFile, AnyByteFrom0To8Or14To31IsRefusedAsBinary)
{
    const test::TempDir dir;
    for (int b = 0; b < 32; ++b) {
        const std::string bytes = std::string("text ") + static_cast<char>(b) + " more";
        const InsertFileContent content = readFileForInsert(dir.write("b.bin", bytes));
        const bool binary = b <= 8 || b >= 14;
        EXPECT_EQ(content.failure.has_value(), binary) << "byte " << b;
    }
    InsertRun run;
    insert(run, dir.write("c.bin", std::string("MZ\x90\0\x03", 5)));
    EXPECT_EQ(run.edited.text, "keep [old] keep");
    EXPECT_EQ(run.edited.replacements, 0);
    ASSERT_EQ(run.boxes.shown().size(), 1u);
    EXPECT_EQ(run.boxes.last(), (MessageBoxRequest{"Error:", "Cannot insert a Binary file into a Text file!",
                                                   MessageIcon::Exclamation, MessageButtons::Ok}));
}

TEST(InsertFile, MissingFilesFoldersAndPipesCannotBeOpened)
{
    const test::TempDir dir;
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // reading it would block the editor
    for (const std::string& path : {dir.file("missing.txt"), dir.path(), pipe}) {
        InsertRun run;
        insert(run, path);
        EXPECT_EQ(run.edited.replacements, 0) << path;
        ASSERT_EQ(run.boxes.shown().size(), 1u) << path;
        EXPECT_EQ(run.boxes.last(), (MessageBoxRequest{"File Error:", "Unable to open selected file!",
                                                       MessageIcon::Stop, MessageButtons::Ok}));
    }
}

TEST(InsertFile, FailedAllocationShowsTheMemoryMessage)
{
    const test::TempDir dir;
    test::FailingHeap heap;
    heap.failAfter(0);
    InsertRun run;
    insert(run, dir.write("a.txt", "text"), heap);
    EXPECT_EQ(heap.failures(), 1);
    EXPECT_EQ(run.edited.text, "keep [old] keep");
    ASSERT_EQ(run.boxes.shown().size(), 1u);
    EXPECT_EQ(run.boxes.last(), (MessageBoxRequest{"Mem Error:", "Not enough memory to hold data!", MessageIcon::Stop,
                                                   MessageButtons::Ok}));
}

}  // namespace
}  // namespace quillory
