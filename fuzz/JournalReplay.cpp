// The recovery journal against a plain reading of it. Even first byte: a journal of edits and
// snapshots drawn from the input over a base file, cut at a drawn length, replays to what a plain
// string makes of the records before the cut, from the base and from the last snapshot alone.
// Odd: the rest of the input is a journal's bytes, which must never crash the reader and which
// replay to what the records that check out make of an untitled document.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "recovery/FastHash.h"
#include "recovery/JournalFormat.h"
#include "recovery/JournalReplay.h"

namespace quillory::fuzz {
namespace {

std::span<const std::uint8_t> spanOf(const std::string& bytes)
{
    return {bytesOf(bytes), bytes.size()};
}

// The document after each number of records (states[0]: before any), nullopt where a record did
// not fit; and whether a snapshot was among them. A snapshot starts afresh whatever came before.
struct Plain {
    std::vector<std::optional<std::string>> states;
    std::vector<bool> snapshotSeen;

    explicit Plain(std::string start) : states{std::move(start)}, snapshotSeen{false} {}

    void add(const RecordView& record)
    {
        std::optional<std::string> document = states.back();
        const std::string inserted(reinterpret_cast<const char*>(record.inserted.data()), record.inserted.size());
        const bool snapshot = record.kind == RecordKind::Snapshot;
        if (snapshot)
            document = inserted;
        else if (document && record.offset <= document->size() && record.removed <= document->size() - record.offset)
            document->replace(record.offset, record.removed, inserted);
        else
            document.reset();
        states.push_back(std::move(document));
        snapshotSeen.push_back(snapshot || snapshotSeen.back());
    }
};

void checkReplay(const std::string& journal, ReplayFrom from, const Plain& plain, std::size_t records)
{
    const ReplayedDocument replayed = replayJournal(spanOf(journal), from, cHeap(), 3);
    FUZZ_CHECK(replayed.records == records);
    if (from == ReplayFrom::SnapshotOnly && !plain.snapshotSeen[records]) {
        FUZZ_CHECK(replayed.outcome == ReplayOutcome::BaseChanged);
        return;
    }
    if (!plain.states[records]) {
        FUZZ_CHECK(replayed.outcome == ReplayOutcome::Damaged);
        return;
    }
    FUZZ_CHECK(replayed.outcome == ReplayOutcome::Recovered);
    FUZZ_CHECK(replayed.fromSnapshot == plain.snapshotSeen[records]);
    FUZZ_CHECK(replayed.bytes.data()[replayed.length] == 0);
    const std::string text(reinterpret_cast<const char*>(replayed.bytes.data()), replayed.length);
    FUZZ_CHECK(text == *plain.states[records]);
}

void drawnJournal(FuzzInput& input)
{
    MemoryFile file;
    const std::string base(input.piece());
    const std::uint32_t cutDraw = input.u16();
    JournalHeader header;
    FUZZ_CHECK(identifyFile(file.write(base), header.base));
    header.baseChecksum = contentChecksum(spanOf(base));
    header.baseChecksumKnown = true;
    std::string journal;
    encodeHeader(header, journal);
    const std::size_t headerLength = journal.size();
    std::vector<std::size_t> ends;
    Plain plain(base);
    while (!input.empty() && ends.size() < 200) {
        const std::uint8_t what = input.byte();
        const std::uint64_t size = plain.states.back() ? plain.states.back()->size() : 0;
        JournalRecord record;
        if (what % 8 == 7) {
            record.kind = RecordKind::Snapshot;
        } else {
            // Now and then one past what fits.
            record.offset = static_cast<std::uint64_t>(input.upTo(static_cast<std::int64_t>(size + (what % 16 == 14))));
            const std::uint64_t left = size - std::min(size, record.offset);
            record.removed =
                static_cast<std::uint64_t>(input.upTo(static_cast<std::int64_t>(left + (what % 32 == 30))));
        }
        record.inserted = input.piece();
        encodeRecord(record, journal);
        ends.push_back(journal.size());
        plain.add({record.kind, record.offset, record.removed, spanOf(record.inserted)});
    }
    checkReplay(journal, ReplayFrom::Base, plain, ends.size());
    checkReplay(journal, ReplayFrom::SnapshotOnly, plain, ends.size());
    // Cut short: the records wholly before the cut remain.
    const std::size_t cut = headerLength + (cutDraw % (journal.size() - headerLength + 1));
    journal.resize(cut);
    const auto records = static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin());
    checkReplay(journal, ReplayFrom::Base, plain, records);
}

void rawJournal(FuzzInput& input)
{
    const std::string journal(input.rest());
    Plain plain("");
    const JournalSummary summary = readJournal(spanOf(journal), [&](const RecordView& record) { plain.add(record); });
    FUZZ_CHECK(summary.validLength <= journal.size());
    FUZZ_CHECK(summary.records == plain.states.size() - 1);
    FUZZ_CHECK(summary.hasSnapshot == plain.snapshotSeen.back());
    if (!summary.headerValid) {
        FUZZ_CHECK(replayJournal(spanOf(journal), ReplayFrom::Base, cHeap(), 0).outcome == ReplayOutcome::Damaged);
        return;
    }
    FUZZ_CHECK(summary.tornTail == (summary.validLength < journal.size()));
    // Only an untitled journal is replayed from its base: a drawn path is never looked at.
    checkReplay(journal, summary.header.base.path.empty() ? ReplayFrom::Base : ReplayFrom::SnapshotOnly, plain,
                summary.records);
}

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{
    if (input.byte() % 2 == 0)
        drawnJournal(input);
    else
        rawJournal(input);
}

}  // namespace quillory::fuzz
