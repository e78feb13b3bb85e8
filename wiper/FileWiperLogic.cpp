#include "wiper/FileWiperLogic.h"

#include <algorithm>
#include <cerrno>
#include <limits>

// Texts are assigned as std::string temporaries: GCC 12 misreports assigning a literal (-Wrestrict).

namespace quillory {

namespace {

constexpr std::uint8_t kGovernmentOne = 0x31;    // '1'
constexpr std::uint8_t kGovernmentZed = 0x7A;    // 'z'
constexpr std::uint8_t kGovernmentLast = 235;

MessageBoxRequest stopBox(const char* caption, const std::string& text)
{
    return {caption, text, MessageIcon::Stop, MessageButtons::Ok};
}

// A box about a failed system call ends with the reason.
MessageBoxRequest withReason(MessageBoxRequest box, int error)
{
    box.text += reasonLine(error);
    return box;
}

}  // namespace

MessageBoxRequest wipeErrorReadingFileMessage()
{
    return {"File Error:",
            "Error Reading File!\nPlease make sure the file is not used by another application.\n"
            "ReadOnly attribute must also be cleared!",
            MessageIcon::Information, MessageButtons::Ok};
}

MessageBoxRequest wipeCannotReadWriteMessage()
{
    return stopBox("File Error:", "Cannot Read/Write to selected file!");
}

MessageBoxRequest wipeNoFileNameMessage()
{
    return {"Error:", "Must enter a filename first!", MessageIcon::Information, MessageButtons::Ok};
}

MessageBoxRequest wipeRenameFailedMessage()
{
    return stopBox("Error:",
                   "File not found!\nLet the buffered data get flushed to the disk drive first then try it again.");
}

MessageBoxRequest wipeRenameTakenMessage(const std::string& name)
{
    return stopBox("Error:", "A file named " + name + " already exists in the folder.\nNothing was renamed.");
}

MessageBoxRequest wipeStoppedMessage()
{
    return {"File Wiper:",
            "The wipe was stopped before it ended.\nThe file keeps what was written so far; it was neither "
            "truncated nor deleted.",
            MessageIcon::Information, MessageButtons::Ok};
}

bool isAllDigits(std::string_view text)
{
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::int64_t digitsValue(std::string_view digits)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (const char c : digits) {
        const int digit = c - '0';
        if (value > (kMax - digit) / 10)
            return kMax;
        value = value * 10 + digit;
    }
    return value;
}

CustomControlStates customControlStates(const FileWiperFields& fields)
{
    if (fields.m_nWipeMethod != kWipeCustom)
        return {};
    const bool resize = fields.m_nCustomAction == kCustomResizeOnly;
    return {true, true, !resize, resize};
}

FileWiperLogic::FileWiperLogic(IMessageBoxes& boxes, IFileDialogs& dialogs)
    : m_boxes(boxes), m_dialogs(dialogs), m_draw(RandomDraws(0)), m_heap(&cHeap())
{
}

void FileWiperLogic::OnInitDialog(std::uint32_t seed)
{
    FileWiperFields& f = m_fields;
    f.m_nWipeMethod = kWipeStandard;
    f.m_strLength.clear();
    f.m_strFileName.clear();
    f.m_strResizeTo.clear();
    f.m_strStatus.clear();
    f.m_strValue = std::string("0");
    f.m_strRepeats = std::string("1");
    f.m_nCustomAction = kCustomOverwriteAndDelete;
    f.m_nFileLength = 0;
    f.m_nValue = 0;
    f.m_nRepeats = 1;
    f.m_nResizeTo = 0;
    m_draw = RandomDraws(seed);
}

void FileWiperLogic::OnSelectFile()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Open;
    request.filter = kFileDialogFilter;
    const std::optional<std::string> chosen = m_dialogs.choose(request);
    if (!chosen)
        return;
    FileWiperFields& f = m_fields;
    f.m_nFileLength = 0;
    // The file itself, never a link to it, a device, a pipe or a folder.
    int error = 0;
    const std::optional<WipeTarget> target = chooseWipeTarget(*chosen, &error);
    if (!target) {
        f.m_strFileName.clear();
        m_boxes.show(withReason(wipeErrorReadingFileMessage(), error));
        f.m_strStatus = std::string("File error!");
        return;
    }
    f.m_strFileName = target->path;
    f.m_nFileLength = target->length;
    f.m_strLength = std::to_string(target->length);
    f.m_strResizeTo = f.m_strLength;
    f.m_nResizeTo = target->length;
    f.m_strStatus = std::string("Ready");
}

