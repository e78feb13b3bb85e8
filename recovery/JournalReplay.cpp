#include "recovery/JournalReplay.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

#include "recovery/BaseFile.h"
#include "recovery/FastHash.h"

namespace quillory {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{8} << 10;  // a chunk's size when it is made
constexpr std::size_t kChunkLimit = 2 * kChunkBytes;       // a chunk that would grow past this is cut up
constexpr std::size_t kReadPiece = 1 << 20;

// The document being replayed: a list of chunks of at most kChunkLimit bytes, with a Fenwick tree
// over their sizes to find the chunk that holds an offset. An edit moves the bytes of one chunk at
// most, and finds it in log(chunks) steps, however long the document is.
class ChunkedBytes {
public:
    std::uint64_t size() const { return m_size; }

    void append(std::span<const std::uint8_t> bytes)
    {
        for (std::size_t at = 0; at < bytes.size(); at += kChunkBytes) {
            const auto piece = bytes.subspan(at, std::min(kChunkBytes, bytes.size() - at));
            m_chunks.emplace_back(piece.begin(), piece.end());
        }
        m_size += bytes.size();
        m_treeValid = false;
    }

    void clear()
    {
        m_chunks.clear();
        m_size = 0;
        m_treeValid = false;
    }

    // Replaces removed bytes at offset (both inside the document) by inserted.
    void replace(std::uint64_t offset, std::uint64_t removed, std::span<const std::uint8_t> inserted)
    {
        if (removed > 0)
            remove(offset, removed);
        if (!inserted.empty())
            insert(offset, inserted);
    }

    // Copies the document to bytes and gives the chunks back as it goes.
    void moveTo(std::uint8_t* bytes)
    {
        for (auto& chunk : m_chunks) {
            std::copy(chunk.begin(), chunk.end(), bytes);
            bytes += chunk.size();
            std::vector<std::uint8_t>().swap(chunk);
        }
        clear();
    }

private:
    using Chunk = std::vector<std::uint8_t>;

    void rebuildTree()
    {
        m_tree.assign(m_chunks.size() + 1, 0);
        for (std::size_t i = 1; i <= m_chunks.size(); ++i) {
            m_tree[i] += m_chunks[i - 1].size();
            const std::size_t parent = i + (i & (~i + 1));
            if (parent <= m_chunks.size())
                m_tree[parent] += m_tree[i];
        }
        m_treeValid = true;
    }

    void addToTree(std::size_t chunk, std::int64_t delta)
    {
        for (std::size_t i = chunk + 1; i < m_tree.size(); i += i & (~i + 1))
            m_tree[i] += static_cast<std::uint64_t>(delta);
    }

    // The chunk that holds offset and where in it; offset == size() gives the end of the last chunk.
    std::pair<std::size_t, std::size_t> locate(std::uint64_t offset)
    {
        if (!m_treeValid)
            rebuildTree();
        if (offset >= m_size)
            return {m_chunks.size() - 1, m_chunks.back().size()};
        std::size_t index = 0;  // chunks before the one sought
        std::size_t step = 1;
        while (step * 2 <= m_chunks.size())
            step *= 2;
        for (; step > 0; step /= 2) {
            if (index + step <= m_chunks.size() && m_tree[index + step] <= offset) {
                index += step;
                offset -= m_tree[index];
            }
        }
        return {index, static_cast<std::size_t>(offset)};
    }

    void remove(std::uint64_t offset, std::uint64_t removed)
    {
        auto [first, at] = locate(offset);
        std::size_t chunk = first;
        bool emptied = false;
        while (removed > 0) {
            Chunk& bytes = m_chunks[chunk];
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(removed, bytes.size() - at));
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + take));
            if (m_treeValid)
                addToTree(chunk, -static_cast<std::int64_t>(take));
            emptied = emptied || bytes.empty();
            removed -= take;
            m_size -= take;
            at = 0;
            ++chunk;
        }
        if (emptied) {
            std::erase_if(m_chunks, [](const Chunk& bytes) { return bytes.empty(); });
            m_treeValid = false;
        }
    }

    void insert(std::uint64_t offset, std::span<const std::uint8_t> inserted)
    {
        if (m_chunks.empty()) {
            append(inserted);
            return;
        }
        auto [chunk, at] = locate(offset);
        Chunk& bytes = m_chunks[chunk];
        m_size += inserted.size();
        if (bytes.size() + inserted.size() <= kChunkLimit) {
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(), inserted.end());
            if (m_treeValid)
                addToTree(chunk, static_cast<std::int64_t>(inserted.size()));
            return;
        }
        // Too long for one chunk: the chunk and the inserted bytes are cut into new chunks.
        Chunk joined;
        joined.reserve(bytes.size() + inserted.size());
        joined.insert(joined.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        joined.insert(joined.end(), inserted.begin(), inserted.end());
        joined.insert(joined.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
        std::vector<Chunk> pieces;
        for (std::size_t from = 0; from < joined.size(); from += kChunkBytes)
            pieces.emplace_back(joined.begin() + static_cast<std::ptrdiff_t>(from),
                                joined.begin() +
                                    static_cast<std::ptrdiff_t>(std::min(joined.size(), from + kChunkBytes)));
        m_chunks.erase(m_chunks.begin() + static_cast<std::ptrdiff_t>(chunk));
        m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(chunk), std::make_move_iterator(pieces.begin()),
                        std::make_move_iterator(pieces.end()));
        m_treeValid = false;
    }

    std::vector<Chunk> m_chunks;
    std::vector<std::uint64_t> m_tree;  // Fenwick tree over the chunks' sizes, 1-based
    bool m_treeValid = false;
    std::uint64_t m_size = 0;
};

