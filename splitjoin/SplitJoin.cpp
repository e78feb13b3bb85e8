#include "splitjoin/SplitJoin.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Paths.h"
#include "splitjoin/ChunkNaming.h"

namespace quillory {

namespace {

constexpr const char* kNoBufferText = "Not enough memory for file buffering!";

// A descriptor closed when it goes out of scope (unless closed before, to check the result).
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Closes now; the errno of a failed close, or 0.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

void showError(const SplitJoinHost& host, const std::string& caption, const std::string& text, MessageIcon icon)
{
    host.boxes.show({caption, text, icon, MessageButtons::Ok});
}

void reportNoBuffer(const SplitJoinHost& host)
{
    host.setStatus(kStatusLowMemory);
    showError(host, "Error:", kNoBufferText, MessageIcon::Stop);
}

// A fault in the middle of a copy: the message names the file at fault and why.
void reportCopyFault(const SplitJoinHost& host, const CopyOutcome& outcome, const std::string& input,
                     const std::string& output)
{
    host.setStatus(kStatusFileError);
    std::string text;
    if (outcome.fault == CopyFault::Write)
        text = "Error writing to output file " + output + "\n" + std::strerror(outcome.error);
    else if (outcome.fault == CopyFault::Read)
        text = "Error occur while processing : " + input + "\n" + std::strerror(outcome.error);
    else
        text = "Error occur while processing : " + input + "\nThe file ended before its end was read.";
    showError(host, "File Error:", text, MessageIcon::Stop);
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
void writeChunks(const SplitJoinHost& host, int source, const std::string& sourceName, std::uint64_t length,
                 int width, std::uint64_t chunk, const std::string& base)
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
        Fd out(exists(name) ? -1 : ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!out) {
            host.setStatus(kStatusFileError);
            if (exists(name))
                showError(host, "File Error:", "One of the output file already exists! Aborted...", MessageIcon::Stop);
            else
                AfxMessageBox(host.boxes, "File creation error!", MessageIcon::None);
            return;
        }
        CopyOutcome outcome = copier.copy(source, out.get(), std::min(chunk, length - total));
        if (const int error = out.close(); error != 0 && outcome.fault == CopyFault::None)
            outcome = CopyOutcome{CopyFault::Write, error, outcome.copied};
        if (outcome.fault != CopyFault::None) {
            reportCopyFault(host, outcome, sourceName, name);
            return;
        }
        total += outcome.copied;
    }
    host.setStatus(kStatusFinished);
}

enum class AppendResult { Appended, Stopped, Faulted };

// Appends one input to the open output; Stopped and Faulted end the join (the reason shown).
AppendResult appendFile(const SplitJoinHost& host, FileCopier& copier, int out, const std::string& output,
                        const std::string& input)
{
    if (!copier.allocate()) {
        reportNoBuffer(host);
        return AppendResult::Stopped;
    }
    Fd in(::open(input.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat inInfo {};
    struct stat outInfo {};
    // The output itself cannot be an input: it would grow as fast as it is read.
    const bool usable = in && ::fstat(in.get(), &inInfo) == 0 && ::fstat(out, &outInfo) == 0 &&
                        !S_ISDIR(inInfo.st_mode) &&
                        !(inInfo.st_dev == outInfo.st_dev && inInfo.st_ino == outInfo.st_ino);
    if (!usable) {
        host.setStatus(kStatusFileError);
        showError(host, "File Error:", "Error occur while processing : " + input, MessageIcon::Stop);
        return AppendResult::Stopped;
    }
    const CopyOutcome outcome = copier.copy(in.get(), out, FileCopier::kToEnd);
    if (outcome.fault != CopyFault::None) {
        reportCopyFault(host, outcome, input, output);
        return AppendResult::Faulted;
    }
    return AppendResult::Appended;
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
    Fd source(::open(sourceName.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!source || ::fstat(source.get(), &info) != 0 || S_ISDIR(info.st_mode))
        return;
    const std::uint64_t length = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
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
    Fd out(::open(output.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (!out) {
        host.setStatus(kStatusFileError);
        showError(host, "File Error:", "Error writing to output file " + output, MessageIcon::Stop);
        return;
    }
    if (existed)
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
    for (const std::string& input : inputs) {
        result = appendFile(host, copier, out.get(), output, input);
        if (result != AppendResult::Appended)
            break;
    }
    if (const int error = out.close(); error != 0 && result != AppendResult::Faulted) {
        reportCopyFault(host, CopyOutcome{CopyFault::Write, error, 0}, "", output);
        result = AppendResult::Faulted;
    }
    // A fault in the middle leaves its status; a stop at an input ends as the join's own end.
    if (result != AppendResult::Faulted)
        host.setStatus(kStatusFinished);
}

}  // namespace quillory