bool FileWiperLogic::OverwritePass(std::uint8_t value, int passes)
{
    WipeHooks hooks = m_hooks;
    const std::uint64_t before = m_progressDone;
    hooks.progress = [this, before, outer = m_hooks.progress](std::uint64_t written, std::uint64_t total) {
        if (outer)
            outer(written, total);
        if (m_progress && m_progressTotal > 0)
            m_progress(static_cast<int>((before + written) * 1000 / m_progressTotal));
    };
    const int passBefore = m_passesDone;
    hooks.beforePass = [this, passBefore, outer = m_hooks.beforePass](int pass) {
        m_fields.m_strStatus = "Pass " + std::to_string(passBefore + pass) + " of " + std::to_string(m_passesTotal);
        if (m_progress && m_progressTotal > 0)
            m_progress(static_cast<int>(m_progressDone * 1000 / m_progressTotal));
        if (outer)
            outer(pass);
    };
    int error = 0;
    const PassOutcome outcome =
        overwriteFile(m_fields.m_strFileName, m_fields.m_nFileLength, value, passes, hooks, *m_heap, &error);
    m_progressDone += static_cast<std::uint64_t>(std::max<std::int64_t>(m_fields.m_nFileLength, 0)) *
                      static_cast<std::uint64_t>(std::max(passes, 0));
    m_passesDone += passes;
    switch (outcome) {
    case PassOutcome::Done:
        return true;
    case PassOutcome::NoMemory:
        m_fields.m_strStatus = std::string("Memory Error!");
        return false;
    case PassOutcome::Stopped:
        m_fields.m_strStatus = std::string("Stopped!");
        m_boxes.show(wipeStoppedMessage());
        return false;
    case PassOutcome::OpenFailed:
    case PassOutcome::WriteFailed:
        break;
    }
    m_boxes.show(withReason(wipeCannotReadWriteMessage(), error));
    m_fields.m_strStatus = std::string("File ERROR!");
    return false;
}

void FileWiperLogic::OnWipe()
{
    FileWiperFields& f = m_fields;
    if (f.m_strFileName.empty()) {
        m_boxes.show(wipeNoFileNameMessage());
        return;
    }
    const bool deletes = f.m_nWipeMethod == kWipeStandard || f.m_nWipeMethod == kWipeGovernment ||
                         (f.m_nWipeMethod == kWipeCustom && f.m_nCustomAction == kCustomOverwriteAndDelete);
    // A wipe that could overwrite but not delete would leave a destroyed file behind under its name.
    if (const int refusal = deletes ? deletionRefusal(f.m_strFileName) : 0; refusal != 0) {
        showFileError("Cannot delete the selected file!", refusal);
        f.m_strStatus = std::string("File error!");
        return;
    }
    const auto length = static_cast<std::uint64_t>(std::max<std::int64_t>(f.m_nFileLength, 0));
    m_progressDone = 0;
    m_passesDone = 0;
    if (f.m_nWipeMethod == kWipeStandard) {
        m_progressTotal = length;
        m_passesTotal = 1;
        if (OverwritePass(0, 1))
            FinishWipe();
    } else if (f.m_nWipeMethod == kWipeGovernment) {
        m_progressTotal = length * 7;
        m_passesTotal = 7;
        bool passed = true;
        for (int round = 0; round < 3 && passed; ++round)
            passed = OverwritePass(kGovernmentOne, 1) && OverwritePass(kGovernmentZed, 1);
        if (passed && OverwritePass(kGovernmentLast, 1))
            FinishWipe();
    } else if (f.m_nWipeMethod == kWipeCustom) {
        m_progressTotal = f.m_nCustomAction == kCustomResizeOnly ? 0 : length * static_cast<std::uint64_t>(f.m_nRepeats);
        m_passesTotal = f.m_nRepeats;
        OnCustomAction();
    }
    ShowRealLength();
}

void FileWiperLogic::ShowRealLength()
{
    // After a failure or a stop the length field tells what the file now holds.
    FileWiperFields& f = m_fields;
    if (f.m_strFileName.empty())
        return;
    if (const std::optional<std::int64_t> now = currentLength(f.m_strFileName); now && *now != f.m_nFileLength) {
        f.m_nFileLength = *now;
        f.m_strLength = std::to_string(*now);
    }
}

