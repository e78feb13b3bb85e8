#include "settings/SettingsFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <string_view>
#include <vector>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/SafeFileWriter.h"

namespace quillory {

namespace {

FileDescriptor openForReading(const std::string& path)
{
    return FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

// Reads up to count bytes, going on after short reads; how many were read (fewer at the end of
// the file or on a read error).
std::size_t readUpTo(int fd, void* buffer, std::size_t count)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, out + done, count - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// Reads the rest of the file up to the first line feed (not included).
std::string readLine(int fd)
{
    std::string line;
    char piece[256];
    for (;;) {
        const ssize_t got = ::read(fd, piece, sizeof piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return line;
        const std::string_view text(piece, static_cast<std::size_t>(got));
        const std::size_t newline = text.find('\n');
        line.append(text.substr(0, newline));
        if (newline != std::string_view::npos)
            return line;
    }
}

std::string withoutTrailingWhiteSpace(std::string text)
{
    const std::size_t last = text.find_last_not_of(" \t\r\n\v\f");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

}  // namespace

SettingsFileContents readSettingsFile(const std::string& path)
{
    SettingsFileContents contents;
    const FileDescriptor file = openForReading(path);
    if (!file)
        return contents;

    std::uint8_t image[kSettingsRecordSize] = {};
    char tag[4] = {};
    const std::size_t got = readUpTo(file.get(), image, sizeof image);
    readUpTo(file.get(), tag, 3);
    if (got < sizeof image || std::memcmp(tag, kSettingsTag, sizeof kSettingsTag) != 0) {
        contents.status = SettingsReadStatus::Corrupt;
        return contents;
    }
    contents.status = SettingsReadStatus::Valid;
    contents.record = decodeSettingsRecord(image);
    contents.defaultDir = withoutTrailingWhiteSpace(readLine(file.get()));
    return contents;
}

bool readSettingsForRewrite(const std::string& path, SettingsRecord& record, std::string& storedDir)
{
    const FileDescriptor file = openForReading(path);
    if (!file)
        return false;
    auto image = encodeSettingsRecord(record);
    readUpTo(file.get(), image.data(), image.size());
    char tag[3];
    readUpTo(file.get(), tag, sizeof tag);
    record = decodeSettingsRecord(image.data());
    storedDir = readLine(file.get());
    return true;
}

bool writeSettingsFile(const std::string& path, const SettingsRecord& record, const std::string& dirText)
{
    const auto image = encodeSettingsRecord(record);
    std::vector<std::uint8_t> content(image.begin(), image.end());
    content.insert(content.end(), std::begin(kSettingsTag), std::end(kSettingsTag));
    content.insert(content.end(), dirText.begin(), dirText.end());
    return writeFileReplacing(path, content);
}

std::string settingsPathBeside(const std::string& executablePath)
{
    const std::size_t slash = executablePath.rfind('/');
    if (slash == std::string::npos)
        return kSettingsFileName;
    return executablePath.substr(0, slash + 1) + kSettingsFileName;
}

std::string chooseSettingsPath(const std::string& executablePath, const std::string& userConfigFolder)
{
    std::string beside = settingsPathBeside(executablePath);
    if (userConfigFolder.empty())
        return beside;
    std::string inConfigFolder = userConfigFolder + (userConfigFolder.back() == '/' ? "" : "/") + kSettingsFileName;
    const std::size_t slash = beside.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : beside.substr(0, slash + 1);
    // An installed program (/usr/bin, /usr/local/bin, ~/.local/bin) never writes into its bin
    // folder, not even when it runs as root, who may write there.
    const bool installed = folder.size() >= 4 && folder.compare(folder.size() - 4, 4, "bin/") == 0 &&
                           (folder.size() == 4 || folder[folder.size() - 5] == '/');
    if (installed)
        return inConfigFolder;
    if (::access(beside.c_str(), F_OK) == 0 || ::access(folder.c_str(), W_OK) == 0)
        return beside;
    return inConfigFolder;
}

}  // namespace quillory
