#include "settings/SettingsRecord.h"

#include <algorithm>
#include <cstring>

namespace quillory {

namespace {

// Little-endian field writer and reader over a fixed byte image.
class LeWriter {
public:
    explicit LeWriter(std::uint8_t* out) : m_out(out) {}
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_out[m_pos++] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void u8(std::uint8_t v) { m_out[m_pos++] = v; }
    void bytes(const void* src, std::size_t n)
    {
        std::memcpy(m_out + m_pos, src, n);
        m_pos += n;
    }
    void zeros(std::size_t n)
    {
        std::memset(m_out + m_pos, 0, n);
        m_pos += n;
    }

private:
    std::uint8_t* m_out;
    std::size_t m_pos = 0;
};

class LeReader {
public:
    explicit LeReader(const std::uint8_t* in) : m_in(in) {}
    std::uint32_t u32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(m_in[m_pos++]) << (8 * i);
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint8_t u8() { return m_in[m_pos++]; }
    void bytes(void* dst, std::size_t n)
    {
        std::memcpy(dst, m_in + m_pos, n);
        m_pos += n;
    }
    void skip(std::size_t n) { m_pos += n; }

private:
    const std::uint8_t* m_in;
    std::size_t m_pos = 0;
};

void writeCharFormat(LeWriter& out, const CharFormat& f)
{
    out.u32(f.structSize);
    out.u32(f.mask);
    out.u32(f.effects);
    out.i32(f.height);
    out.i32(f.offset);
    out.u32(f.textColor);
    out.u8(f.charSet);
    out.u8(f.pitchAndFamily);
    out.bytes(f.faceBytes.data(), f.faceBytes.size());
    out.zeros(2);
}

CharFormat readCharFormat(LeReader& in)
{
    CharFormat f;
    f.structSize = in.u32();
    f.mask = in.u32();
    f.effects = in.u32();
    f.height = in.i32();
    f.offset = in.i32();
    f.textColor = in.u32();
    f.charSet = in.u8();
    f.pitchAndFamily = in.u8();
    in.bytes(f.faceBytes.data(), f.faceBytes.size());
    in.skip(2);
    return f;
}

}  // namespace

SettingsRecord SettingsRecord::defaults()
{
    SettingsRecord record;
    record.charFormat.mask = kDefaultFontMask;
    record.charFormat.effects = kEffectAutoColor;
    record.charFormat.height = 200;
    record.charFormat.pitchAndFamily = 0x31;  // fixed pitch, modern family
    record.charFormat.setFaceName(kDefaultFaceName);
    record.background = 0x00FFFFFF;
    record.window.bottom = kNoWindowPosition;
    return record;
}

bool plausibleFontHeight(std::int32_t twips)
{
    return twips >= kSmallestFontTwips && twips <= kLargestFontTwips;
}

bool plausibleWindowRect(const WindowRect& window, const std::vector<WindowRect>& screens)
{
    // 64 bits: the sides of a damaged rectangle may lie 4 billion pixels apart.
    const std::int64_t width = std::int64_t{window.right} - window.left;
    const std::int64_t height = std::int64_t{window.bottom} - window.top;
    constexpr std::int64_t kSmallest = 100;
    if (width < kSmallest || height < kSmallest)
        return false;
    std::int64_t widest = 0;
    std::int64_t tallest = 0;
    bool overlaps = false;
    for (const WindowRect& screen : screens) {
        widest = std::max<std::int64_t>(widest, std::int64_t{screen.right} - screen.left);
        tallest = std::max<std::int64_t>(tallest, std::int64_t{screen.bottom} - screen.top);
        const std::int64_t across =
            std::min<std::int64_t>(window.right, screen.right) - std::max<std::int64_t>(window.left, screen.left);
        const std::int64_t down =
            std::min<std::int64_t>(window.bottom, screen.bottom) - std::max<std::int64_t>(window.top, screen.top);
        overlaps = overlaps || (across >= 100 && down >= 50);
    }
    return overlaps && width <= widest && height <= tallest;
}

std::array<std::uint8_t, kCharFormatSize> encodeCharFormat(const CharFormat& format)
{
    std::array<std::uint8_t, kCharFormatSize> image{};
    LeWriter out(image.data());
    writeCharFormat(out, format);
    return image;
}

CharFormat decodeCharFormat(const std::uint8_t* bytes)
{
    LeReader in(bytes);
    return readCharFormat(in);
}

std::array<std::uint8_t, kSettingsRecordSize> encodeSettingsRecord(const SettingsRecord& record)
{
    std::array<std::uint8_t, kSettingsRecordSize> image{};
    LeWriter out(image.data());
    out.u32(record.wordWrap);
    out.u32(record.ansiToAscii);
    writeCharFormat(out, record.charFormat);
    out.u32(record.background);
    out.i32(record.window.left);
    out.i32(record.window.top);
    out.i32(record.window.right);
    out.i32(record.window.bottom);
    return image;
}

SettingsRecord decodeSettingsRecord(const std::uint8_t* bytes)
{
    LeReader in(bytes);
    SettingsRecord record;
    record.wordWrap = in.u32();
    record.ansiToAscii = in.u32();
    record.charFormat = readCharFormat(in);
    record.background = in.u32();
    record.window.left = in.i32();
    record.window.top = in.i32();
    record.window.right = in.i32();
    record.window.bottom = in.i32();
    return record;
}

}  // namespace quillory
