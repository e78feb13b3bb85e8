// The command table: menu structure, key bindings, toolbar order and status strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "commands/CommandIds.h"
#include "commands/CommandTable.h"

namespace quillory {
namespace {

using namespace cmd;

TEST(CommandTable, MenuBarHasTheSixPopupsInOrder)
{
    std::vector<std::string> titles;
    for (const MenuItem& popup : CommandTable::mainMenu()) {
        EXPECT_EQ(popup.kind, MenuItemKind::Popup);
        titles.push_back(popup.text);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Edit", "&View", "&Tools", "&Downloads", "&Help"}));
}

TEST(CommandTable, FileMenuKeepsItsSeparatorsAndTexts)
{
    const MenuItem& file = CommandTable::mainMenu().front();
    std::vector<std::string> texts;
    for (const MenuItem& item : file.items)
        texts.push_back(item.kind == MenuItemKind::Separator ? "-" : item.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-",
                                               "&ANSI --> ASCII\tAlt+A", "-", "&Print...\tCtrl+P", "Print Pre&view",
                                               "P&rint Setup...", "-", "E&xit"}));
}

TEST(CommandTable, FreeUpMemoryIsANestedPopupAtTheEndOfEdit)
{
    const MenuItem& edit = CommandTable::mainMenu()[1];
    const MenuItem& freeUp = edit.items.back();
    ASSERT_EQ(freeUp.kind, MenuItemKind::Popup);
    EXPECT_EQ(freeUp.text, "Free up memory");
    ASSERT_EQ(freeUp.items.size(), 3u);
    EXPECT_EQ(freeUp.items[0].id, ID_FREE_CLIPBOARD);
    EXPECT_EQ(freeUp.items[1].id, ID_FREE_UNDO);
    EXPECT_EQ(freeUp.items[2].id, ID_FREE_STORAGE);
    EXPECT_EQ(CommandTable::menuText(ID_FREE_STORAGE), "Hex editing storage");
}

TEST(CommandTable, EveryMenuCommandIsUniqueAndHasAStatusPrompt)
{
    const std::vector<int> ids = CommandTable::menuCommandIds();
    EXPECT_EQ(ids.size(), 43u);
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    for (const int id : ids)
        EXPECT_FALSE(CommandTable::prompt(id).empty()) << id;
}

TEST(CommandTable, MenuKeyTextMatchesTheFirstAcceleratorOfEachCommand)
{
    for (const int id : CommandTable::menuCommandIds()) {
        const std::string text = CommandTable::menuText(id);
        const std::size_t tab = text.find('\t');
        const std::vector<std::string_view> keys = CommandTable::keysFor(id);
        if (tab == std::string::npos)
            continue;
        ASSERT_FALSE(keys.empty()) << text;
        EXPECT_EQ(text.substr(tab + 1), keys.front()) << id;
    }
}

TEST(CommandTable, SomeCommandsHaveTwoKeyCombinations)
{
    using Keys = std::vector<std::string_view>;
    EXPECT_EQ(CommandTable::keysFor(ID_EDIT_COPY), (Keys{"Ctrl+C", "Ctrl+Ins"}));
    EXPECT_EQ(CommandTable::keysFor(ID_EDIT_PASTE), (Keys{"Ctrl+V", "Shift+Ins"}));
    EXPECT_EQ(CommandTable::keysFor(ID_EDIT_CUT), (Keys{"Ctrl+X", "Shift+Del"}));
    EXPECT_EQ(CommandTable::keysFor(ID_EDIT_UNDO), (Keys{"Ctrl+Z", "Alt+Backspace"}));
    EXPECT_EQ(CommandTable::accelerators().size(), 27u);
    EXPECT_TRUE(CommandTable::keysFor(ID_FILE_SAVE_AS).empty());
}

TEST(CommandTable, ToolbarOrderWithSeparators)
{
    const auto toolbar = CommandTable::toolbar();
    EXPECT_EQ(std::vector<int>(toolbar.begin(), toolbar.end()),
              (std::vector<int>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
                                ID_EDIT_CLEAR, 0, ID_WORD_WRAP, ID_VIEW_HEX_PANE, ID_SELECT_FONTS, ID_STRIP_HTML, 0,
                                ID_FILE_PRINT, ID_APP_ABOUT}));
}

TEST(CommandTable, EachCommandHasAPromptAndMaybeATooltip)
{
    EXPECT_EQ(CommandTable::prompt(ID_FILE_NEW), "Create a new document");
    EXPECT_EQ(CommandTable::tooltip(ID_FILE_NEW), "New");
    EXPECT_EQ(CommandTable::prompt(ID_EDIT_CLEAR), "Delete (to undo buffer instead of clipboard)");
    EXPECT_EQ(CommandTable::tooltip(ID_EDIT_CLEAR), "Delete (to undo buffer)");
    EXPECT_EQ(CommandTable::tooltip(ID_STRIP_HTML), "Strip HTML tags");
    // A prompt-only string has no tooltip.
    EXPECT_EQ(CommandTable::prompt(ID_FILE_WIPE), "Delete a file in a more secure way!");
    EXPECT_TRUE(CommandTable::tooltip(ID_FILE_WIPE).empty());
    EXPECT_EQ(CommandTable::prompt(IDC_URL_EDIT), "Enter a URL for document retrieval");
    EXPECT_EQ(CommandTable::tooltip(IDC_URL_EDIT), "Enter URL here");
    // Unknown IDs have nothing.
    EXPECT_TRUE(CommandTable::tooltip(12345).empty());
    EXPECT_TRUE(CommandTable::prompt(12345).empty());
}

TEST(CommandTable, EveryToolbarButtonHasATooltip)
{
    for (const int id : CommandTable::toolbar()) {
        if (id != 0) {
            EXPECT_FALSE(CommandTable::tooltip(id).empty()) << id;
        }
    }
}

}  // namespace
}  // namespace quillory
