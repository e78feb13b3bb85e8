#pragma once
// Open and Save As file dialogs. Every dialog goes through IFileDialogs so that tests can choose
// the file or cancel.

#include <optional>
#include <string>

namespace quillory {

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    std::string initialDir;   // folder shown first; empty: the current folder
    std::string initialName;  // file name proposed (Save)
    // Pairs "description|patterns" separated by '|', ending in "||"; patterns are ';'-separated
    // and match regardless of letter case. The first pair is selected.
    std::string filter;
    // Save only: whether choosing an existing file asks before overwriting it. Off where the
    // chosen name is appended to or only names other files.
    bool confirmOverwrite = true;

    bool operator==(const FileDialogRequest&) const = default;
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen path, or nothing when the user cancelled. A Save dialog has already asked
    // before overwriting an existing file, unless the request said not to.
    virtual std::optional<std::string> choose(const FileDialogRequest& request) = 0;
};

// The filter of Open, Save As, Save Download As and the file wiper.
inline constexpr const char* kFileDialogFilter =
    "All Files (*.*)|*.*|Text Files (*.txt;*.bat;*.ini;*.inf;*.log)|*.TXT;*.BAT;*.INI;*.LOG;*.INF|"
    "HTML Doc. (*.htm*;*.shtm*;*.stm*;*.asp)|*.HTM*;*.SHTM*;*.STM*;*.ASP|"
    "Executable Files (*.exe; *.dll; *.ocx)|*.EXE;*.DLL;*.OCX||";

}  // namespace quillory
