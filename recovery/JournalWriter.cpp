#include "recovery/JournalWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "base/HeapBlock.h"
#include "recovery/BackgroundCopy.h"
#include "recovery/BaseFile.h"
#include "recovery/JournalCompactor.h"
#include "recovery/JournalFiles.h"
#include "recovery/FastHash.h"
#include "recovery/JournalReplay.h"

namespace quillory {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kNameLetters = 20;
constexpr std::uint64_t kCompactFloor = std::uint64_t{1} << 20;  // records below this are never compacted
constexpr std::size_t kMergeMoveLimit = 4096;                    // bytes a merge inside an earlier record may move
constexpr std::size_t kReadPiece = 1 << 20;
constexpr int kNameAttempts = 16;
constexpr std::size_t kDirectWrite = std::size_t{64} * 1024;  // bytes written from where they lie
constexpr std::chrono::milliseconds kGather{100};             // edits in a row are written this often
constexpr std::chrono::milliseconds kGatherFor{2000};         // after the last, the thread looks this long

struct Item {
    RecordKind kind = RecordKind::Edit;
    std::uint64_t offset = 0;
    std::uint64_t removed = 0;
    std::string inserted;  // the bytes, unless they came in a block
    HeapBlock block;       // large bytes, as the owner copied them
    std::size_t blockLength = 0;
    std::uint64_t number = 0;
    std::shared_ptr<BackgroundCopy> copy;  // bytes still being copied into a block

    std::span<const std::uint8_t> bytes() const { return block.ok() ? block.first(blockLength) : bytesOf(inserted); }
};

std::string randomName()
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string name(kNameLetters, 'a');
    for (char& c : name)
        c = kAlphabet[pick(engine)];
    return name;
}

// Folds next into item where next goes on where item's inserted bytes end (typing on), or
// replaces bytes near the end of them (backspacing into them). True when it did.
bool merge(Item& item, Item& next)
{
    if (item.kind != RecordKind::Edit || next.kind != RecordKind::Edit || item.block.ok() || next.block.ok() ||
        item.copy != nullptr || next.copy != nullptr)
        return false;
    const std::uint64_t end = item.offset + item.inserted.size();
    if (next.offset == end) {
        item.removed += next.removed;
        item.inserted += next.inserted;
    } else if (next.offset >= item.offset && next.offset < end && next.removed <= end - next.offset &&
               end - next.offset <= kMergeMoveLimit) {
        item.inserted.replace(static_cast<std::size_t>(next.offset - item.offset),
                              static_cast<std::size_t>(next.removed), next.inserted);
    } else {
        return false;
    }
    item.number = next.number;
    return true;
}

void coalesce(std::vector<Item>& batch)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (kept > 0 && merge(batch[kept - 1], batch[i]))
            continue;
        if (kept != i)
            batch[kept] = std::move(batch[i]);
        ++kept;
    }
    batch.resize(kept);
}

}  // namespace

struct JournalWriter::Shared {
    // Given at construction; the thread's alone afterwards.
    std::string folder;
    JournalHeader header;
    std::uint64_t documentLength = 0;
    JournalWriterHooks hooks;
    JournalWriterOptions options;

    // The thread's state.
    FileDescriptor journal;
    std::string journalPath;
    std::uint64_t truncateTo = 0;  // an orphan's valid length, cut at the start; 0: none
    std::uint64_t fileLength = 0;
    std::uint64_t recordBytes = 0;  // bytes of records since the start or the last snapshot
    std::uint64_t writtenUpTo = 0;  // the highest record number written
    bool dirty = false;             // written but not synced
    Clock::time_point lastSync{};
    bool askedForSnapshot = false;
    bool compactBlocked = false;   // a rewrite failed for want of the base: waits for a snapshot
    bool snapshotWritten = false;  // the journal begins from a snapshot of this writer's

    // Shared with the owner's thread, under mutex.
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable syncedChanged;
    std::vector<Item> queue;
    std::uint64_t nextNumber = 0;
    std::uint64_t synced = 0;
    bool stopping = false;
    bool discarding = false;
    bool failed = false;
    bool failureReported = false;  // failed, and hooks.failed has returned
    bool finished = false;
    bool compactionOver = false;         // the compactor has ended and waits to be taken
    bool sleeping = false;               // the thread waits for a wake-up, with nothing to gather or sync
    Clock::time_point nextGather{};      // records are taken no sooner (the thread's alone)
    Clock::time_point gatheringUntil{};  // the thread looks by itself till then (the thread's alone)
    std::string path;

