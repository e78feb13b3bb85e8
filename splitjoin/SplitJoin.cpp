#include "splitjoin/SplitJoin.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/Paths.h"
#include "base/SystemFiles.h"
#include "splitjoin/ChunkNaming.h"

namespace quillory {

namespace {

constexpr const char* kNoBufferText = "Not enough memory for file buffering!";

void showError(const SplitJoinHost& host, const std::string& caption, const std::string& text, MessageIcon icon)
{
    host.boxes.show({caption, text, icon, MessageButtons::Ok});
}

void reportNoBuffer(const SplitJoinHost& host)
{
    host.setStatus(kStatusLowMemory);
    showError(host, "Error:", kNoBufferText, MessageIcon::Stop);
}

// A fault in the middle of a copy: the message names the file at fault, what was done with the
// unfinished output (undone) and why the copy failed.
void reportCopyFault(const SplitJoinHost& host, const CopyOutcome& outcome, const std::string& input,
                     const std::string& output, const std::string& undone)
{
    host.setStatus(kStatusFileError);
    std::string text;
    if (outcome.fault == CopyFault::Write)
        text = "Error writing to output file " + output + undone + reasonLine(outcome.error);
    else if (outcome.fault == CopyFault::Read)
        text = "Error occur while processing : " + input + undone + reasonLine(outcome.error);
    else
        text = "Error occur while processing : " + input + "\nThe file ended before its end was read." + undone;
    showError(host, "File Error:", text, MessageIcon::Stop);
}

// Removes a file this run created and left unfinished; the sentence the message adds about it.
std::string removeUnfinished(const std::string& path, const char* what)
{
    if (::unlink(path.c_str()) == 0)
        return std::string("\nThe unfinished ") + what + " " + path + " was removed.";
    return std::string("\nThe unfinished ") + what + " " + path + " could not be removed." + reasonLine(errno);
}

bool exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

FileDialogRequest saveRequest(const std::string& curDir)
{
    FileDialogRequest request{FileDialogRequest::Kind::Save, curDir, "", kSplitJoinFilter};
    request.confirmOverwrite = false;
    return request;
}

// Writes the chunks base.1, base.2, ... of the open source, each `chunk` bytes but the last.
void writeChunks(const SplitJoinHost& host, int source, const std::string& sourceName, std::uint64_t length, int width,
                 std::uint64_t chunk, const std::string& base)
{
    std::uint64_t copied = 0;
    FileCopier copier(host.bufferBytes, host.kernelCopy, [&](std::uint64_t step) {
        copied += step;
        if (host.progress)
            host.progress(copied, length);
    });
    if (!copier.allocate()) {
        reportNoBuffer(host);
        return;
    }
    if (host.progress)
        host.progress(0, length);
    std::uint64_t total = 0;
    for (std::uint64_t k = 1; total < length; ++k) {
        const std::string name = base + chunkExtension(k, width);
        // Exclusive creation: a file that appears after the test is not overwritten either.
        const bool taken = exists(name);
        FileDescriptor out(taken ? -1 : ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666));
        if (!out) {
            const int error = errno;
            host.setStatus(kStatusFileError);
            if (taken)
                showError(host, "File Error:", "One of the output file already exists! Aborted...", MessageIcon::Stop);
            else
                showMessageBox(host.boxes, "File creation error!" + reasonLine(error), MessageIcon::None);
            return;
        }
        CopyOutcome outcome = copier.copy(source, out.get(), std::min(chunk, length - total));
        if (const int error = out.close(); error != 0 && outcome.fault == CopyFault::None)
            outcome = CopyOutcome{CopyFault::Write, error, outcome.copied};
        if (outcome.fault != CopyFault::None) {
            // A short chunk would make a later join quietly produce a short file.
            reportCopyFault(host, outcome, sourceName, name, removeUnfinished(name, "chunk"));
            return;
        }
        total += outcome.copied;
    }
    host.setStatus(kStatusFinished);
}

enum class AppendResult { Appended, Stopped, Faulted };

// Appends one input to the open output; Stopped and Faulted end the join (the reason of Stopped
// shown; a fault is the caller's to report once it has undone the output).
AppendResult appendFile(const SplitJoinHost& host, FileCopier& copier, int out, const std::string& input,
                        CopyOutcome& fault)
{
    if (!copier.allocate()) {
        reportNoBuffer(host);
        return AppendResult::Stopped;
    }
    int error = 0;
    FileDescriptor in(openRegularFile(input, O_RDONLY, error));
    struct stat inInfo {};
    struct stat outInfo {};
    std::string why;
    if (!in)
        why = reasonLine(error);
    else if (::fstat(in.get(), &inInfo) != 0 || ::fstat(out, &outInfo) != 0)
        why = reasonLine(errno);
    else if (inInfo.st_dev == outInfo.st_dev && inInfo.st_ino == outInfo.st_ino)
        // The output itself cannot be an input: it would grow as fast as it is read.
        why = "\nIt is the output file itself.";
    if (!why.empty()) {
        host.setStatus(kStatusFileError);
        showError(host, "File Error:", "Error occur while processing : " + input + why, MessageIcon::Stop);
        return AppendResult::Stopped;
    }
    fault = copier.copy(in.get(), out, FileCopier::kToEnd);
    return fault.fault == CopyFault::None ? AppendResult::Appended : AppendResult::Faulted;
}

// Gives an output that a fault left unfinished back its old length (or removes it when this join
// created it); the sentence the message adds about it.
std::string undoOutput(int out, const std::string& output, bool existed, std::uint64_t oldLength)
{
    if (!existed)
        return removeUnfinished(output, "output file");
    const std::string bytes = std::to_string(oldLength);
    if (::ftruncate(out, static_cast<off_t>(oldLength)) == 0)
        return "\nThe output file " + output + " was cut back to its old length of " + bytes + " bytes.";
    return "\nThe output file " + output + " could not be cut back to its old length of " + bytes + " bytes." +
           reasonLine(errno);
}

std::uint64_t totalLength(const std::vector<std::string>& inputs)
{
    std::uint64_t total = 0;
    for (const std::string& input : inputs) {
        struct stat info {};
        if (::stat(input.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            total += static_cast<std::uint64_t>(info.st_size);
    }
    return total;
}

}  // namespace

void splitFile(const SplitJoinHost& host, const std::string& curDir, int chunkChoice, const std::string& customSize)
{
    host.setStatus(kStatusReady);
    const std::optional<std::string> chosen =
        host.dialogs.choose({FileDialogRequest::Kind::Open, curDir, "", kSplitJoinFilter});
    if (!chosen)
        return;
    const std::string sourceName = absolutePath(*chosen);
    // Never blocks: a pipe, device or socket is refused before it is opened.
    int error = 0;
    FileDescriptor source(openRegularFile(sourceName, O_RDONLY, error));
    struct stat info {};
    if (source && ::fstat(source.get(), &info) != 0)
        error = errno;
    if (error != 0) {
        host.setStatus(kStatusFileError);
        showError(host, "File Error:", "Error occur while processing : " + sourceName + reasonLine(error),
                  MessageIcon::Stop);
        return;
    }
    const auto length = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t chunk = chunkSizeFor(chunkChoice, customSize);
    if (chunk == 0) {
        showError(host, "Error:", "Chunk size must be greater than 0.", MessageIcon::Stop);
        return;
    }
    const int width = chunkDigitWidth(chunkCount(length, chunk));
    host.setStatus(kStatusProcessing);
    const std::optional<std::string> base = host.dialogs.choose(saveRequest(curDir));
    if (!base) {
        host.setStatus(kStatusAborted);
        return;
    }
    writeChunks(host, source.get(), sourceName, length, width, chunk, absolutePath(*base));
}

void joinFiles(const SplitJoinHost& host, const std::string& curDir, const std::vector<std::string>& inputs)
{
    host.setStatus(kStatusReady);
    if (inputs.empty()) {
        showError(host, "Error:", "Empty List!", MessageIcon::Exclamation);
        return;
    }
    host.setStatus(kStatusProcessing);
    const std::optional<std::string> chosen = host.dialogs.choose(saveRequest(curDir));
    if (!chosen) {
        host.setStatus(kStatusAborted);
        return;
    }
    const std::string output = absolutePath(*chosen);
    const bool existed = exists(output);
    int error = 0;
    FileDescriptor out(openRegularFile(output, O_WRONLY | O_CREAT, error));
    struct stat outInfo {};
    if (out && ::fstat(out.get(), &outInfo) != 0)
        error = errno;
    if (error != 0) {
        host.setStatus(kStatusFileError);
        showError(host, "File Error:", "Error writing to output file " + output + reasonLine(error), MessageIcon::Stop);
        return;
    }
    const auto oldLength = static_cast<std::uint64_t>(outInfo.st_size);
    ::lseek(out.get(), 0, SEEK_END);

    const std::uint64_t total = totalLength(inputs);
    std::uint64_t copied = 0;
    FileCopier copier(host.bufferBytes, host.kernelCopy, [&](std::uint64_t step) {
        copied += step;
        if (host.progress)
            host.progress(copied, total);
    });
    if (host.progress)
        host.progress(0, total);
    AppendResult result = AppendResult::Appended;
    CopyOutcome fault;
    std::string faultInput;
    for (const std::string& input : inputs) {
        result = appendFile(host, copier, out.get(), input, fault);
        if (result != AppendResult::Appended) {
            faultInput = input;
            break;
        }
    }
    if (result == AppendResult::Faulted) {
        // What this join wrote is taken back: a half-appended input would pass for a whole one.
        reportCopyFault(host, fault, faultInput, output, undoOutput(out.get(), output, existed, oldLength));
        return;
    }
    if (const int closeError = out.close(); closeError != 0) {
        // The descriptor is gone: the output is opened once more to be cut back.
        const FileDescriptor again(::open(output.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        reportCopyFault(host, CopyOutcome{CopyFault::Write, closeError, 0}, "", output,
                        undoOutput(again.get(), output, existed, oldLength));
        return;
    }
    // A stop at an input ends as the join's own end; what was appended before it stays.
    host.setStatus(kStatusFinished);
}

}  // namespace quillory
