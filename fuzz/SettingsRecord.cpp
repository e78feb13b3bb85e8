// The settings file against a plain reading of its bytes: the 88-byte record as little-endian
// fields at fixed offsets, encoding what was decoded gives the same bytes but for the two bytes of
// padding after the face name, the file is valid exactly when the record and the tag are whole,
// and its directory is the rest of the first line without trailing white space. A record and
// directory written and read back are the same.
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"

namespace quillory::fuzz {
namespace {

constexpr std::size_t kPaddingOffset = 66;  // two bytes after the face name, written as 0

std::uint32_t u32At(const std::uint8_t* p, std::size_t offset)
{
    return static_cast<std::uint32_t>(p[offset]) | static_cast<std::uint32_t>(p[offset + 1]) << 8 |
           static_cast<std::uint32_t>(p[offset + 2]) << 16 | static_cast<std::uint32_t>(p[offset + 3]) << 24;
}
std::int32_t i32At(const std::uint8_t* p, std::size_t offset)
{
    return static_cast<std::int32_t>(u32At(p, offset));
}

void checkFieldsRead(const SettingsRecord& r, const std::uint8_t* p)
{
    FUZZ_CHECK(r.wordWrap == u32At(p, 0) && r.ansiToAscii == u32At(p, 4));
    const CharFormat& f = r.charFormat;
    FUZZ_CHECK(f.structSize == u32At(p, 8) && f.mask == u32At(p, 12) && f.effects == u32At(p, 16));
    FUZZ_CHECK(f.height == i32At(p, 20) && f.offset == i32At(p, 24) && f.textColor == u32At(p, 28));
    FUZZ_CHECK(f.charSet == p[32] && f.pitchAndFamily == p[33]);
    FUZZ_CHECK(std::memcmp(f.faceBytes.data(), p + 34, 32) == 0);
    FUZZ_CHECK(r.background == u32At(p, 68));
    FUZZ_CHECK(r.window.left == i32At(p, 72) && r.window.top == i32At(p, 76));
    FUZZ_CHECK(r.window.right == i32At(p, 80) && r.window.bottom == i32At(p, 84));
}

std::string plainDirectory(std::string_view rest)
{
    std::string line(rest.substr(0, rest.find('\n')));
    while (!line.empty() && std::strchr(" \t\r\n\v\f", line.back()) != nullptr && line.back() != '\0')
        line.pop_back();
    return line;
}

// A folder for written settings files, in memory where the machine has /dev/shm.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern =
            (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") + std::string("/quillory-fuzz-XXXXXX");
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        m_path = pattern;
    }
    ~ScratchFolder() { std::filesystem::remove_all(m_path); }
    std::string file(const char* name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{
    const std::string_view content = input.rest();
    const std::uint8_t* data = bytesOf(content);
    const std::size_t size = content.size();

    if (size >= kSettingsRecordSize) {
        const SettingsRecord record = decodeSettingsRecord(data);
        checkFieldsRead(record, data);
        const auto image = encodeSettingsRecord(record);
        for (std::size_t i = 0; i < kSettingsRecordSize; ++i) {
            const bool padding = i == kPaddingOffset || i == kPaddingOffset + 1;
            FUZZ_CHECK(image[i] == (padding ? 0 : data[i]));
        }
        FUZZ_CHECK(decodeSettingsRecord(image.data()) == record);
        FUZZ_CHECK(decodeCharFormat(encodeCharFormat(record.charFormat).data()) == record.charFormat);
    }

    // Reading the file at start-up.
    static MemoryFile file;
    const std::string& path = file.write(content);
    const SettingsFileContents read = readSettingsFile(path);
    const bool whole =
        size >= kSettingsRecordSize + 3 && content.substr(kSettingsRecordSize, 3) == std::string_view(kSettingsTag, 3);
    FUZZ_CHECK(read.status == (whole ? SettingsReadStatus::Valid : SettingsReadStatus::Corrupt));
    if (whole) {
        checkFieldsRead(read.record, data);
        FUZZ_CHECK(read.defaultDir == plainDirectory(content.substr(kSettingsRecordSize + 3)));
    }

    // Reading before a rewrite: the file's bytes laid over the record held, however short.
    SettingsRecord held = SettingsRecord::defaults();
    std::string stored = "unchanged";
    FUZZ_CHECK(readSettingsForRewrite(path, held, stored));
    auto expected = encodeSettingsRecord(SettingsRecord::defaults());
    std::memcpy(expected.data(), data, std::min(size, kSettingsRecordSize));
    checkFieldsRead(held, expected.data());
    const std::string_view afterTag = content.substr(std::min(size, kSettingsRecordSize + 3));
    FUZZ_CHECK(stored == afterTag.substr(0, afterTag.find('\n')));

    // Writing what was read and reading it back.
    if (whole) {
        static ScratchFolder folder;
        const std::string written = folder.file(kSettingsFileName);
        const std::string directory(content.substr(kSettingsRecordSize + 3));
        FUZZ_CHECK(writeSettingsFile(written, read.record, directory));
        const SettingsFileContents again = readSettingsFile(written);
        FUZZ_CHECK(again.status == SettingsReadStatus::Valid && again.record == read.record);
        FUZZ_CHECK(again.defaultDir == read.defaultDir);
    }
}

}  // namespace quillory::fuzz