    // A rewrite running beside the thread, and the journal's length when it began.
    std::unique_ptr<JournalCompactor> compactor;
    std::uint64_t compactedUpTo = 0;

    std::thread thread;

    std::uint64_t push(Item item);
    void stop(bool discard);
    void run();
    void loop();
    bool takeBatch(std::vector<Item>& batch, bool& stop);
    bool writeBatch(std::vector<Item>& batch);
    bool writeRecord(Item& item, std::string& out);
    bool flush(std::string& out);
    bool create();
    bool writeNewFile(std::span<const std::uint8_t> snapshot, bool withSnapshot);
    FileDescriptor createTemporary(std::string& target);
    void checksumBase();
    bool sync();
    void maybeCompact();
    bool finishCompaction();
    bool takeCompaction(CompactionResult& result);
    void abandonCompaction();
    void publishSynced();
    bool fail(const std::string& what, int error);
    void fail(const std::string& reason);
    void askForSnapshot();
};

std::uint64_t JournalWriter::Shared::push(Item item)
{
    bool wakeUp = false;
    std::uint64_t number;
    {
        std::lock_guard lock(mutex);
        number = ++nextNumber;
        if (failed || stopping)
            return number;  // dropped: the journal is broken or going
        item.number = number;
        queue.push_back(std::move(item));
        // A thread that is gathering looks again by itself: an edit then costs no system call.
        wakeUp = std::exchange(sleeping, false);
    }
    if (wakeUp)
        wake.notify_one();
    return number;
}

void JournalWriter::Shared::stop(bool discard)
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
        if (discard) {
            discarding = true;
            queue.clear();
        }
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
}

void JournalWriter::Shared::run()
{
    try {
        loop();
    } catch (const std::bad_alloc&) {
        fail("Not enough memory to write the recovery journal.");
    } catch (const std::exception& error) {
        fail(std::string("The recovery journal cannot be written: ") + error.what());
    } catch (...) {
        fail("The recovery journal cannot be written: an unexpected error.");
    }
    abandonCompaction();
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    syncedChanged.notify_all();
}

void JournalWriter::Shared::loop()
{
    if (truncateTo > 0) {
        if (::ftruncate(journal.get(), static_cast<off_t>(truncateTo)) != 0) {
            fail("cut the torn end of", errno);
            return;
        }
        fileLength = truncateTo;
    }
    std::vector<Item> batch;
    bool stop = false;
    while (takeBatch(batch, stop)) {
        const bool wasEmpty = batch.empty();
        const bool written = wasEmpty || writeBatch(batch);
        batch.clear();
        if (written && dirty && (stop || Clock::now() >= lastSync + options.syncInterval))
            sync();
        if (compactor != nullptr && compactor->finished())
            finishCompaction();
        if (stop && wasEmpty)
            return;
    }
}

// Waits for records, for the time to sync or for the end. False: discarded, nothing more to do.
// The first records after a quiet spell are taken at once; while edits go on, the thread gathers
// them for kGather and looks again by itself, so that typing wakes it no more than that.
bool JournalWriter::Shared::takeBatch(std::vector<Item>& batch, bool& stop)
{
    std::unique_lock lock(mutex);
    for (;;) {
        if (discarding)
            return false;
        const Clock::time_point now = Clock::now();
        if (stopping || compactionOver || (!queue.empty() && now >= nextGather) ||
            (dirty && now >= lastSync + options.syncInterval))
            break;
        Clock::time_point until = Clock::time_point::max();
        if (!queue.empty())
            until = nextGather;
        if (dirty)
            until = std::min(until, lastSync + options.syncInterval);
        if (now < gatheringUntil)
            until = std::min(until, now + kGather);
        if (until == Clock::time_point::max()) {
            sleeping = true;
            wake.wait(lock);
            sleeping = false;
        } else {
            wake.wait_until(lock, until);
        }
    }
    batch.swap(queue);
    if (!batch.empty()) {
        nextGather = Clock::now() + kGather;
        gatheringUntil = nextGather + kGatherFor;
    }
    if (failed)
        batch.clear();
    stop = stopping;
    return true;
}

