#include "commands/CommandTable.h"

#include <algorithm>

#include "commands/CommandIds.h"

namespace quillory {

namespace {

using namespace cmd;

// One record per command: ID, menu text, keys, prompt, tooltip.
constexpr std::array kCommands{
    CommandRecord{ID_FILE_NEW, "&New", {"Ctrl+N"}, "Create a new document", "New"},
    CommandRecord{ID_FILE_OPEN, "&Open...", {"Ctrl+O"}, "Open an existing document", "Open"},
    CommandRecord{ID_FILE_SAVE, "&Save", {"Ctrl+S"}, "Save the active document", "Save"},
    CommandRecord{ID_FILE_SAVE_AS, "Save &As...", {}, "Save the active document with a new name", "Save As"},
    CommandRecord{ID_ANSI_TO_ASCII,
                  "&ANSI --> ASCII",
                  {"Alt+A"},
                  "Convert ANSI text to the DOS (OEM) character set when saving",
                  "ANSI --> ASCII"},
    CommandRecord{ID_FILE_PRINT, "&Print...", {"Ctrl+P"}, "Print the active document", "Print"},
    CommandRecord{ID_FILE_PRINT_PREVIEW, "Print Pre&view", {}, "Display full pages", "Print Preview"},
    CommandRecord{ID_FILE_PRINT_SETUP, "P&rint Setup...", {}, "Change the printer and printing options", "Print Setup"},
    CommandRecord{ID_APP_EXIT, "E&xit", {}, "Quit the application; prompts to save documents", "Exit"},
    CommandRecord{ID_EDIT_UNDO, "&Undo", {"Ctrl+Z", "Alt+Backspace"}, "Undo the last action", "Undo"},
    CommandRecord{ID_EDIT_CUT, "Cu&t", {"Ctrl+X", "Shift+Del"}, "Cut the selection and put it on the Clipboard", "Cut"},
    CommandRecord{
        ID_EDIT_COPY, "&Copy", {"Ctrl+C", "Ctrl+Ins"}, "Copy the selection and put it on the Clipboard", "Copy"},
    CommandRecord{ID_EDIT_CLEAR,
                  "&Delete",
                  {"Ctrl+D"},
                  "Delete (to undo buffer instead of clipboard)",
                  "Delete (to undo buffer)"},
    CommandRecord{ID_EDIT_PASTE, "&Paste", {"Ctrl+V", "Shift+Ins"}, "Insert Clipboard contents", "Paste"},
    CommandRecord{ID_EDIT_SELECT_ALL, "Select A&ll", {"Ctrl+A"}, "Select the entire document", "Select All"},
    CommandRecord{ID_EDIT_FIND, "&Find...", {"Ctrl+F"}, "Find the specified text", "Find"},
    CommandRecord{ID_EDIT_REPEAT, "F&ind Next", {"F3"}, "Find the next occurrence of the specified text", "Find Next"},
    CommandRecord{ID_EDIT_REPLACE, "R&eplace", {"Ctrl+H"}, "Replace specific text with different text", "Replace"},
    CommandRecord{ID_STARTUP_OPTIONS, "Startup &Options", {}, "Modify and save startup options", "Startup options"},
    CommandRecord{ID_FREE_CLIPBOARD, "from Clipboard", {}, "Empty Clipboard's Contents", {}},
    CommandRecord{ID_FREE_UNDO, "from Undo Buffer", {}, "Empty Undo Buffer", {}},
    CommandRecord{
        ID_FREE_STORAGE, "Hex editing storage", {}, "Free unused memory from buffer. (only in Binary editing)", {}},
    CommandRecord{ID_VIEW_TOOLBAR, "&Toolbar", {}, "Show or hide the toolbar", "Toggle ToolBar"},
    CommandRecord{ID_VIEW_URL_TOOLBAR, "URL Toolbar", {}, "Display URL Toolbar for Internet access", {}},
    CommandRecord{ID_VIEW_STATUS_BAR, "&Status Bar", {}, "Show or hide the status bar", "Toggle StatusBar"},
    CommandRecord{ID_WORD_WRAP, "&Word Wrap", {"F5"}, "Wrap lines at windows border", "Toggles Word Wrapping"},
    CommandRecord{ID_ENCODING_UTF8, "&UTF-8", {}, "Read the text's bytes as UTF-8 (no byte is changed)", "UTF-8"},
    CommandRecord{ID_ENCODING_WINDOWS_1252,
                  "&Windows-1252",
                  {},
                  "Read the text's bytes as Windows-1252 (no byte is changed)",
                  "Windows-1252"},
    CommandRecord{ID_SELECT_FONTS, "Select &Fonts", {"F6"}, "Change displaying fonts", "Change Fonts"},
    CommandRecord{ID_FONTS_COLOR, "Fonts &Color", {"F7"}, "Change the default font's color", "Fonts Color"},
    CommandRecord{ID_BACKGROUND_COLOR, "&Background Color", {"F8"}, "Sets the view's background color.", {}},
    CommandRecord{ID_FILE_STAT, "File &Stat.", {"F9"}, "Document statistics (# characters, words, file size)", {}},
    CommandRecord{ID_GOTO, "&Goto...", {"Ctrl+G"}, "Jump to a specific file offset", {}},
    CommandRecord{
        ID_STRIP_HTML, "Strip &HTML tags", {"F10"}, "Remove all HTML tags <...> (cannot be undone)", "Strip HTML tags"},
    CommandRecord{
        ID_INSERT_FILE, "Insert File...", {}, "Insert another file into current document at cursor. (text only)", {}},
    CommandRecord{ID_FILE_WIPE, "File &Wipe...", {}, "Delete a file in a more secure way!", {}},
    CommandRecord{ID_SPLIT_JOIN, "Split/Join files...", {}, "Allows you to split or join multiple files", {}},
    CommandRecord{
        ID_VIEW_AFTER_DOWNLOAD, "&View After Dowload", {}, "Loads file into editor right after downloading.", {}},
    CommandRecord{ID_LOAD_SAVED_DOC, "&Load Saved Doc.", {}, "Loads the previously saved Internet document", {}},
    CommandRecord{
        ID_SAVE_DOWNLOAD_AS, "&Save Download As...", {}, "Save the downloaded Internet file to local disk as...", {}},
    CommandRecord{
        ID_APP_ABOUT, "&About Quillory...", {}, "Display program information, version number and copyright", "About"},
    CommandRecord{
        ID_HELP_CONTENTS, "&Contents", {"F1"}, "License Agreement, Introduction, Usage, & Contact Author.", {}},
    // The URL bar's controls: prompts and tooltips only.
    CommandRecord{IDC_URL_EDIT, {}, {}, "Enter a URL for document retrieval", "Enter URL here"},
    CommandRecord{IDC_URL_RETRIEVE, {}, {}, "Connect to URL and retrieve the document", {}},
    CommandRecord{ID_VIEW_HEX_PANE,
                  "&Hex Pane",
                  {"Ctrl+Shift+H"},
                  "Show or hide the bytes in hex beside the characters",
                  "Hex Pane"},
    CommandRecord{IDC_URL_STOP, {}, {}, "Stop the current Internet connection", {}},
};

constexpr std::array<ToolbarSlot, 16> kToolbar{
    ID_FILE_NEW,      ID_FILE_OPEN,    ID_FILE_SAVE,  0, ID_EDIT_CUT,
    ID_EDIT_COPY,     ID_EDIT_PASTE,   ID_EDIT_CLEAR, 0, ID_WORD_WRAP,
    ID_VIEW_HEX_PANE, ID_SELECT_FONTS, ID_STRIP_HTML, 0, ID_FILE_PRINT,
    ID_APP_ABOUT,
};

// The menu text of a record: its text, then a tab and the first key when it has keys.
std::string menuTextOf(const CommandRecord& record)
{
    std::string text(record.text);
    if (!record.keys[0].empty())
        text.append("\t").append(record.keys[0]);
    return text;
}

MenuItem command(int id)
{
    return MenuItem{MenuItemKind::Command, id, CommandTable::menuText(id), {}};
}

MenuItem radio(int id)
{
    return MenuItem{MenuItemKind::Command, id, CommandTable::menuText(id), {}, true};
}

MenuItem separator()
{
    return MenuItem{MenuItemKind::Separator, 0, {}, {}};
}

MenuItem popup(std::string text, std::vector<MenuItem> items)
{
    return MenuItem{MenuItemKind::Popup, 0, std::move(text), std::move(items)};
}

std::vector<MenuItem> buildMainMenu()
{
    return {
        popup("&File",
              {command(ID_FILE_NEW), command(ID_FILE_OPEN), command(ID_FILE_SAVE), command(ID_FILE_SAVE_AS),
               separator(), command(ID_ANSI_TO_ASCII), separator(), command(ID_FILE_PRINT),
               command(ID_FILE_PRINT_PREVIEW), command(ID_FILE_PRINT_SETUP), separator(), command(ID_APP_EXIT)}),
        popup("&Edit",
              {command(ID_EDIT_UNDO), separator(), command(ID_EDIT_CUT), command(ID_EDIT_COPY), command(ID_EDIT_CLEAR),
               command(ID_EDIT_PASTE), command(ID_EDIT_SELECT_ALL), separator(), command(ID_EDIT_FIND),
               command(ID_EDIT_REPEAT), command(ID_EDIT_REPLACE), separator(), command(ID_STARTUP_OPTIONS),
               popup("Free up memory", {command(ID_FREE_CLIPBOARD), command(ID_FREE_UNDO), command(ID_FREE_STORAGE)})}),
        popup("&View", {command(ID_VIEW_TOOLBAR), command(ID_VIEW_URL_TOOLBAR), command(ID_VIEW_STATUS_BAR),
                        separator(), command(ID_WORD_WRAP), command(ID_VIEW_HEX_PANE),
                        popup("&Encoding", {radio(ID_ENCODING_UTF8), radio(ID_ENCODING_WINDOWS_1252)}), separator(),
                        command(ID_SELECT_FONTS), command(ID_FONTS_COLOR), command(ID_BACKGROUND_COLOR)}),
        popup("&Tools", {command(ID_FILE_STAT), command(ID_GOTO), command(ID_STRIP_HTML), command(ID_INSERT_FILE),
                         separator(), command(ID_FILE_WIPE), command(ID_SPLIT_JOIN)}),
        popup("&Downloads",
              {command(ID_VIEW_AFTER_DOWNLOAD), command(ID_LOAD_SAVED_DOC), command(ID_SAVE_DOWNLOAD_AS)}),
        popup("&Help", {command(ID_APP_ABOUT), command(ID_HELP_CONTENTS)}),
    };
}

std::vector<Accelerator> collectAccelerators()
{
    std::vector<Accelerator> accelerators;
    for (const CommandRecord& record : kCommands)
        for (const std::string_view keys : record.keys)
            if (!keys.empty())
                accelerators.push_back(Accelerator{keys, record.id});
    return accelerators;
}

void collectCommands(const std::vector<MenuItem>& items, std::vector<int>& ids)
{
    for (const MenuItem& item : items) {
        if (item.kind == MenuItemKind::Command)
            ids.push_back(item.id);
        else if (item.kind == MenuItemKind::Popup)
            collectCommands(item.items, ids);
    }
}

}  // namespace

std::span<const CommandRecord> CommandTable::commands()
{
    return kCommands;
}

const CommandRecord* CommandTable::find(int id)
{
    const auto it = std::ranges::find(kCommands, id, &CommandRecord::id);
    return it == kCommands.end() ? nullptr : &*it;
}

const std::vector<MenuItem>& CommandTable::mainMenu()
{
    static const std::vector<MenuItem> menu = buildMainMenu();
    return menu;
}

std::span<const Accelerator> CommandTable::accelerators()
{
    static const std::vector<Accelerator> accelerators = collectAccelerators();
    return accelerators;
}

std::span<const ToolbarSlot> CommandTable::toolbar()
{
    return kToolbar;
}

std::string_view CommandTable::prompt(int id)
{
    const CommandRecord* record = find(id);
    return record == nullptr ? std::string_view{} : record->prompt;
}

std::string_view CommandTable::tooltip(int id)
{
    const CommandRecord* record = find(id);
    return record == nullptr ? std::string_view{} : record->tooltip;
}

std::vector<std::string_view> CommandTable::keysFor(int id)
{
    std::vector<std::string_view> keys;
    if (const CommandRecord* record = find(id))
        for (const std::string_view key : record->keys)
            if (!key.empty())
                keys.push_back(key);
    return keys;
}

std::vector<int> CommandTable::menuCommandIds()
{
    std::vector<int> ids;
    collectCommands(mainMenu(), ids);
    return ids;
}

std::string CommandTable::menuText(int id)
{
    const CommandRecord* record = find(id);
    return record == nullptr || record->text.empty() ? std::string{} : menuTextOf(*record);
}

}  // namespace quillory
