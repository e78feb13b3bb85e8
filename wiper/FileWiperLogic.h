#pragma once
// What the file wiper dialog (FileWiperDialog) does, without widgets: its fields, the choice of the
// file, the wipe methods, the custom overwrite, delete and resize, the checks of its three edits
// and Random Rename. The dialog reads its controls into fields() before each handler and writes
// the fields back to the controls after it; it enables its custom controls as
// customControlStates() says.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/FileDialogs.h"
#include "base/MessageBox.h"
#include "wiper/RandomName.h"
#include "wiper/WipeFile.h"

namespace quillory {

inline constexpr int kWipeValueMaxChars = 3;    // edit 1023
inline constexpr int kWipeRepeatsMaxChars = 4;  // edit 1024
inline constexpr int kWipeResizeMaxChars = 11;  // edit 1029
inline constexpr int kWipeLengthMaxChars = 11;  // edit 1015

inline constexpr std::int32_t kWipeStandard = 0;
inline constexpr std::int32_t kWipeGovernment = 1;
inline constexpr std::int32_t kWipeCustom = 2;
inline constexpr std::int32_t kCustomOverwriteAndDelete = 0;
inline constexpr std::int32_t kCustomOverwriteOnly = 1;
inline constexpr std::int32_t kCustomResizeOnly = 2;

// The dialog's data, exchanged with its controls.
struct FileWiperFields {
    std::int64_t fileLength = 0;     // bytes every pass writes: the length when chosen or resized
    std::int32_t value = 0;          // custom byte value, 0..255
    std::int32_t repeats = 1;        // custom number of passes, 1..100
    std::int64_t resizeTo = 0;       // custom new length for Resize only
    std::string fileName;            // full path of the chosen file (1014)
    std::string lengthText;          // its length in decimal (1015)
    std::int32_t wipeMethod = -1;    // checked radio of 1016..1018: kWipeStandard..kWipeCustom
    std::string status;              // status line (1021)
    std::int32_t customAction = -1;  // checked radio of 1030..1032: kCustomOverwriteAndDelete..
    std::string resizeToText;        // text of 1029
    std::string valueText;           // text of 1023
    std::string repeatsText;         // text of 1024
};

// Which of the custom controls are enabled.
struct CustomControlStates {
    bool groupBox = false;         // 1022 "Custom options:"
    bool actionRadios = false;     // 1030, 1031, 1032
    bool valueAndRepeats = false;  // 1035, 1023, 1034, 1024
    bool resize = false;           // 1033, 1029

    bool operator==(const CustomControlStates&) const = default;
};

// The custom controls are enabled only for the Custom method; of them, the value and repeats
// serve the two overwrites and the new length serves Resize only.
CustomControlStates customControlStates(const FileWiperFields& fields);

class FileWiperLogic {
public:
    FileWiperLogic(IMessageBoxes& boxes, IFileDialogs& dialogs);

    FileWiperFields& fields() { return m_fields; }
    const FileWiperFields& fields() const { return m_fields; }

    // The start values of an opened dialog; seed starts the random names' draws.
    void onInitDialog(std::uint32_t seed);
    // "Click here first to select a file!"
    void onSelectFile();
    // "&WIPE/Resize": the chosen method or custom action on the chosen file.
    void onWipe();
    // The checks of the edits 1023, 1024 and 1029 after their text changed.
    void onValueChanged();
    void onRepeatsChanged();
    void onResizeChanged();
    // "Random Rename"
    void onRandomRename();

    // The test seam of the passes (sync, a look after each pass) and the dialog's Stop.
    void setHooks(WipeHooks hooks) { m_hooks = std::move(hooks); }
    // Told the share of the running wipe that is done, in thousandths, every few megabytes and as
    // each pass begins (the status then reads "Pass k of n").
    void setProgressListener(std::function<void(int permille)> listener) { m_progress = std::move(listener); }
    // Replaces the random draws (tests).
    void setDraws(Draw15 draw) { m_draw = std::move(draw); }
    // The heap of the pass buffers (tests make it fail).
    void setHeap(IByteHeap& heap) { m_heap = &heap; }

private:
    // One overwrite of passes passes with value; false (status and box set) when it failed.
    bool overwritePass(std::uint8_t value, int passes);
    // Standard and Government: truncate, delete, forget the file.
    void finishWipe();
    void onCustomAction();
    void forgetFile();
    void showRealLength();
    // A "File Error:" box with text and the reason of error.
    void showFileError(const char* text, int error);

    IMessageBoxes& m_boxes;
    IFileDialogs& m_dialogs;
    FileWiperFields m_fields;
    WipeHooks m_hooks;
    std::function<void(int)> m_progress;
    Draw15 m_draw;
    IByteHeap* m_heap;
    std::uint64_t m_progressDone = 0;   // bytes of the running wipe written by earlier calls
    std::uint64_t m_progressTotal = 0;  // bytes the running wipe writes in all
    int m_passesDone = 0;               // passes of the running wipe finished by earlier calls
    int m_passesTotal = 0;              // passes the running wipe makes in all
};

// True when text holds only the digits '0' to '9' (an empty text too).
bool isAllDigits(std::string_view text);
// The decimal value of a text of digits; values beyond 64 bits saturate.
std::int64_t digitsValue(std::string_view digits);

MessageBoxRequest wipeErrorReadingFileMessage();
MessageBoxRequest wipeCannotReadWriteMessage();
MessageBoxRequest wipeNoFileNameMessage();
MessageBoxRequest wipeRenameFailedMessage();
// A drawn name that another file has: nothing was renamed.
MessageBoxRequest wipeRenameTakenMessage(const std::string& name);
// A wipe the user stopped.
MessageBoxRequest wipeStoppedMessage();

}  // namespace quillory