bool JournalWriter::Shared::writeBatch(std::vector<Item>& batch)
{
    for (Item& item : batch) {
        if (item.copy == nullptr)
            continue;
        item.block = item.copy->takeBlock();
        item.blockLength = item.copy->length();
        item.copy.reset();
        if (!item.block.ok())
            return fail("keep an edit in", ENOMEM);
    }
    coalesce(batch);
    std::string out;
    for (Item& item : batch) {
        if (item.kind == RecordKind::Snapshot) {
            out.clear();  // the edits before the snapshot are in it
            abandonCompaction();
            if (!journal)
                header.baseChecksumKnown = false;  // the journal begins from the snapshot
            writtenUpTo = item.number;
            documentLength = item.bytes().size();
            if (!writeNewFile(item.bytes(), true))
                return false;
            continue;
        }
        if (!journal && !create())
            return false;
        if (!writeRecord(item, out))
            return false;
    }
    if (!flush(out))
        return false;
    maybeCompact();
    return true;
}

// Adds one edit record to out, or writes it straight from where its bytes lie when they are large
// (after what out holds).
bool JournalWriter::Shared::writeRecord(Item& item, std::string& out)
{
    const std::span<const std::uint8_t> inserted = item.bytes();
    const std::uint64_t size = inserted.size();
    if (size < kDirectWrite && !item.block.ok()) {
        encodeRecord({RecordKind::Edit, item.offset, item.removed, std::move(item.inserted)}, out);
    } else {
        if (!flush(out))
            return false;
        if (!writeRecordAt(journal.get(), RecordKind::Edit, item.offset, item.removed, inserted, fileLength))
            return fail("write to", errno);
        fileLength += encodedRecordSize(size);
        dirty = true;
    }
    recordBytes += encodedRecordSize(size);
    documentLength = documentLength - std::min(documentLength, item.removed) + size;
    writtenUpTo = item.number;
    return true;
}

// Writes the records gathered in out at the journal's end.
bool JournalWriter::Shared::flush(std::string& out)
{
    if (out.empty())
        return true;
    if (!writeAllAt(journal.get(), bytesOf(out), fileLength))
        return fail("write to", errno);
    fileLength += out.size();
    out.clear();
    dirty = true;
    return true;
}

bool JournalWriter::Shared::create()
{
    if (!ensurePrivateFolder(folder)) {
        fail("Cannot make the recovery folder " + folder + ": " + std::strerror(errno) + ".");
        return false;
    }
    checksumBase();
    return writeNewFile({}, false);
}

// Reads the base back as the journal begins, for the header's checksum. Where the file is not
// the one the document came from any more, the journal must start from a snapshot instead.
void JournalWriter::Shared::checksumBase()
{
    header.baseChecksumKnown = false;
    if (header.base.path.empty()) {
        header.baseChecksum = contentChecksum({});
        header.baseChecksumKnown = true;
        return;
    }
    BaseIdentity now;
    FileDescriptor file = openBaseFile(header.base.path, now);
    ContentChecksum checksum;
    std::uint64_t read = 0;
    const bool ok = file && now == header.base && readPieces(file.get(), kReadPiece, [&](auto piece) {
                        checksum.add(piece);
                        read += piece.size();
                        return true;
                    });
    BaseIdentity after;
    if (ok && read == header.base.size && openBaseFile(header.base.path, after) && after == header.base) {
        header.baseChecksum = checksum.value();
        header.baseChecksumKnown = true;
        return;
    }
    askForSnapshot();
}

// Makes the ".tmp" file next to target, the journal; a first journal gets a new name (target).
FileDescriptor JournalWriter::Shared::createTemporary(std::string& target)
{
    const bool first = target.empty();
    FileDescriptor file;
    for (int attempt = 0; attempt < kNameAttempts && !file; ++attempt) {
        if (first)
            target = folder + "/" + randomName() + kJournalSuffix;
        else
            ::unlink((target + ".tmp").c_str());  // left by a rewrite that failed
        file = createLocked(target + ".tmp");
        if (!file && errno != EEXIST)
            break;
    }
    return file;
}

