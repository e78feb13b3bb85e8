#include "wiper/FileWiperLogic.h"

#include <algorithm>
#include <cerrno>
#include <limits>

// Texts are assigned as std::string temporaries: GCC 12 misreports assigning a literal (-Wrestrict).

namespace quillory {

namespace {

constexpr std::uint8_t kGovernmentOne = 0x31;  // '1'
constexpr std::uint8_t kGovernmentZed = 0x7A;  // 'z'
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
    if (fields.wipeMethod != kWipeCustom)
        return {};
    const bool resize = fields.customAction == kCustomResizeOnly;
    return {true, true, !resize, resize};
}

FileWiperLogic::FileWiperLogic(IMessageBoxes& boxes, IFileDialogs& dialogs)
    : m_boxes(boxes), m_dialogs(dialogs), m_draw(RandomDraws(0)), m_heap(&cHeap())
{}

void FileWiperLogic::onInitDialog(std::uint32_t seed)
{
    FileWiperFields& f = m_fields;
    f.wipeMethod = kWipeStandard;
    f.lengthText.clear();
    f.fileName.clear();
    f.resizeToText.clear();
    f.status.clear();
    f.valueText = std::string("0");
    f.repeatsText = std::string("1");
    f.customAction = kCustomOverwriteAndDelete;
    f.fileLength = 0;
    f.value = 0;
    f.repeats = 1;
    f.resizeTo = 0;
    m_draw = RandomDraws(seed);
}

void FileWiperLogic::onSelectFile()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Open;
    request.filter = kFileDialogFilter;
    const std::optional<std::string> chosen = m_dialogs.choose(request);
    if (!chosen)
        return;
    FileWiperFields& f = m_fields;
    f.fileLength = 0;
    // The file itself, never a link to it, a device, a pipe or a folder.
    int error = 0;
    const std::optional<WipeTarget> target = chooseWipeTarget(*chosen, &error);
    if (!target) {
        f.fileName.clear();
        m_boxes.show(withReason(wipeErrorReadingFileMessage(), error));
        f.status = std::string("File error!");
        return;
    }
    f.fileName = target->path;
    f.fileLength = target->length;
    f.lengthText = std::to_string(target->length);
    f.resizeToText = f.lengthText;
    f.resizeTo = target->length;
    f.status = std::string("Ready");
}

bool FileWiperLogic::overwritePass(std::uint8_t value, int passes)
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
        m_fields.status = "Pass " + std::to_string(passBefore + pass) + " of " + std::to_string(m_passesTotal);
        if (m_progress && m_progressTotal > 0)
            m_progress(static_cast<int>(m_progressDone * 1000 / m_progressTotal));
        if (outer)
            outer(pass);
    };
    int error = 0;
    const PassOutcome outcome =
        overwriteFile(m_fields.fileName, m_fields.fileLength, value, passes, hooks, *m_heap, &error);
    m_progressDone += static_cast<std::uint64_t>(std::max<std::int64_t>(m_fields.fileLength, 0)) *
                      static_cast<std::uint64_t>(std::max(passes, 0));
    m_passesDone += passes;
    switch (outcome) {
    case PassOutcome::Done: return true;
    case PassOutcome::NoMemory: m_fields.status = std::string("Memory Error!"); return false;
    case PassOutcome::Stopped:
        m_fields.status = std::string("Stopped!");
        m_boxes.show(wipeStoppedMessage());
        return false;
    case PassOutcome::OpenFailed:
    case PassOutcome::WriteFailed: break;
    }
    m_boxes.show(withReason(wipeCannotReadWriteMessage(), error));
    m_fields.status = std::string("File ERROR!");
    return false;
}

void FileWiperLogic::onWipe()
{
    FileWiperFields& f = m_fields;
    if (f.fileName.empty()) {
        m_boxes.show(wipeNoFileNameMessage());
        return;
    }
    const bool deletes = f.wipeMethod == kWipeStandard || f.wipeMethod == kWipeGovernment ||
                         (f.wipeMethod == kWipeCustom && f.customAction == kCustomOverwriteAndDelete);
    // A wipe that could overwrite but not delete would leave a destroyed file behind under its name.
    if (const int refusal = deletes ? deletionRefusal(f.fileName) : 0; refusal != 0) {
        showFileError("Cannot delete the selected file!", refusal);
        f.status = std::string("File error!");
        return;
    }
    const auto length = static_cast<std::uint64_t>(std::max<std::int64_t>(f.fileLength, 0));
    m_progressDone = 0;
    m_passesDone = 0;
    if (f.wipeMethod == kWipeStandard) {
        m_progressTotal = length;
        m_passesTotal = 1;
        if (overwritePass(0, 1))
            finishWipe();
    } else if (f.wipeMethod == kWipeGovernment) {
        m_progressTotal = length * 7;
        m_passesTotal = 7;
        bool passed = true;
        for (int round = 0; round < 3 && passed; ++round)
            passed = overwritePass(kGovernmentOne, 1) && overwritePass(kGovernmentZed, 1);
        if (passed && overwritePass(kGovernmentLast, 1))
            finishWipe();
    } else if (f.wipeMethod == kWipeCustom) {
        m_progressTotal = f.customAction == kCustomResizeOnly ? 0 : length * static_cast<std::uint64_t>(f.repeats);
        m_passesTotal = f.repeats;
        onCustomAction();
    }
    showRealLength();
}

