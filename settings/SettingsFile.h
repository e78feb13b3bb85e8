#pragma once
// The settings file "Quillory.dat": the 88-byte record, the tag bytes 0x7C 0xBF 0x7C, then the
// default directory as plain text up to the end of the file.

#include <string>

#include "settings/SettingsRecord.h"

namespace quillory {

inline constexpr const char* kSettingsFileName = "Quillory.dat";
inline constexpr char kSettingsTag[3] = {'\x7C', '\xBF', '\x7C'};

inline constexpr const char* kSettingsReadErrorCaption = "Error - Quillory.dat";
inline constexpr const char* kSettingsReadErrorText =
    "Error reading initialize data!\nThe data file is either out-dated or corrupted.\n"
    "Please create a new one.\nDefault settings will be used.";
inline constexpr const char* kSettingsWriteErrorCaption = "File Error:";
inline constexpr const char* kSettingsWriteErrorText = "Cannot update data file!\nError accessing: ";

enum class SettingsReadStatus {
    Missing,  // no file, or it cannot be opened: silently keep the defaults
    Corrupt,  // shorter than the record, or the tag is wrong: report and keep the defaults
    Valid,
};

struct SettingsFileContents {
    SettingsReadStatus status = SettingsReadStatus::Missing;
    SettingsRecord record;   // valid only when status is Valid
    std::string defaultDir;  // the stored directory without trailing white space; may be empty
};

// Reads and validates the file as the editor does at start-up.
SettingsFileContents readSettingsFile(const std::string& path);

// What the Startup Options command reads back before rewriting the file: the record bytes laid over
// `record` (a short file leaves the rest of it as it was), and the stored directory line. Nothing is
// validated. Returns false when the file cannot be opened.
bool readSettingsForRewrite(const std::string& path, SettingsRecord& record, std::string& storedDir);

// Writes record, tag and directory text (no line end, no terminator) into a new file that then
// replaces the old one, so that a failure leaves the old settings whole. False when the file
// cannot be created or any byte cannot be written.
bool writeSettingsFile(const std::string& path, const SettingsRecord& record, const std::string& dirText);

// The settings path beside an executable: its folder followed by the file name; the bare name when
// the path has no folder.
std::string settingsPathBeside(const std::string& executablePath);

// Where the settings live: in the user's configuration folder for an installed program (its
// executable in a folder named bin) and where the executable's folder takes no new files; otherwise
// beside the executable (a settings file already there is always used).
std::string chooseSettingsPath(const std::string& executablePath, const std::string& userConfigFolder);

}  // namespace quillory