// Writes a new journal: the header and, withSnapshot, one snapshot record. It is made under a
// ".tmp" name, synced and renamed over the journal (or to a new name for the first one).
bool JournalWriter::Shared::writeNewFile(std::span<const std::uint8_t> snapshot, bool withSnapshot)
{
    if (journalPath.empty() && !ensurePrivateFolder(folder)) {
        fail("Cannot make the recovery folder " + folder + ": " + std::strerror(errno) + ".");
        return false;
    }
    std::string target = journalPath;
    FileDescriptor file = createTemporary(target);
    const std::string temporary = target + ".tmp";
    if (!file)
        return fail("create", errno);
    const std::uint64_t total = writeJournalStart(file.get(), header, withSnapshot, snapshot);
    if (total == 0 || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return fail("write", error);
    }
    if (!syncFolder(folder))
        return fail("sync the folder of", errno);
    journal = std::move(file);
    journalPath = target;
    fileLength = total;
    recordBytes = withSnapshot ? 0 : recordBytes;
    dirty = false;
    lastSync = Clock::now();
    if (withSnapshot) {
        snapshotWritten = true;
        askedForSnapshot = false;
        compactBlocked = false;
    }
    {
        std::lock_guard lock(mutex);
        path = journalPath;
    }
    publishSynced();
    return true;
}

bool JournalWriter::Shared::sync()
{
    if (!syncData(journal.get()))
        return fail("sync", errno);
    dirty = false;
    lastSync = Clock::now();
    publishSynced();
    return true;
}

void JournalWriter::Shared::publishSynced()
{
    {
        std::lock_guard lock(mutex);
        synced = std::max(synced, writtenUpTo);
    }
    syncedChanged.notify_all();
}

// Once the records outgrow the document, has a compactor rewrite the journal as one snapshot of
// it, beside this thread, which goes on appending meanwhile.
void JournalWriter::Shared::maybeCompact()
{
    const std::uint64_t floor = std::min(kCompactFloor, options.compactAbove);
    if (compactor != nullptr || compactBlocked || recordBytes <= floor ||
        recordBytes <= std::min(documentLength, options.compactAbove))
        return;
    CompactionJob job;
    job.journal = journal.get();
    job.length = fileLength;
    job.temporary = journalPath + ".tmp";
    job.header = header;
    // After a snapshot of its own, the writer needs the base no more, whatever became of it.
    job.from = snapshotWritten ? ReplayFrom::SnapshotOnly : ReplayFrom::Base;
    compactedUpTo = fileLength;
    compactor = std::make_unique<JournalCompactor>(std::move(job), [this] {
        {
            std::lock_guard lock(mutex);
            compactionOver = true;
        }
        wake.notify_one();
    });
}

bool JournalWriter::Shared::takeCompaction(CompactionResult& result)
{
    if (compactor == nullptr)
        return false;
    result = compactor->take();
    compactor.reset();
    std::lock_guard lock(mutex);
    compactionOver = false;
    return true;
}

void JournalWriter::Shared::abandonCompaction()
{
    if (compactor != nullptr)
        compactor->abandon();
    compactor.reset();
    std::lock_guard lock(mutex);
    compactionOver = false;
}

// Takes the compactor's new journal: the records written since it began go after its snapshot,
// then it replaces the old journal.
bool JournalWriter::Shared::finishCompaction()
{
    CompactionResult result;
    if (!takeCompaction(result))
        return true;
    if (result.state == CompactionResult::State::BaseChanged) {
        compactBlocked = true;
        askForSnapshot();
        return true;
    }
    if (result.state == CompactionResult::State::Failed)
        return fail(result.what, result.error);
    const std::string temporary = journalPath + ".tmp";
    const std::uint64_t since = fileLength - compactedUpTo;
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(since, kReadPiece)));
    for (std::uint64_t done = 0; done < since;) {
        const auto count = std::min<std::uint64_t>(since - done, piece.size());
        if (!readAllAt(journal.get(), piece.data(), count, compactedUpTo + done) ||
            !writeAllAt(result.file.get(), {piece.data(), static_cast<std::size_t>(count)}, result.fileLength + done)) {
            const int error = errno;
            ::unlink(temporary.c_str());
            return fail("rewrite", error);
        }
        done += count;
    }
    if (!syncData(result.file.get()) || ::rename(temporary.c_str(), journalPath.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return fail("rewrite", error);
    }
    if (!syncFolder(folder))
        return fail("sync the folder of", errno);
    journal = std::move(result.file);
    fileLength = result.fileLength + since;
    recordBytes = since;
    snapshotWritten = true;
    dirty = false;
    lastSync = Clock::now();
    publishSynced();
    return true;
}

// Reports a failed system call on the journal: "Cannot <what> the recovery journal <path>: why".
bool JournalWriter::Shared::fail(const std::string& what, int error)
{
    const std::string name = journalPath.empty() ? "in " + folder : journalPath;
    fail("Cannot " + what + " the recovery journal " + name + ": " + std::strerror(error) + ".");
    return false;
}

