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
#include <vector>

#include "recovery/BaseFile.h"
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

struct Item {
    RecordKind kind = RecordKind::Edit;
    std::uint64_t offset = 0;
    std::uint64_t removed = 0;
    std::string inserted;
    std::uint64_t number = 0;
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

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Writes all of bytes at offset, going on after short writes and interruptions.
bool writeAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = ENOSPC;  // nothing written and no error: the disk takes no more
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool syncData(int fd)
{
    int result;
    do {
        result = ::fdatasync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Makes a rename in folder last: some file systems cannot sync a folder (EINVAL), which is no
// failure of ours.
bool syncFolder(const std::string& folder)
{
    FileDescriptor file(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!file)
        return false;
    int result;
    do {
        result = ::fsync(file.get());
    } while (result != 0 && errno == EINTR);
    return result == 0 || errno == EINVAL;
}

// A new file at path (which must not exist), mode 0600 whatever the umask, locked.
FileDescriptor createLocked(const std::string& path)
{
    FileDescriptor file(::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file || ::fchmod(file.get(), 0600) != 0 || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        return {};
    return file;
}

void putU64(std::string& out, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// What a new journal holds around a snapshot's bytes (which are written from where they lie):
// the header and the record's beginning in prefix, the record's checksum in checksum. Without a
// snapshot, the header alone.
void encodeFraming(const JournalHeader& header, bool withSnapshot, std::span<const std::uint8_t> snapshot,
                   std::string& prefix, std::string& checksum)
{
    encodeHeader(header, prefix);
    if (!withSnapshot)
        return;
    const std::size_t recordStart = prefix.size();
    encodeRecord(JournalRecord{RecordKind::Snapshot, 0, 0, {}}, prefix);
    prefix.resize(prefix.size() - 16);  // the record without its length and checksum
    putU64(prefix, snapshot.size());
    ContentChecksum sum;
    sum.add(bytesOf(prefix).subspan(recordStart));
    sum.add(snapshot);
    putU64(checksum, sum.value());
}

// Folds next into item where next goes on where item's inserted bytes end (typing on), or
// replaces bytes near the end of them (backspacing into them). True when it did.
bool merge(Item& item, Item& next)
{
    if (item.kind != RecordKind::Edit || next.kind != RecordKind::Edit)
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
    std::string path;

    std::thread thread;

    std::uint64_t push(Item item);
    void stop(bool discard);
    void run();
    void loop();
    bool takeBatch(std::vector<Item>& batch, bool& stop);
    bool writeBatch(std::vector<Item>& batch);
    bool create();
    bool writeNewFile(std::span<const std::uint8_t> snapshot, bool withSnapshot);
    FileDescriptor createTemporary(std::string& target);
    void checksumBase();
    bool sync();
    void maybeCompact();
    void publishSynced();
    bool fail(const std::string& what, int error);
    void fail(const std::string& reason);
    void askForSnapshot();
};

std::uint64_t JournalWriter::Shared::push(Item item)
{
    bool wasEmpty;
    std::uint64_t number;
    {
        std::lock_guard lock(mutex);
        number = ++nextNumber;
        if (failed || stopping)
            return number;  // dropped: the journal is broken or going
        item.number = number;
        wasEmpty = queue.empty();
        queue.push_back(std::move(item));
    }
    if (wasEmpty)
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
        if (stop && wasEmpty)
            return;
    }
}

// Waits for records, for the time to sync or for the end. False: discarded, nothing more to do.
bool JournalWriter::Shared::takeBatch(std::vector<Item>& batch, bool& stop)
{
    std::unique_lock lock(mutex);
    for (;;) {
        if (discarding)
            return false;
        if (!queue.empty() || stopping)
            break;
        if (!dirty)
            wake.wait(lock);
        else if (wake.wait_until(lock, lastSync + options.syncInterval) == std::cv_status::timeout)
            break;
    }
    batch.swap(queue);
    if (failed)
        batch.clear();
    stop = stopping;
    return true;
}

bool JournalWriter::Shared::writeBatch(std::vector<Item>& batch)
{
    coalesce(batch);
    std::string out;
    std::uint64_t lastNumber = 0;
    for (Item& item : batch) {
        if (item.kind == RecordKind::Snapshot) {
            out.clear();  // the edits before the snapshot are in it
            if (!journal)
                header.baseChecksumKnown = false;  // the journal begins from the snapshot
            writtenUpTo = item.number;
            documentLength = item.inserted.size();
            if (!writeNewFile(bytesOf(item.inserted), true))
                return false;
            lastNumber = 0;
            continue;
        }
        if (!journal && !create())
            return false;
        JournalRecord record{RecordKind::Edit, item.offset, item.removed, std::move(item.inserted)};
        encodeRecord(record, out);
        recordBytes += encodedRecordSize(record.inserted.size());
        documentLength = documentLength - std::min(documentLength, item.removed) + record.inserted.size();
        lastNumber = item.number;
    }
    if (!out.empty()) {
        if (!writeAllAt(journal.get(), bytesOf(out), fileLength))
            return fail("write to", errno);
        fileLength += out.size();
        writtenUpTo = lastNumber;
        dirty = true;
    }
    maybeCompact();
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
    std::string prefix;
    std::string checksum;
    encodeFraming(header, withSnapshot, snapshot, prefix, checksum);
    const std::uint64_t total = prefix.size() + snapshot.size() + checksum.size();
    if (!writeAllAt(file.get(), bytesOf(prefix), 0) || !writeAllAt(file.get(), snapshot, prefix.size()) ||
        !writeAllAt(file.get(), bytesOf(checksum), prefix.size() + snapshot.size()) || !syncData(file.get()) ||
        ::rename(temporary.c_str(), target.c_str()) != 0) {
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

// Replaces the journal by one snapshot of the document once its records outgrow the document.
void JournalWriter::Shared::maybeCompact()
{
    const std::uint64_t floor = std::min(kCompactFloor, options.compactAbove);
    if (compactBlocked || recordBytes <= floor || recordBytes <= std::min(documentLength, options.compactAbove))
        return;
    std::string bytes(fileLength, '\0');
    std::uint64_t at = 0;
    while (at < fileLength) {
        const ssize_t got = ::pread(journal.get(), bytes.data() + at, fileLength - at, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            fail("read back", got == 0 ? EIO : errno);
            return;
        }
        at += static_cast<std::uint64_t>(got);
    }
    // After a snapshot of its own, the writer needs the base no more, whatever became of it.
    const ReplayFrom from = snapshotWritten ? ReplayFrom::SnapshotOnly : ReplayFrom::Base;
    ReplayedDocument document = replayJournal(bytesOf(bytes), from, cHeap(), 0);
    std::string().swap(bytes);
    if (document.outcome != ReplayOutcome::Recovered) {
        compactBlocked = true;
        askForSnapshot();
        return;
    }
    documentLength = document.length;
    writeNewFile(document.bytes.first(static_cast<std::size_t>(document.length)), true);
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
    return m_shared->push(Item{RecordKind::Edit, offset, removed, std::move(inserted), 0});
}

std::uint64_t JournalWriter::appendSnapshot(std::string document)
{
    return m_shared->push(Item{RecordKind::Snapshot, 0, 0, std::move(document), 0});
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
