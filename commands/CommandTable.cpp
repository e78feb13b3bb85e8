#include "commands/CommandTable.h"

#include <algorithm>
#include <array>

#include "commands/CommandIds.h"

namespace quillory {

namespace {

using namespace cmd;

MenuItem command(int id, std::string text)
{
    return MenuItem{MenuItemKind::Command, id, std::move(text), {}};
}

MenuItem radio(int id, std::string text)
{
    return MenuItem{MenuItemKind::Command, id, std::move(text), {}, true};
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
        popup("&File", {command(ID_FILE_NEW, "&New\tCtrl+N"),
                        command(ID_FILE_OPEN, "&Open...\tCtrl+O"),
                        command(ID_FILE_SAVE, "&Save\tCtrl+S"),
                        command(ID_FILE_SAVE_AS, "Save &As..."),
                        separator(),
                        command(ID_ANSI_TO_ASCII, "&ANSI --> ASCII\tAlt+A"),
                        separator(),
                        command(ID_FILE_PRINT, "&Print...\tCtrl+P"),
                        command(ID_FILE_PRINT_PREVIEW, "Print Pre&view"),
                        command(ID_FILE_PRINT_SETUP, "P&rint Setup..."),
                        separator(),
                        command(ID_APP_EXIT, "E&xit")}),
        popup("&Edit", {command(ID_EDIT_UNDO, "&Undo\tCtrl+Z"),
                        separator(),
                        command(ID_EDIT_CUT, "Cu&t\tCtrl+X"),
                        command(ID_EDIT_COPY, "&Copy\tCtrl+C"),
                        command(ID_EDIT_CLEAR, "&Delete\tCtrl+D"),
                        command(ID_EDIT_PASTE, "&Paste\tCtrl+V"),
                        command(ID_EDIT_SELECT_ALL, "Select A&ll\tCtrl+A"),
                        separator(),
                        command(ID_EDIT_FIND, "&Find...\tCtrl+F"),
                        command(ID_EDIT_REPEAT, "F&ind Next\tF3"),
                        command(ID_EDIT_REPLACE, "R&eplace\tCtrl+H"),
                        separator(),
                        command(ID_STARTUP_OPTIONS, "Startup &Options"),
                        popup("Free up memory", {command(ID_FREE_CLIPBOARD, "from Clipboard"),
                                                 command(ID_FREE_UNDO, "from Undo Buffer"),
                                                 command(ID_FREE_STORAGE, "Hex editing storage")})}),
        popup("&View", {command(ID_VIEW_TOOLBAR, "&Toolbar"),
                        command(ID_VIEW_URL_TOOLBAR, "URL Toolbar"),
                        command(ID_VIEW_STATUS_BAR, "&Status Bar"),
                        separator(),
                        command(ID_WORD_WRAP, "&Word Wrap\tF5"),
                        popup("&Encoding", {radio(ID_ENCODING_UTF8, "&UTF-8"),
                                            radio(ID_ENCODING_WINDOWS_1252, "&Windows-1252")}),
                        separator(),
                        command(ID_SELECT_FONTS, "Select &Fonts\tF6"),
                        command(ID_FONTS_COLOR, "Fonts &Color\tF7"),
                        command(ID_BACKGROUND_COLOR, "&Background Color\tF8")}),
        popup("&Tools", {command(ID_FILE_STAT, "File &Stat.\tF9"),
                         command(ID_GOTO, "&Goto...\tCtrl+G"),
                         command(ID_STRIP_HTML, "Strip &HTML tags\tF10"),
                         command(ID_INSERT_FILE, "Insert File..."),
                         separator(),
                         command(ID_FILE_WIPE, "File &Wipe..."),
                         command(ID_SPLIT_JOIN, "Split/Join files...")}),
        popup("&Downloads", {command(ID_VIEW_AFTER_DOWNLOAD, "&View After Dowload"),
                             command(ID_LOAD_SAVED_DOC, "&Load Saved Doc."),
                             command(ID_SAVE_DOWNLOAD_AS, "&Save Download As...")}),
        popup("&Help", {command(ID_APP_ABOUT, "&About Quillory..."),
                        command(ID_HELP_CONTENTS, "&Contents\tF1")}),
    };
}

constexpr std::array kAccelerators{
    Accelerator{"Ctrl+A", ID_EDIT_SELECT_ALL},
    Accelerator{"Alt+A", ID_ANSI_TO_ASCII},
    Accelerator{"Ctrl+C", ID_EDIT_COPY},
    Accelerator{"Ctrl+Ins", ID_EDIT_COPY},
    Accelerator{"Ctrl+D", ID_EDIT_CLEAR},
    Accelerator{"Ctrl+F", ID_EDIT_FIND},
    Accelerator{"Ctrl+G", ID_GOTO},
    Accelerator{"Ctrl+H", ID_EDIT_REPLACE},
    Accelerator{"Ctrl+N", ID_FILE_NEW},
    Accelerator{"Ctrl+O", ID_FILE_OPEN},
    Accelerator{"Ctrl+P", ID_FILE_PRINT},
    Accelerator{"Ctrl+S", ID_FILE_SAVE},
    Accelerator{"Ctrl+V", ID_EDIT_PASTE},
    Accelerator{"Shift+Ins", ID_EDIT_PASTE},
    Accelerator{"Ctrl+X", ID_EDIT_CUT},
    Accelerator{"Shift+Del", ID_EDIT_CUT},
    Accelerator{"Ctrl+Z", ID_EDIT_UNDO},
    Accelerator{"Alt+Backspace", ID_EDIT_UNDO},
    Accelerator{"F1", ID_HELP_CONTENTS},
    Accelerator{"F3", ID_EDIT_REPEAT},
    Accelerator{"F5", ID_WORD_WRAP},
    Accelerator{"F6", ID_SELECT_FONTS},
    Accelerator{"F7", ID_FONTS_COLOR},
    Accelerator{"F8", ID_BACKGROUND_COLOR},
    Accelerator{"F9", ID_FILE_STAT},
    Accelerator{"F10", ID_STRIP_HTML},
};

constexpr std::array<ToolbarSlot, 15> kToolbar{
    ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0,
    ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_CLEAR, 0,
    ID_WORD_WRAP, ID_SELECT_FONTS, ID_STRIP_HTML, 0,
    ID_FILE_PRINT, ID_APP_ABOUT,
};

struct StatusString {
    int id;
    std::string_view text;  // "prompt\ntooltip" or "prompt"
};

// The string table entries of the commands and the URL bar's controls.
constexpr std::array kStatusStrings{
    StatusString{ID_FILE_NEW, "Create a new document\nNew"},
    StatusString{ID_FILE_OPEN, "Open an existing document\nOpen"},
    StatusString{ID_FILE_SAVE, "Save the active document\nSave"},
    StatusString{ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
    StatusString{ID_ANSI_TO_ASCII,
                 "Convert ANSI text to the DOS (OEM) character set when saving\nANSI --> ASCII"},
    StatusString{ID_FILE_PRINT, "Print the active document\nPrint"},
    StatusString{ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
    StatusString{ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup"},
    StatusString{ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    StatusString{ID_EDIT_UNDO, "Undo the last action\nUndo"},
    StatusString{ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
    StatusString{ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    StatusString{ID_EDIT_CLEAR,
                 "Delete (to undo buffer instead of clipboard)\nDelete (to undo buffer)"},
    StatusString{ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
    StatusString{ID_EDIT_SELECT_ALL, "Select the entire document\nSelect All"},
    StatusString{ID_EDIT_FIND, "Find the specified text\nFind"},
    StatusString{ID_EDIT_REPEAT, "Find the next occurrence of the specified text\nFind Next"},
    StatusString{ID_EDIT_REPLACE, "Replace specific text with different text\nReplace"},
    StatusString{ID_STARTUP_OPTIONS, "Modify and save startup options\nStartup options"},
    StatusString{ID_FREE_CLIPBOARD, "Empty Clipboard's Contents"},
    StatusString{ID_FREE_UNDO, "Empty Undo Buffer"},
    StatusString{ID_FREE_STORAGE, "Free unused memory from buffer. (only in Binary editing)"},
    StatusString{ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    StatusString{ID_VIEW_URL_TOOLBAR, "Display URL Toolbar for Internet access"},
    StatusString{ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    StatusString{ID_WORD_WRAP, "Wrap lines at windows border\nToggles Word Wrapping"},
    StatusString{ID_SELECT_FONTS, "Change displaying fonts\nChange Fonts"},
    StatusString{ID_FONTS_COLOR, "Change the default font's color\nFonts Color"},
    StatusString{ID_BACKGROUND_COLOR, "Sets the view's background color."},
    StatusString{ID_ENCODING_UTF8, "Read the text's bytes as UTF-8 (no byte is changed)\nUTF-8"},
    StatusString{ID_ENCODING_WINDOWS_1252, "Read the text's bytes as Windows-1252 (no byte is changed)\nWindows-1252"},
    StatusString{ID_FILE_STAT, "Document statistics (# characters, words, file size)"},
    StatusString{ID_GOTO, "Jump to a specific file offset"},
    StatusString{ID_STRIP_HTML, "Remove all HTML tags <...> (cannot be undone)\nStrip HTML tags"},
    StatusString{ID_INSERT_FILE, "Insert another file into current document at cursor. (text only)"},
    StatusString{ID_FILE_WIPE, "Delete a file in a more secure way!"},
    StatusString{ID_SPLIT_JOIN, "Allows you to split or join multiple files"},
    StatusString{ID_VIEW_AFTER_DOWNLOAD, "Loads file into editor right after downloading."},
    StatusString{ID_LOAD_SAVED_DOC, "Loads the previously saved Internet document"},
    StatusString{ID_SAVE_DOWNLOAD_AS, "Save the downloaded Internet file to local disk as..."},
    StatusString{ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    StatusString{ID_HELP_CONTENTS, "License Agreement, Introduction, Usage, & Contact Author."},
    StatusString{IDC_URL_EDIT, "Enter a URL for document retrieval\nEnter URL here"},
    StatusString{IDC_URL_RETRIEVE, "Connect to URL and retrieve the document"},
    StatusString{IDC_URL_STOP, "Stop the current Internet connection"},
};

void collectCommands(const std::vector<MenuItem>& items, std::vector<int>& ids)
{
    for (const MenuItem& item : items) {
        if (item.kind == MenuItemKind::Command)
            ids.push_back(item.id);
        else if (item.kind == MenuItemKind::Popup)
            collectCommands(item.items, ids);
    }
}

const MenuItem* findCommand(const std::vector<MenuItem>& items, int id)
{
    for (const MenuItem& item : items) {
        if (item.kind == MenuItemKind::Command && item.id == id)
            return &item;
        if (item.kind == MenuItemKind::Popup)
            if (const MenuItem* found = findCommand(item.items, id))
                return found;
    }
    return nullptr;
}

}  // namespace

const std::vector<MenuItem>& CommandTable::mainMenu()
{
    static const std::vector<MenuItem> menu = buildMainMenu();
    return menu;
}

std::span<const Accelerator> CommandTable::accelerators()
{
    return kAccelerators;
}

std::span<const ToolbarSlot> CommandTable::toolbar()
{
    return kToolbar;
}

std::string_view CommandTable::statusString(int id)
{
    const auto it = std::ranges::find(kStatusStrings, id, &StatusString::id);
    return it == kStatusStrings.end() ? std::string_view{} : it->text;
}

std::string_view CommandTable::prompt(int id)
{
    const std::string_view text = statusString(id);
    return text.substr(0, text.find('\n'));
}

std::string_view CommandTable::tooltip(int id)
{
    const std::string_view text = statusString(id);
    const std::size_t newline = text.find('\n');
    return newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
}

std::vector<std::string_view> CommandTable::keysFor(int id)
{
    std::vector<std::string_view> keys;
    for (const Accelerator& accelerator : kAccelerators)
        if (accelerator.id == id)
            keys.push_back(accelerator.keys);
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
    const MenuItem* item = findCommand(mainMenu(), id);
    return item == nullptr ? std::string{} : item->text;
}

}  // namespace quillory