void JournalWriter::Shared::fail(const std::string& reason)
{
    dirty = false;  // nothing more is synced
    {
        std::lock_guard lock(mutex);
        if (failed)
            return;
        failed = true;
        queue.clear();
    }
    if (hooks.failed)
        hooks.failed(reason);
    // Whoever waits for a record learns of the failure after its report, not before.
    {
        std::lock_guard lock(mutex);
        failureReported = true;
    }
    syncedChanged.notify_all();
}

void JournalWriter::Shared::askForSnapshot()
{
    if (askedForSnapshot)
        return;
    askedForSnapshot = true;
    if (hooks.needsSnapshot)
        hooks.needsSnapshot();
}

JournalWriter::JournalWriter(std::string folder, JournalHeader header, std::uint64_t documentLength,
                             JournalWriterHooks hooks, JournalWriterOptions options)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->folder = std::move(folder);
    m_shared->header = std::move(header);
    m_shared->documentLength = documentLength;
    m_shared->hooks = std::move(hooks);
    m_shared->options = options;
    m_shared->thread = std::thread([shared = m_shared.get()] { shared->run(); });
}

JournalWriter::JournalWriter(OrphanJournal journal, const JournalHeader& header, std::uint64_t validLength,
                             std::uint64_t documentLength, JournalWriterHooks hooks, JournalWriterOptions options)
    : m_shared(std::make_shared<Shared>())
{
    Shared& shared = *m_shared;
    const std::size_t slash = journal.path.rfind('/');
    shared.folder = slash == std::string::npos ? std::string(".") : journal.path.substr(0, slash);
    shared.header = header;
    shared.documentLength = documentLength;
    shared.hooks = std::move(hooks);
    shared.options = options;
    shared.journal = std::move(journal.file);
    shared.journalPath = journal.path;
    shared.path = journal.path;
    shared.truncateTo = validLength;
    std::string encoded;
    encodeHeader(header, encoded);
    shared.recordBytes = validLength > encoded.size() ? validLength - encoded.size() : 0;
    shared.thread = std::thread([raw = m_shared.get()] { raw->run(); });
}

JournalWriter::~JournalWriter()
{
    m_shared->stop(false);
}

std::uint64_t JournalWriter::append(std::uint64_t offset, std::uint64_t removed, std::string inserted)
{
    return m_shared->push(Item{RecordKind::Edit, offset, removed, std::move(inserted), {}, 0, 0, {}});
}

std::uint64_t JournalWriter::append(std::uint64_t offset, std::uint64_t removed, HeapBlock inserted, std::size_t length)
{
    return m_shared->push(Item{RecordKind::Edit, offset, removed, {}, std::move(inserted), length, 0, {}});
}

std::uint64_t JournalWriter::append(std::uint64_t offset, std::uint64_t removed,
                                    std::shared_ptr<BackgroundCopy> inserted)
{
    Item item{RecordKind::Edit, offset, removed, {}, {}, 0, 0, {}};
    item.copy = std::move(inserted);
    return m_shared->push(std::move(item));
}

std::uint64_t JournalWriter::appendSnapshot(std::string document)
{
    return m_shared->push(Item{RecordKind::Snapshot, 0, 0, std::move(document), {}, 0, 0, {}});
}

std::uint64_t JournalWriter::appendSnapshot(HeapBlock document, std::size_t length)
{
    return m_shared->push(Item{RecordKind::Snapshot, 0, 0, {}, std::move(document), length, 0, {}});
}

void JournalWriter::discard()
{
    Shared& shared = *m_shared;
    shared.stop(true);
    if (!shared.journalPath.empty()) {
        ::unlink(shared.journalPath.c_str());
        ::unlink((shared.journalPath + ".tmp").c_str());
    }
    shared.journal.close();
    std::lock_guard lock(shared.mutex);
    shared.path.clear();
}

std::uint64_t JournalWriter::appendedUpTo() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->nextNumber;
}

std::uint64_t JournalWriter::syncedUpTo() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->synced;
}

bool JournalWriter::waitSynced(std::uint64_t number, std::chrono::milliseconds timeout)
{
    Shared& shared = *m_shared;
    std::unique_lock lock(shared.mutex);
    shared.syncedChanged.wait_for(lock, timeout,
                                  [&] { return shared.synced >= number || shared.failureReported || shared.finished; });
    return shared.synced >= number;
}

bool JournalWriter::failed() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->failed;
}

std::string JournalWriter::path() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->path;
}

}  // namespace quillory
