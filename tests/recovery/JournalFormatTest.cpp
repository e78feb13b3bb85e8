// The journal's bytes: checksums that do not depend on how bytes arrive, headers and records that
// read back as written, and a reader that stops at the first record that does not check out,
// whatever bytes it is given.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "RecoveryTestSupport.h"
#include "recovery/FastHash.h"
#include "recovery/JournalFormat.h"

namespace quillory::test {
namespace {

std::string randomBytes(std::mt19937& random, std::size_t size)
{
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

TEST(JournalChecksum, ChecksumOfPiecesIsThatOfTheWhole)
{
    std::mt19937 random(7);
    const std::size_t block = std::size_t{1} << 20;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{33}, block - 1, block,
                                   block + 1, 3 * block + 12345}) {
        const std::string bytes = randomBytes(random, size);
        const std::uint64_t whole = contentChecksum(bytesSpan(bytes));
        for (int cut = 0; cut < 4; ++cut) {
            ContentChecksum pieces;
            std::size_t at = 0;
            while (at < size) {
                const std::size_t piece =
                    cut == 0 ? block : std::uniform_int_distribution<std::size_t>(0, block / 3)(random);
                const std::size_t take = std::min(piece, size - at);
                pieces.add(bytesSpan(bytes).subspan(at, take));
                at += take;
            }
            EXPECT_EQ(pieces.value(), whole) << "size " << size << ", cut " << cut;
        }
        if (size > 0) {
            std::string changed = bytes;
            changed[random() % size] ^= 0x10;
            EXPECT_NE(contentChecksum(bytesSpan(changed)), whole) << size;
            EXPECT_NE(contentChecksum(bytesSpan(bytes).first(size - 1)), whole) << size;
        }
    }
    // Lengths are mixed in: runs of zeros of different lengths differ.
    const std::string zeros(100, '\0');
    EXPECT_NE(contentChecksum(bytesSpan(zeros).first(64)), contentChecksum(bytesSpan(zeros).first(96)));
}

struct Written {
    std::string bytes;
    std::vector<JournalRecord> records;
    std::vector<std::size_t> ends;  // where each record ends
    JournalHeader header;
};

Written writeJournal(std::mt19937& random, int count)
{
    Written journal;
    journal.header.base = {"/home/ann/notes \xC3\xA9.txt", 1234, -5'000'000'123, 2049, 77};
    journal.header.baseChecksum = 0x0123456789ABCDEFull;
    journal.header.baseChecksumKnown = true;
    journal.header.mode = DocumentMode::Binary;
    journal.header.encoding = TextEncoding::Windows1252;
    encodeHeader(journal.header, journal.bytes);
    for (int i = 0; i < count; ++i) {
        JournalRecord record;
        record.kind = i % 5 == 3 ? RecordKind::Snapshot : RecordKind::Edit;
        if (record.kind == RecordKind::Edit) {
            record.offset = random() % 100000;
            record.removed = random() % 30;
        }
        record.inserted = randomBytes(random, random() % 40);
        const std::size_t start = journal.bytes.size();
        encodeRecord(record, journal.bytes);
        EXPECT_EQ(journal.bytes.size() - start, encodedRecordSize(record.inserted.size()));
        journal.ends.push_back(journal.bytes.size());
        journal.records.push_back(record);
    }
    return journal;
}

std::vector<JournalRecord> recordsOf(const std::string& bytes, JournalSummary& summary)
{
    std::vector<JournalRecord> records;
    summary = readJournal(bytesSpan(bytes), [&](const RecordView& view) {
        records.push_back({view.kind, view.offset, view.removed,
                           std::string(reinterpret_cast<const char*>(view.inserted.data()), view.inserted.size())});
    });
    return records;
}

TEST(JournalFormat, ReadsBackWhatWasWrittenAndStopsAtATornRecord)
{
    std::mt19937 random(11);
    const Written journal = writeJournal(random, 12);
    JournalSummary summary;
    EXPECT_EQ(recordsOf(journal.bytes, summary), journal.records);
    EXPECT_TRUE(summary.headerValid);
    EXPECT_EQ(summary.header, journal.header);
    EXPECT_EQ(summary.records, 12u);
    EXPECT_EQ(summary.validLength, journal.bytes.size());
    EXPECT_FALSE(summary.tornTail);
    EXPECT_TRUE(summary.hasSnapshot);
    EXPECT_EQ(summary.lastSnapshot, journal.ends[7]);  // record 8 (index 8) is the last snapshot

    // Cut anywhere inside the last record: the records before it remain, the rest is torn.
    const std::size_t lastStart = journal.ends[10];
    for (std::size_t cut = lastStart; cut < journal.bytes.size(); ++cut) {
        const std::string torn = journal.bytes.substr(0, cut);
        const auto records = recordsOf(torn, summary);
        ASSERT_EQ(records.size(), 11u) << cut;
        EXPECT_EQ(summary.validLength, lastStart);
        EXPECT_EQ(summary.tornTail, cut > lastStart);
    }
    // One flipped bit in any record ends the journal there.
    for (std::size_t at = summary.headerLength; at < journal.bytes.size(); at += 7) {
        std::string damaged = journal.bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x04);
        const auto records = recordsOf(damaged, summary);
        const std::size_t hit = static_cast<std::size_t>(
            std::upper_bound(journal.ends.begin(), journal.ends.end(), at) - journal.ends.begin());
        EXPECT_EQ(records.size(), hit) << at;
        EXPECT_TRUE(summary.tornTail);
    }
}

TEST(JournalFormat, ADamagedHeaderIsNoJournal)
{
    std::mt19937 random(3);
    const Written journal = writeJournal(random, 2);
    JournalSummary summary;
    recordsOf(journal.bytes, summary);
    for (std::size_t at = 0; at < summary.headerLength; ++at) {
        std::string damaged = journal.bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        EXPECT_FALSE(readJournal(bytesSpan(damaged)).headerValid) << at;
        EXPECT_FALSE(readJournal(bytesSpan(journal.bytes).first(at)).headerValid) << at;
    }
}

// Any bytes at all: no crash, no huge allocation, the valid length within the bytes.
TEST(JournalFormat, SurvivesArbitraryBytes)
{
    std::mt19937 random(5);
    const Written journal = writeJournal(random, 6);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = round % 3 == 0 ? randomBytes(random, random() % 200) : journal.bytes;
        for (int flips = 1 + random() % 4; flips > 0 && !bytes.empty(); --flips)
            bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        if (round % 5 == 0 && !bytes.empty())
            bytes.resize(random() % bytes.size());
        const JournalSummary summary = readJournal(bytesSpan(bytes), [](const RecordView&) {});
        EXPECT_LE(summary.validLength, bytes.size());
        EXPECT_EQ(summary.tornTail, summary.validLength < bytes.size() || (!summary.headerValid && !bytes.empty()));
        const ReplayedDocument replayed = replayJournal(bytesSpan(bytes), ReplayFrom::SnapshotOnly, cHeap(), 0);
        EXPECT_TRUE(replayed.outcome != ReplayOutcome::Recovered || summary.hasSnapshot);
    }
}

}  // namespace
}  // namespace quillory::test
