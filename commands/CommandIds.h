#pragma once
// Numeric command IDs of every menu item, accelerator and toolbar button. The numbers are fixed:
// routing, the command table and the settings of other parts all address commands by them.

namespace quillory::cmd {

// File
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_ANSI_TO_ASCII = 32808;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_APP_EXIT = 57665;

// Edit
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CLEAR = 57632;  // "Delete"
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_SELECT_ALL = 57642;
inline constexpr int ID_EDIT_FIND = 57636;
inline constexpr int ID_EDIT_REPEAT = 57640;  // "Find Next"
inline constexpr int ID_EDIT_REPLACE = 57641;
inline constexpr int ID_STARTUP_OPTIONS = 32783;
inline constexpr int ID_FREE_CLIPBOARD = 32800;
inline constexpr int ID_FREE_UNDO = 32802;
inline constexpr int ID_FREE_STORAGE = 32803;

// View
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_URL_TOOLBAR = 32811;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_WORD_WRAP = 32771;
inline constexpr int ID_SELECT_FONTS = 32772;
inline constexpr int ID_FONTS_COLOR = 32794;
inline constexpr int ID_BACKGROUND_COLOR = 32795;
inline constexpr int ID_ENCODING_UTF8 = 32840;          // View > Encoding > UTF-8
inline constexpr int ID_ENCODING_WINDOWS_1252 = 32841;  // View > Encoding > Windows-1252
inline constexpr int ID_VIEW_HEX_PANE = 32842;          // View > Hex Pane

// Tools
inline constexpr int ID_FILE_STAT = 32797;
inline constexpr int ID_GOTO = 32798;
inline constexpr int ID_STRIP_HTML = 32805;
inline constexpr int ID_INSERT_FILE = 32819;
inline constexpr int ID_FILE_WIPE = 32807;
inline constexpr int ID_SPLIT_JOIN = 32817;

// Downloads
inline constexpr int ID_VIEW_AFTER_DOWNLOAD = 32818;
inline constexpr int ID_LOAD_SAVED_DOC = 32813;
inline constexpr int ID_SAVE_DOWNLOAD_AS = 32816;

// Help
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_HELP_CONTENTS = 32793;

// Controls of the URL bar (they carry prompts like commands but are not menu commands).
inline constexpr int IDC_URL_EDIT = 1039;
inline constexpr int IDC_URL_RETRIEVE = 1042;
inline constexpr int IDC_URL_STOP = 1044;

// Bars, as frame child IDs.
inline constexpr int AFX_IDW_TOOLBAR = 59392;
inline constexpr int AFX_IDW_STATUS_BAR = 59393;
inline constexpr int ID_URL_BAR = 59424;

// Status bar indicators.
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;

}  // namespace quillory::cmd
