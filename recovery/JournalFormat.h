#pragma once
// The recovery journal's file format: a header that names the document's base (the file the
// document was loaded from or last saved to, or none), then records, each with its own checksum.
//
//   header   "QLRYJRN1", the header body's length (u32), the body, its checksum (u64)
//   record   kind (u8: 'E' edit, 'S' snapshot), offset (u64), removed (u64), inserted length (u64),
//            the inserted bytes, the checksum (u64) of everything before it in the record
//
// Numbers are little-endian. An edit record replaces `removed` bytes at `offset` by the inserted
// bytes; a snapshot record holds the whole document (offset and removed 0) and makes every record
// before it irrelevant. A record that does not check out ends the journal: a torn tail.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "document/DocumentMode.h"
#include "editcore/TextEncoding.h"

namespace quillory {

// The file a document's bytes came from, as it was then. An untitled document has an empty path.
struct BaseIdentity {
    std::string path;  // absolute; empty: untitled (the base is empty)
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // st_mtim in nanoseconds
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const BaseIdentity&) const = default;
};

struct JournalHeader {
    BaseIdentity base;
    // contentChecksum() of the base's bytes; meaningful only when baseChecksumKnown.
    std::uint64_t baseChecksum = 0;
    // False when the base's bytes could not be read back as they were (the file changed before the
    // journal began): such a journal is replayed only from a snapshot.
    bool baseChecksumKnown = false;
    DocumentMode mode = DocumentMode::Text;
    TextEncoding encoding = TextEncoding::Utf8;
    bool operator==(const JournalHeader&) const = default;
};

enum class RecordKind : std::uint8_t { Edit = 'E', Snapshot = 'S' };

struct JournalRecord {
    RecordKind kind = RecordKind::Edit;
    std::uint64_t offset = 0;
    std::uint64_t removed = 0;
    std::string inserted;  // the bytes inserted; a snapshot's whole document
    bool operator==(const JournalRecord&) const = default;
};

// Appends the encoded header or record to out.
void encodeHeader(const JournalHeader& header, std::string& out);
void encodeRecord(const JournalRecord& record, std::string& out);
// What a record holds around its inserted bytes, for a record written from where they lie: kind,
// offset, removed and length appended to prefix, the checksum to checksum.
void frameRecord(RecordKind kind, std::uint64_t offset, std::uint64_t removed, std::span<const std::uint8_t> inserted,
                 std::string& prefix, std::string& checksum);
// The encoded size of a record with `inserted` bytes.
std::uint64_t encodedRecordSize(std::uint64_t inserted);

// One record as it lies in the journal's bytes (no copy).
struct RecordView {
    RecordKind kind = RecordKind::Edit;
    std::uint64_t offset = 0;
    std::uint64_t removed = 0;
    std::span<const std::uint8_t> inserted;
};

// The record at the start of bytes: its encoded size, or 0 when bytes begin with no whole record
// that checks out.
std::uint64_t decodeRecord(std::span<const std::uint8_t> bytes, RecordView& record);

// What a journal's bytes hold.
struct JournalSummary {
    bool headerValid = false;  // false: not a journal, or its header is damaged
    JournalHeader header;
    std::uint64_t headerLength = 0;  // where the first record begins
    std::uint64_t records = 0;       // records that check out
    std::uint64_t validLength = 0;   // bytes up to the end of the last of them
    bool tornTail = false;           // bytes after validLength that are no whole valid record
    // Where the last snapshot record begins (its records are visited from there); none: 0.
    std::uint64_t lastSnapshot = 0;
    bool hasSnapshot = false;
};

// Reads the header and checks every record; visit (may be empty) sees each valid record in order.
JournalSummary readJournal(std::span<const std::uint8_t> bytes,
                           const std::function<void(const RecordView&)>& visit = {});

}  // namespace quillory
