// TEXT documents in UTF-8 through the real view and control: what is recognised, typed, saved,
// found, jumped to and counted, and the encoding switch that only reinterprets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <random>

#include "commands/CommandIds.h"
#include "dialogs/GotoDialog.h"
#include "editcore/Utf8.h"
#include "view/ViewHarness.h"

namespace quillory::test {
namespace {

using namespace cmd;

bool validUtf8(const std::string& s)
{
    return utf8::isValid(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

class ViewUtf8Test : public ::testing::Test {
protected:
    ViewUtf8Test() { h.doc.setFileDialogs(&h.fileDialogs); }
    // Loads bytes from a file, as Open does, and returns its path.
    std::string open(const std::string& bytes)
    {
        std::string path = h.dir.write("t.txt", bytes);
        h.doc.loadFile(path);
        return path;
    }
    std::string saved(const std::string& path)
    {
        h.command(ID_FILE_SAVE);
        return readAll(path);
    }
    void go(std::int64_t offset)
    {
        h.command(ID_GOTO);
        GotoDialog* dialog = h.features.editingTools->gotoDialog();
        dialog->fields().offsetText = std::to_string(offset);
        QTest::mouseClick(dialog->goButton(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents();
    }

    ViewHarness h;
};

TEST_F(ViewUtf8Test, ANewDocumentIsUtf8AndSavesTypedCharactersAsUtf8)
{
    h.doc.onNewDocument();
    EXPECT_EQ(h.panes[StatusPane::Encoding], "UTF-8");
    EXPECT_TRUE(h.router.state(ID_ENCODING_UTF8).checked.value_or(false));
    EXPECT_FALSE(h.router.state(ID_ENCODING_WINDOWS_1252).checked.value_or(true));
    h.typeCharacter(QChar(0xE9));
    h.typeCharacter(QChar(0x20AC));
    h.typeCharacter(QChar(0x4E2D));
    h.key(Qt::Key_Left);
    EXPECT_EQ(h.control().caretPosition(), 5);  // before the CJK character, not inside it
    h.key(Qt::Key_Left);
    h.command(ID_EDIT_CLEAR);  // Delete takes the euro sign whole
    EXPECT_EQ(h.text(), "\xC3\xA9\xE4\xB8\xAD");
    h.command(ID_EDIT_UNDO);
    const std::string path = h.dir.file("new.txt");
    h.fileDialogs.choosePath(path);
    h.command(ID_FILE_SAVE);
    EXPECT_EQ(readAll(path), "\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD");
}

TEST_F(ViewUtf8Test, EveryTextByteValueAndRandomMixturesSaveIdenticalAfterEditsElsewhere)
{
    // Every byte a TEXT file may hold: not UTF-8, so read as Windows-1252; the switch to UTF-8
    // changes no byte and shows the invalid ones one by one.
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b == '\t' || b == '\n' || b == 0x0B || b == 0x0C || b == '\r' || b >= 0x20)
            all.push_back(static_cast<char>(b));
    std::string path = open(all);
    EXPECT_EQ(h.panes[StatusPane::Encoding], "Windows-1252");
    ASSERT_TRUE(h.command(ID_ENCODING_UTF8));
    EXPECT_EQ(h.panes[StatusPane::Encoding], "UTF-8");
    EXPECT_EQ(h.text(), all);
    EXPECT_FALSE(h.control().isModified());
    h.key(Qt::Key_End, Qt::ControlModifier);
    h.typeCharacter(QChar(0xE9));
    h.key(Qt::Key_Home, Qt::ControlModifier);
    h.typeCharacter(QChar(0x20AC));
    EXPECT_EQ(saved(path), "\xE2\x82\xAC" + all + "\xC3\xA9");

    std::mt19937 random(5);
    static const char* const kPieces[] = {"a",
                                          " ",
                                          "\r\n",
                                          "\xC3\xA9",
                                          "\xCE\xA9",
                                          "\xD0\x96",
                                          "\xE4\xB8\xAD",
                                          "\xF0\x9F\x98\x80",
                                          "\xEF\xBB\xBF",
                                          "\xFF",
                                          "\xC3",
                                          "\x80",
                                          "\xE2\x82",
                                          "\xED\xA0\x80",
                                          "\xC0\xAF",
                                          "\xF4\x90\x80\x80"};
    for (int round = 0; round < 40; ++round) {
        std::string text;
        const bool invalid = round % 2 == 1;
        for (int i = 0; i < 200; ++i) {
            const std::size_t piece = random() % (invalid ? std::size(kPieces) : 9);
            text += kPieces[piece];
        }
        path = open(text);
        ASSERT_EQ(h.panes[StatusPane::Encoding], validUtf8(text) ? "UTF-8" : "Windows-1252") << round;
        if (random() % 2)
            h.command(random() % 2 ? ID_ENCODING_UTF8 : ID_ENCODING_WINDOWS_1252);
        h.key(Qt::Key_End, Qt::ControlModifier);
        h.type("x");
        h.key(Qt::Key_Backspace);
        h.type("yz");
        h.key(Qt::Key_Home, Qt::ControlModifier);
        h.type("w");
        h.key(Qt::Key_Delete);    // takes the first character of the text...
        h.command(ID_EDIT_UNDO);  // ...and gives it back
        ASSERT_EQ(saved(path), "w" + text + "yz") << round;
    }
}

TEST_F(ViewUtf8Test, TheEncodingSwitchOnlyReinterpretsAndIsForTextOnly)
{
    const std::string text = "Gr\xC3\xBC\xC3\x9F"
                             "e";
    const std::string path = open(text);
    ASSERT_TRUE(h.command(ID_ENCODING_WINDOWS_1252));
    EXPECT_EQ(h.panes[StatusPane::Encoding], "Windows-1252");
    h.select(3, 3);  // between the two bytes of the u umlaut, a character of its own here
    EXPECT_EQ(h.control().caretPosition(), 3);
    ASSERT_TRUE(h.command(ID_ENCODING_UTF8));
    EXPECT_EQ(h.control().caretPosition(), 2);  // back to the start of the character
    EXPECT_EQ(h.text(), text);
    EXPECT_FALSE(h.control().isModified());
    EXPECT_EQ(saved(path), text);
    open(bytesOf({'a', 0x1B}));
    EXPECT_EQ(h.panes[StatusPane::Encoding], "");
    EXPECT_FALSE(h.enabled(ID_ENCODING_UTF8));
    EXPECT_FALSE(h.enabled(ID_ENCODING_WINDOWS_1252));
}

TEST_F(ViewUtf8Test, FindFoldsUnicodeCaseUnlessMatchCaseIsOn)
{
    open("Stra\xC3\x9F"
         "e in K\xC3\xB6ln");
    h.command(ID_EDIT_FIND);
    FindReplaceDialog* dialog = h.features.find->dialog();
    dialog->findEdit()->setText(QString::fromUtf8("K\xC3\x96LN"));
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(h.control().selectedText(), "K\xC3\xB6ln");
    h.select(0, 0);
    dialog->matchCaseBox()->setChecked(true);
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(h.beeps, 1);
    EXPECT_EQ(h.control().selectedText(), "");
    dialog->findEdit()->setText(QString::fromUtf8("K\xC3\xB6ln"));
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(h.control().selectedText(), "K\xC3\xB6ln");
    // Replace writes the replacement in the document's encoding.
    h.command(ID_EDIT_REPLACE);
    dialog->findEdit()->setText(QString::fromUtf8("STRA\xC3\x9F"
                                                  "E"));
    dialog->matchCaseBox()->setChecked(false);
    dialog->replaceEdit()->setText(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                                                     "e"));
    QTest::mouseClick(dialog->replaceAllButton(), Qt::LeftButton);
    EXPECT_EQ(h.text(), "Gr\xC3\xBC\xC3\x9F"
                        "e in K\xC3\xB6ln");
}

TEST_F(ViewUtf8Test, GotoInsideACharacterSelectsTheWholeCharacter)
{
    open("a\xC3\xA9\xE2\x82\xAC"
         "b");
    go(2);
    EXPECT_EQ(h.control().selection(), (CharRange{1, 3}));
    go(5);
    EXPECT_EQ(h.control().selection(), (CharRange{3, 6}));
    go(6);
    EXPECT_EQ(h.control().selection(), (CharRange{6, 7}));
    h.command(ID_ENCODING_WINDOWS_1252);
    go(2);
    EXPECT_EQ(h.control().selection(), (CharRange{2, 3}));  // one byte, one character
}

TEST_F(ViewUtf8Test, StatisticsCountEachCharacterOnce)
{
    open("Gr\xC3\xBC\xC3\x9F"
         "e aus \xE6\x97\xA5\xE6\x9C\xAC\r\n");
    h.command(ID_FILE_STAT);
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_EQ(h.boxes.last().text.rfind("Characters (not including spaces) = 10\n\nWords (separate by white-spaces) = 3"
                                        "\n\nFile size (includes everything) = 20 bytes\n\n",
                                        0),
              0u);
    h.command(ID_ENCODING_WINDOWS_1252);
    h.command(ID_FILE_STAT);
    EXPECT_NE(h.boxes.last().text.find("Characters (not including spaces) = 16\n"), std::string::npos);
}

}  // namespace
}  // namespace quillory::test
