#include "recovery/JournalFormat.h"

#include <cstring>

#include "recovery/FastHash.h"

// The header's body, all numbers little-endian:
//   path length (u32), the path's bytes (no terminating 0)
//   size (u64), modifiedNs (i64, two's complement), device (u64), inode (u64)
//   baseChecksum (u64), baseChecksumKnown (u8: 0 or 1)
//   mode (u8: 0 Text, 1 Binary), encoding (u8: 0 Windows-1252, 1 UTF-8)
// A body with any other value in the u8 fields, or with bytes left over, is damaged.

namespace quillory {

namespace {

constexpr char kMagic[8] = {'Q', 'L', 'R', 'Y', 'J', 'R', 'N', '1'};
constexpr std::size_t kRecordFixed = 1 + 8 + 8 + 8;  // kind, offset, removed, inserted length
constexpr std::size_t kChecksumBytes = 8;

void putU64(std::string& out, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void putU32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t getU64(const std::uint8_t* p)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

std::uint32_t getU32(const std::uint8_t* p)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

std::span<const std::uint8_t> bytesOf(const std::string& text, std::size_t from)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()) + from, text.size() - from};
}

// Reads the numbers of a header body one after the other; ok() turns false for good once one
// runs past the end.
class BodyReader {
public:
    explicit BodyReader(std::span<const std::uint8_t> body) : m_body(body) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_body.size(); }
    std::uint64_t u64() { return take(8) ? getU64(m_body.data() + m_at - 8) : 0; }
    std::uint32_t u32() { return take(4) ? getU32(m_body.data() + m_at - 4) : 0; }
    std::uint8_t u8() { return take(1) ? m_body[m_at - 1] : 0; }
    std::string text(std::size_t size)
    {
        if (!take(size))
            return {};
        return {reinterpret_cast<const char*>(m_body.data() + m_at - size), size};
    }

private:
    bool take(std::size_t size)
    {
        if (!m_ok || size > m_body.size() - m_at)
            m_ok = false;
        else
            m_at += size;
        return m_ok;
    }
    std::span<const std::uint8_t> m_body;
    std::size_t m_at = 0;
    bool m_ok = true;
};

bool decodeHeaderBody(std::span<const std::uint8_t> body, JournalHeader& header)
{
    BodyReader reader(body);
    const std::uint32_t pathLength = reader.u32();
    header.base.path = reader.text(pathLength);
    header.base.size = reader.u64();
    header.base.modifiedNs = static_cast<std::int64_t>(reader.u64());
    header.base.device = reader.u64();
    header.base.inode = reader.u64();
    header.baseChecksum = reader.u64();
    const std::uint8_t known = reader.u8();
    const std::uint8_t mode = reader.u8();
    const std::uint8_t encoding = reader.u8();
    if (!reader.ok() || !reader.atEnd() || known > 1 || mode > 1 || encoding > 1)
        return false;
    header.baseChecksumKnown = known == 1;
    header.mode = mode == 1 ? DocumentMode::Binary : DocumentMode::Text;
    header.encoding = encoding == 1 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    return true;
}

// The header at the start of bytes: its size, or 0 when there is none that checks out.
std::uint64_t decodeHeader(std::span<const std::uint8_t> bytes, JournalHeader& header)
{
    constexpr std::size_t kFixed = sizeof kMagic + 4;
    if (bytes.size() < kFixed + kChecksumBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return 0;
    const std::uint64_t bodyLength = getU32(bytes.data() + sizeof kMagic);
    if (bodyLength > bytes.size() - kFixed - kChecksumBytes)
        return 0;
    const auto body = bytes.subspan(kFixed, bodyLength);
    if (getU64(body.data() + bodyLength) != contentChecksum(body) || !decodeHeaderBody(body, header))
        return 0;
    return kFixed + bodyLength + kChecksumBytes;
}

}  // namespace

