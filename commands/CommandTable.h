#pragma once
// The one command table: menu 128 with its popups and separators, accelerator table 128, toolbar
// 128 and the string table's status strings. Menus, the toolbar, key bindings and the status bar's
// prompts are all built from it. Plain data, no Qt: keys are written in Qt's portable key-sequence
// form ("Ctrl+Ins") so that the widgets can parse them.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory {

enum class MenuItemKind { Command, Separator, Popup };

// One entry of a menu: a command, a separator, or a popup holding more entries.
struct MenuItem {
    MenuItemKind kind = MenuItemKind::Command;
    int id = 0;                   // command ID; 0 for separators and popups
    std::string text;             // menu text with '&' mnemonics; "\t" precedes the key text
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
    // The main menu bar: one popup per top-level menu, in order.
    static const std::vector<MenuItem>& mainMenu();
    // Every key combination of the accelerator table, in table order.
    static std::span<const Accelerator> accelerators();
    // The toolbar's buttons in order; 0 marks a separator.
    static std::span<const ToolbarSlot> toolbar();

    // The command's whole status string ("prompt\ntooltip" or just "prompt"); empty if it has none.
    static std::string_view statusString(int id);
    // The part of the status string before "\n": the fly-by prompt shown in status pane 0.
    static std::string_view prompt(int id);
    // The part of the status string after "\n": the tooltip; empty when there is none.
    static std::string_view tooltip(int id);
    // The key combinations bound to the command, in table order (the first is the primary one).
    static std::vector<std::string_view> keysFor(int id);
    // Every command ID that appears in the menu, in menu order.
    static std::vector<int> menuCommandIds();
    // The menu text of the command, or empty when the menu does not hold it.
    static std::string menuText(int id);
};

// The idle text of status pane 0.
inline constexpr std::string_view kIdleMessage = "Ready";

}  // namespace quillory
