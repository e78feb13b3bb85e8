#include "settings/SettingsFile.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>
#include <unistd.h>

#include "base/SafeFileWriter.h"

namespace quillory {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Reads the rest of the file up to the first line feed (not included).
std::string readLine(std::FILE* file)
{
    std::string line;
    for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file))
        line.push_back(static_cast<char>(c));
    return line;
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
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return contents;

    std::uint8_t image[kSettingsRecordSize] = {};
    char tag[4] = {};
    const std::size_t got = std::fread(image, 1, sizeof image, file.get());
    std::fread(tag, 1, 3, file.get());
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
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    auto image = encodeSettingsRecord(record);
    std::fread(image.data(), 1, image.size(), file.get());
    char tag[3];
    std::fread(tag, 1, sizeof tag, file.get());
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
    const std::string beside = settingsPathBeside(executablePath);
    if (userConfigFolder.empty())
        return beside;
    const std::string inConfigFolder = userConfigFolder + (userConfigFolder.back() == '/' ? "" : "/") + kSettingsFileName;
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