ReplayedDocument refuse(ReplayedDocument&& result, ReplayOutcome outcome, std::string reason)
{
    result.outcome = outcome;
    result.reason = std::move(reason);
    return std::move(result);
}

// Checks the base file's identity and checksum against the header's, and reads it into document
// when the replay starts from it (keepBytes). Empty when it checked out, else the reason it did not.
// A journal that begins from a snapshot of its own needs no checksum where the base could not be
// read back when it began; its identity must still be the same.
std::string loadBase(const JournalHeader& header, bool keepBytes, ChunkedBytes& document)
{
    BaseIdentity now;
    FileDescriptor file = openBaseFile(header.base.path, now);
    if (!file)
        return describeOpenError(header.base.path, errno);
    if (now != header.base)
        return describeChange(header.base, now);
    if (!header.baseChecksumKnown) {
        if (!keepBytes)
            return {};
        return "The file could not be read back when the journal began, and the journal holds no copy of "
               "the whole document.";
    }
    ContentChecksum checksum;
    std::uint64_t length = 0;
    const bool read = readPieces(file.get(), kReadPiece, [&](std::span<const std::uint8_t> piece) {
        checksum.add(piece);
        length += piece.size();
        if (keepBytes)
            document.append(piece);
        return true;
    });
    if (!read)
        return describeOpenError(header.base.path, errno);
    if (length != header.base.size || checksum.value() != header.baseChecksum)
        return "The file was changed since: its content differs.";
    return {};
}

// Applies the records from `from` on to document. Empty when they all fit, else the reason.
std::string applyRecords(std::span<const std::uint8_t> journal, std::uint64_t from, std::uint64_t end,
                         std::uint64_t firstNumber, ChunkedBytes& document)
{
    std::uint64_t number = firstNumber;
    for (std::uint64_t at = from; at < end; ++number) {
        RecordView record;
        const std::uint64_t size = decodeRecord(journal.subspan(at, end - at), record);
        if (size == 0)
            return "Record " + std::to_string(number) + " cannot be read.";
        at += size;
        if (record.kind == RecordKind::Snapshot) {
            document.clear();
            document.append(record.inserted);
            continue;
        }
        if (record.offset > document.size() || record.removed > document.size() - record.offset)
            return "Record " + std::to_string(number) + " does not fit the document: it replaces " +
                   std::to_string(record.removed) + " bytes at " + std::to_string(record.offset) + " in " +
                   std::to_string(document.size()) + " bytes.";
        document.replace(record.offset, record.removed, record.inserted);
    }
    return {};
}

ReplayedDocument replay(std::span<const std::uint8_t> journal, ReplayFrom from, IByteHeap& heap, std::size_t slack)
{
    ReplayedDocument result;
    std::uint64_t snapshotNumber = 0;
    std::uint64_t count = 0;
    const JournalSummary summary = readJournal(journal, [&](const RecordView& record) {
        ++count;
        if (record.kind == RecordKind::Snapshot)
            snapshotNumber = count;
    });
    result.records = summary.records;
    result.tornTail = summary.tornTail;
    if (!summary.headerValid)
        return refuse(std::move(result), ReplayOutcome::Damaged,
                      "The journal's header is damaged, or the file is not a recovery journal.");
    result.header = summary.header;
    if (from == ReplayFrom::SnapshotOnly && !summary.hasSnapshot)
        return refuse(std::move(result), ReplayOutcome::BaseChanged,
                      "The journal holds no copy of the whole document.");

    ChunkedBytes document;
    if (from == ReplayFrom::Base && !summary.header.base.path.empty()) {
        std::string why = loadBase(summary.header, !summary.hasSnapshot, document);
        if (!why.empty())
            return refuse(std::move(result), ReplayOutcome::BaseChanged, std::move(why));
    }
    result.fromSnapshot = summary.hasSnapshot;
    const std::uint64_t start = summary.hasSnapshot ? summary.lastSnapshot : summary.headerLength;
    std::string why =
        applyRecords(journal, start, summary.validLength, summary.hasSnapshot ? snapshotNumber : 1, document);
    if (!why.empty())
        return refuse(std::move(result), ReplayOutcome::Damaged, std::move(why));

    result.length = document.size();
    result.bytes = HeapBlock(heap, static_cast<std::size_t>(result.length) + 1 + slack);
    if (!result.bytes.ok())
        return refuse(std::move(result), ReplayOutcome::Damaged,
                      "Not enough memory for the recovered document (" + std::to_string(result.length) + " bytes).");
    document.moveTo(result.bytes.data());
    result.bytes.data()[result.length] = 0;
    result.outcome = ReplayOutcome::Recovered;
    return result;
}

}  // namespace

ReplayedDocument replayJournal(std::span<const std::uint8_t> journal, ReplayFrom from, IByteHeap& heap,
                               std::size_t slack)
{
    try {
        return replay(journal, from, heap, slack);
    } catch (const std::bad_alloc&) {
        ReplayedDocument result;
        result.reason = "Not enough memory to replay the recovery journal.";
        return result;
    }
}

bool identifyFile(const std::string& path, BaseIdentity& identity)
{
    return openBaseFile(path, identity).isOpen();
}

}  // namespace quillory