void FileWiperLogic::showRealLength()
{
    // After a failure or a stop the length field tells what the file now holds.
    FileWiperFields& f = m_fields;
    if (f.fileName.empty())
        return;
    if (const std::optional<std::int64_t> now = currentLength(f.fileName); now && *now != f.fileLength) {
        f.fileLength = *now;
        f.lengthText = std::to_string(*now);
    }
}

void FileWiperLogic::finishWipe()
{
    // A file that can no longer be opened for writing is still deleted: its bytes were overwritten.
    int error = 0;
    if (truncateFile(m_fields.fileName, &error) == TruncateOutcome::Failed) {
        showFileError("Cannot truncate the selected file!", error);
        return;
    }
    if (!deleteFile(m_fields.fileName, &error)) {
        showFileError("Cannot delete the selected file!", error);
        return;
    }
    forgetFile();
    m_fields.status = std::string("Done Wiping!");
}

void FileWiperLogic::onCustomAction()
{
    FileWiperFields& f = m_fields;
    if (f.customAction == kCustomResizeOnly) {
        int error = 0;
        if (!resizeFile(f.fileName, f.resizeTo, &error)) {
            m_boxes.show(withReason(wipeCannotReadWriteMessage(), error));
            f.status = std::string("File error!");
            return;
        }
        f.fileLength = f.resizeTo;
        f.lengthText = std::to_string(f.fileLength);
        f.status = std::string("Done Resizing!");
        return;
    }
    if (!overwritePass(static_cast<std::uint8_t>(f.value), f.repeats))
        return;
    if (f.customAction == kCustomOverwriteAndDelete) {
        int error = 0;
        if (!deleteFile(f.fileName, &error)) {
            showFileError("Cannot delete the selected file!", error);
            return;
        }
        forgetFile();
    }
    f.status = std::string("Done wiping!");
}

void FileWiperLogic::forgetFile()
{
    m_fields.fileName.clear();
    m_fields.lengthText.clear();
    m_fields.resizeToText.clear();
}

void FileWiperLogic::showFileError(const char* text, int error)
{
    m_boxes.show(withReason(stopBox("File Error:", text), error));
}

void FileWiperLogic::onValueChanged()
{
    FileWiperFields& f = m_fields;
    if (!isAllDigits(f.valueText)) {
        m_boxes.show(stopBox("Error:", "Invalid entry!"));
        f.valueText = std::string("0");
        f.value = 0;
        return;
    }
    const std::int64_t value = digitsValue(f.valueText);
    if (value > 255) {
        m_boxes.show(stopBox("Error:", "Must be between 0 and 255."));
        f.valueText = std::string("255");
        f.value = 255;
        return;
    }
    f.value = static_cast<std::int32_t>(value);
}

void FileWiperLogic::onRepeatsChanged()
{
    FileWiperFields& f = m_fields;
    if (!isAllDigits(f.repeatsText)) {
        m_boxes.show(stopBox("Error:", "Invalid entry!"));
        f.repeatsText = std::string("1");
        f.repeats = 1;
        return;
    }
    const std::int64_t repeats = digitsValue(f.repeatsText);
    if (repeats < 1 || repeats > 100) {
        m_boxes.show(stopBox("Error:", "Must be between 1 and 100."));
        f.repeatsText.clear();
        f.repeats = 1;
        return;
    }
    f.repeats = static_cast<std::int32_t>(repeats);
}

void FileWiperLogic::onResizeChanged()
{
    FileWiperFields& f = m_fields;
    if (!isAllDigits(f.resizeToText)) {
        m_boxes.show(stopBox("Error:", "Invalid entry!"));
        f.resizeToText = std::to_string(f.fileLength);
        f.resizeTo = f.fileLength;
        return;
    }
    f.resizeTo = digitsValue(f.resizeToText);
}

void FileWiperLogic::onRandomRename()
{
    FileWiperFields& f = m_fields;
    const std::string folder = f.fileName.empty() ? std::string() : folderOf(f.fileName);
    const std::string name = drawRandomName(m_draw);
    if (name.empty())
        return;
    const std::string renamed = folder + name;
    if (!renameWithoutReplacing(f.fileName, renamed)) {
        const int error = errno;
        // A drawn name that is taken is no missing file: it is said as it is.
        m_boxes.show(error == EEXIST ? wipeRenameTakenMessage(name)
                                     : withReason(wipeRenameFailedMessage(), f.fileName.empty() ? ENOENT : error));
        return;
    }
    f.fileName = renamed;
}

}  // namespace quillory