void FileWiperLogic::FinishWipe()
{
    // A file that can no longer be opened for writing is still deleted: its bytes were overwritten.
    int error = 0;
    if (truncateFile(m_fields.m_strFileName, &error) == TruncateOutcome::Failed) {
        showFileError("Cannot truncate the selected file!", error);
        return;
    }
    if (!deleteFile(m_fields.m_strFileName, &error)) {
        showFileError("Cannot delete the selected file!", error);
        return;
    }
    ForgetFile();
    m_fields.m_strStatus = std::string("Done Wiping!");
}

void FileWiperLogic::OnCustomAction()
{
    FileWiperFields& f = m_fields;
    if (f.m_nCustomAction == kCustomResizeOnly) {
        int error = 0;
        if (!resizeFile(f.m_strFileName, f.m_nResizeTo, &error)) {
            m_boxes.show(withReason(wipeCannotReadWriteMessage(), error));
            f.m_strStatus = std::string("File error!");
            return;
        }
        f.m_nFileLength = f.m_nResizeTo;
        f.m_strLength = std::to_string(f.m_nFileLength);
        f.m_strStatus = std::string("Done Resizing!");
        return;
    }
    if (!OverwritePass(static_cast<std::uint8_t>(f.m_nValue), f.m_nRepeats))
        return;
    if (f.m_nCustomAction == kCustomOverwriteAndDelete) {
        int error = 0;
        if (!deleteFile(f.m_strFileName, &error)) {
            showFileError("Cannot delete the selected file!", error);
            return;
        }
        ForgetFile();
    }
    f.m_strStatus = std::string("Done wiping!");
}

void FileWiperLogic::ForgetFile()
{
    m_fields.m_strFileName.clear();
    m_fields.m_strLength.clear();
    m_fields.m_strResizeTo.clear();
}

void FileWiperLogic::showFileError(const char* text, int error)
{
    m_boxes.show(withReason(stopBox("File Error:", text), error));
}

void FileWiperLogic::OnValueChanged()
{
    FileWiperFields& f = m_fields;
    if (!isAllDigits(f.m_strValue)) {
        m_boxes.show(stopBox("Error:", "Invalid entry!"));
        f.m_strValue = std::string("0");
        f.m_nValue = 0;
        return;
    }
    const std::int64_t value = digitsValue(f.m_strValue);
    if (value > 255) {
        m_boxes.show(stopBox("Error:", "Must be between 0 and 255."));
        f.m_strValue = std::string("255");
        f.m_nValue = 255;
        return;
    }
    f.m_nValue = static_cast<std::int32_t>(value);
}

void FileWiperLogic::OnRepeatsChanged()
{
    FileWiperFields& f = m_fields;
    if (!isAllDigits(f.m_strRepeats)) {
        m_boxes.show(stopBox("Error:", "Invalid entry!"));
        f.m_strRepeats = std::string("1");
        f.m_nRepeats = 1;
        return;
    }
    const std::int64_t repeats = digitsValue(f.m_strRepeats);
    if (repeats < 1 || repeats > 100) {
        m_boxes.show(stopBox("Error:", "Must be between 1 and 100."));
        f.m_strRepeats.clear();
        f.m_nRepeats = 1;
        return;
    }
    f.m_nRepeats = static_cast<std::int32_t>(repeats);
}

void FileWiperLogic::OnResizeChanged()
{
    FileWiperFields& f = m_fields;
    if (!isAllDigits(f.m_strResizeTo)) {
        m_boxes.show(stopBox("Error:", "Invalid entry!"));
        f.m_strResizeTo = std::to_string(f.m_nFileLength);
        f.m_nResizeTo = f.m_nFileLength;
        return;
    }
    f.m_nResizeTo = digitsValue(f.m_strResizeTo);
}

void FileWiperLogic::OnRandomRename()
{
    FileWiperFields& f = m_fields;
    const std::string folder = f.m_strFileName.empty() ? std::string() : folderOf(f.m_strFileName);
    const std::string name = drawRandomName(m_draw);
    if (name.empty())
        return;
    const std::string renamed = folder + name;
    if (!renameWithoutReplacing(f.m_strFileName, renamed)) {
        const int error = errno;
        // A drawn name that is taken is no missing file: it is said as it is.
        m_boxes.show(error == EEXIST ? wipeRenameTakenMessage(name)
                                     : withReason(wipeRenameFailedMessage(), f.m_strFileName.empty() ? ENOENT : error));
        return;
    }
    f.m_strFileName = renamed;
}

}  // namespace quillory
