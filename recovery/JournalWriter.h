#pragma once
// Writes one document's journal on a thread of its own, so that an edit costs the interface no
// more than handing its record over. The thread appends what it is given at once and syncs
// (fdatasync) at most every syncInterval, so a record is on the disk within about that time; it
// creates the journal (name ending in ".tmp" until the header is complete, then renamed, mode
// 0600, locked with flock for the writer's life) at the first record, after reading the base file
// back to checksum it.
//
// When the records outgrow the document (more bytes than the document, or than compactAbove),
// the thread rebuilds the document itself from the base and its own journal and replaces the
// journal by a header, one snapshot record and nothing else: a new file, synced, renamed over the
// old one. Where it cannot (the base file changed behind it), it asks for a snapshot instead
// (needsSnapshot), which the owner hands over with appendSnapshot.
//
// It follows the worker pattern: no widget, no pointer to one; it reports through callbacks
// called on its own thread, which must only post an event.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "recovery/JournalFolder.h"
#include "recovery/JournalFormat.h"

namespace quillory {

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
    // Hands the whole document over: the journal is replaced by a header and this snapshot.
    std::uint64_t appendSnapshot(std::string document);
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
