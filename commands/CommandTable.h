#pragma once
// The one command table: one record per command (menu text, keys, prompt, tooltip), the layout of
// the menu bar with its popups and separators, and the toolbar. Menus, the toolbar, key bindings and
// the status bar's prompts are all built from it. Plain data, no Qt: keys are written in Qt's
// portable key-sequence form ("Ctrl+Ins") so that the widgets can parse them.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory {

enum class MenuItemKind { Command, Separator, Popup };

// Everything the menus, the keys and the status bar know of one command (or one control of the URL
// bar, which has no menu text and no keys).
struct CommandRecord {
    int id = 0;
    std::string_view text;                   // menu text with '&' mnemonics, without the key text
    std::array<std::string_view, 2> keys{};  // Qt portable form; the first is the one the menu shows
    std::string_view prompt;                 // the fly-by prompt shown in status pane 0
    std::string_view tooltip;                // empty when there is none
};

// One entry of a menu: a command, a separator, or a popup holding more entries.
struct MenuItem {
    MenuItemKind kind = MenuItemKind::Command;
    int id = 0;                   // command ID; 0 for separators and popups
    std::string text;             // menu text with '&' mnemonics; "\t" precedes the first key
    std::vector<MenuItem> items;  // entries of a popup
    bool radio = false;           // one of a group of choices: adjacent radio items exclude each other
};

// One key combination bound to a command. Several may name the same command.
struct Accelerator {
    std::string_view keys;  // Qt portable form, e.g. "Ctrl+C", "Shift+Ins", "F5"
    int id;                 // command ID
};

// One toolbar slot: a command ID, or 0 for a separator.
using ToolbarSlot = int;

class CommandTable {
public:
    // Every command's record: those of the menu in menu order, then the URL bar's controls.
    static std::span<const CommandRecord> commands();
    // The command's record, or nullptr when the table has none.
    static const CommandRecord* find(int id);
    // The main menu bar: one popup per top-level menu, in order.
    static const std::vector<MenuItem>& mainMenu();
    // Every key combination of every command, in the order of the records.
    static std::span<const Accelerator> accelerators();
    // The toolbar's buttons in order; 0 marks a separator.
    static std::span<const ToolbarSlot> toolbar();

    // The fly-by prompt shown in status pane 0; empty for an unknown ID.
    static std::string_view prompt(int id);
    // The tooltip; empty when there is none.
    static std::string_view tooltip(int id);
    // The key combinations bound to the command, in table order (the first is the primary one).
    static std::vector<std::string_view> keysFor(int id);
    // Every command ID that appears in the menu, in menu order.
    static std::vector<int> menuCommandIds();
    // The menu text of the command with "\t" and its first key after it, or empty when the menu
    // does not hold it.
    static std::string menuText(int id);
};

// The idle text of status pane 0.
inline constexpr std::string_view kIdleMessage = "Ready";

}  // namespace quillory