void encodeHeader(const JournalHeader& header, std::string& out)
{
    std::string body;
    putU32(body, static_cast<std::uint32_t>(header.base.path.size()));
    body += header.base.path;
    putU64(body, header.base.size);
    putU64(body, static_cast<std::uint64_t>(header.base.modifiedNs));
    putU64(body, header.base.device);
    putU64(body, header.base.inode);
    putU64(body, header.baseChecksum);
    body.push_back(header.baseChecksumKnown ? 1 : 0);
    body.push_back(header.mode == DocumentMode::Binary ? 1 : 0);
    body.push_back(header.encoding == TextEncoding::Utf8 ? 1 : 0);
    out.append(kMagic, sizeof kMagic);
    putU32(out, static_cast<std::uint32_t>(body.size()));
    out += body;
    putU64(out, contentChecksum(bytesOf(body, 0)));
}

void frameRecord(RecordKind kind, std::uint64_t offset, std::uint64_t removed, std::span<const std::uint8_t> inserted,
                 std::string& prefix, std::string& checksum)
{
    const std::size_t start = prefix.size();
    prefix.push_back(static_cast<char>(kind));
    putU64(prefix, offset);
    putU64(prefix, removed);
    putU64(prefix, inserted.size());
    ContentChecksum sum;
    sum.add(bytesOf(prefix, start));
    sum.add(inserted);
    putU64(checksum, sum.value());
}

void encodeRecord(const JournalRecord& record, std::string& out)
{
    out.reserve(out.size() + encodedRecordSize(record.inserted.size()));
    std::string checksum;
    frameRecord(record.kind, record.offset, record.removed, bytesOf(record.inserted, 0), out, checksum);
    out += record.inserted;
    out += checksum;
}

std::uint64_t encodedRecordSize(std::uint64_t inserted)
{
    return kRecordFixed + inserted + kChecksumBytes;
}

std::uint64_t decodeRecord(std::span<const std::uint8_t> bytes, RecordView& record)
{
    if (bytes.size() < kRecordFixed + kChecksumBytes)
        return 0;
    const std::uint8_t kind = bytes[0];
    const std::uint64_t offset = getU64(bytes.data() + 1);
    const std::uint64_t removed = getU64(bytes.data() + 9);
    const std::uint64_t inserted = getU64(bytes.data() + 17);
    if (inserted > bytes.size() - kRecordFixed - kChecksumBytes)
        return 0;  // runs past the end: torn (or a length damaged into a huge one)
    const std::size_t checked = kRecordFixed + inserted;
    if (getU64(bytes.data() + checked) != contentChecksum(bytes.first(checked)))
        return 0;
    if (kind == static_cast<std::uint8_t>(RecordKind::Snapshot)) {
        if (offset != 0 || removed != 0)
            return 0;
    } else if (kind != static_cast<std::uint8_t>(RecordKind::Edit)) {
        return 0;
    }
    record.kind = static_cast<RecordKind>(kind);
    record.offset = offset;
    record.removed = removed;
    record.inserted = bytes.subspan(kRecordFixed, inserted);
    return checked + kChecksumBytes;
}

JournalSummary readJournal(std::span<const std::uint8_t> bytes, const std::function<void(const RecordView&)>& visit)
{
    JournalSummary summary;
    summary.headerLength = decodeHeader(bytes, summary.header);
    if (summary.headerLength == 0) {
        summary.header = {};
        summary.tornTail = !bytes.empty();
        return summary;
    }
    summary.headerValid = true;
    std::uint64_t at = summary.headerLength;
    for (;;) {
        RecordView record;
        const std::uint64_t size = decodeRecord(bytes.subspan(at), record);
        if (size == 0)
            break;
        if (record.kind == RecordKind::Snapshot) {
            summary.lastSnapshot = at;
            summary.hasSnapshot = true;
        }
        if (visit)
            visit(record);
        ++summary.records;
        at += size;
    }
    summary.validLength = at;
    summary.tornTail = at < bytes.size();
    return summary;
}

}  // namespace quillory
