#pragma once
// Writes one document's journal on a thread of its own, so that an edit costs the interface no
// more than handing its record over. The thread appends what it is given at once and syncs
// (fdatasync) at most every syncInterval, so a record is on the disk within about that time; it
// creates the journal (name ending in ".tmp" until the header is complete, then renamed, mode
// 0600, locked with flock for the writer's life) at the first record, after reading the base file
// back to checksum it.
//
// When the records outgrow the document (more bytes than the document, or than compactAbove), a
// compactor (JournalCompactor) rebuilds the document from the base and the journal on a thread of
// its own and writes a new journal of one snapshot record, to which the thread adds the records
// written meanwhile before renaming it over the old one: appending never waits for a rewrite.
// Where the document cannot be rebuilt (the base file changed behind it), the thread asks for a
// snapshot instead (needsSnapshot), which the owner hands over with appendSnapshot.
//
// It follows the worker pattern: no widget, no pointer to one; it reports through callbacks
// called on its own thread, which must only post an event.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/HeapBlock.h"
#include "recovery/JournalFolder.h"
#include "recovery/JournalFormat.h"

namespace quillory {

class BackgroundCopy;

struct JournalWriterHooks {
    // The journal cannot be written (made, appended, synced, rewritten): called once with the
    // reason (strerror, or what went wrong); the writer then drops every record it gets.
    std::function<void(const std::string& reason)> failed;
    // The base file cannot serve as the journal's start any more (it changed before the journal
    // began, or before a rewrite): the owner should call appendSnapshot with the whole document.
    std::function<void()> needsSnapshot;
};

struct JournalWriterOptions {
    std::chrono::milliseconds syncInterval{500};
    std::uint64_t compactAbove = std::uint64_t{64} << 20;
};

class JournalWriter {
public:
    // A journal for a document whose base is header.base (checksummed by the thread; the header's
    // checksum fields are filled there) and whose length now is documentLength.
    JournalWriter(std::string folder, JournalHeader header, std::uint64_t documentLength, JournalWriterHooks hooks,
                  JournalWriterOptions options = {});
    // Goes on with a journal recovered at start-up: its valid records end at validLength (a torn
    // tail after it is cut off), it stays locked, and the document is now documentLength bytes.
    JournalWriter(OrphanJournal journal, const JournalHeader& header, std::uint64_t validLength,
                  std::uint64_t documentLength, JournalWriterHooks hooks, JournalWriterOptions options = {});
    // Stops the thread after writing and syncing what it was given; the journal stays on the disk.
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Hands one edit over: `removed` bytes at offset replaced by inserted. Returns the record's
    // number (1, 2, ...), for syncedUpTo.
    std::uint64_t append(std::uint64_t offset, std::uint64_t removed, std::string inserted);
    // The same with the inserted bytes in the first length bytes of a block: a large edit (Replace
    // All, a paste) is copied out of the document fastest into a block of the byte heap.
    std::uint64_t append(std::uint64_t offset, std::uint64_t removed, HeapBlock inserted, std::size_t length);
    // The same with the inserted bytes still being copied out of the document beside the caller.
    std::uint64_t append(std::uint64_t offset, std::uint64_t removed, std::shared_ptr<BackgroundCopy> inserted);
    // Hands the whole document over: the journal is replaced by a header and this snapshot.
    std::uint64_t appendSnapshot(std::string document);
    std::uint64_t appendSnapshot(HeapBlock document, std::size_t length);
    // Stops the thread without writing what is still queued and deletes the journal (the document
    // was saved, or its changes were given up).
    void discard();

    // The number of the last record handed over (0: none yet).
    std::uint64_t appendedUpTo() const;
    // The highest record number on the disk (written and synced).
    std::uint64_t syncedUpTo() const;
    // Waits until record `number` is synced, the writer failed or timeout passed; true when synced.
    bool waitSynced(std::uint64_t number, std::chrono::milliseconds timeout);
    bool failed() const;
    // The journal's path once it exists; empty before.
    std::string path() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

}  // namespace quillory
