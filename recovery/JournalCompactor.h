#pragma once
// A journal's rewrite, done beside its writer: on a thread of its own, the document is rebuilt from
// the journal's first bytes (those written when the rewrite began) and written as a new journal
// under the journal's ".tmp" name: the header and one snapshot record, synced. The writer goes on
// appending to the old journal meanwhile; once the rewrite is done, it copies the records written
// since to the new journal and renames it over the old one.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "base/FileDescriptor.h"
#include "recovery/JournalFormat.h"
#include "recovery/JournalReplay.h"

namespace quillory {

struct CompactionJob {
    int journal = -1;          // the journal, read (never written) by the rewrite; the writer's
    std::uint64_t length = 0;  // its bytes to rebuild the document from
    std::string temporary;     // the new journal's path while it is made
    JournalHeader header;      // of the new journal
    ReplayFrom from = ReplayFrom::Base;
};

struct CompactionResult {
    enum class State { Done, BaseChanged, Failed } state = State::Failed;
    FileDescriptor file;  // Done: the new journal, locked
    std::uint64_t fileLength = 0;
    std::string what;  // Failed: the step ("read back", "write") and error its errno
    int error = 0;
};

class JournalCompactor {
public:
    // Starts the rewrite; finished is called on its thread when it is over.
    JournalCompactor(CompactionJob job, std::function<void()> finished);
    // Waits for the rewrite to end.
    ~JournalCompactor();
    JournalCompactor(const JournalCompactor&) = delete;
    JournalCompactor& operator=(const JournalCompactor&) = delete;

    bool finished() const { return m_finished.load(); }
    // The outcome, once finished() (waits for it otherwise).
    CompactionResult take();
    // Stops caring: waits for the end and removes what the rewrite made.
    void abandon();

private:
    void run();

    CompactionJob m_job;
    std::function<void()> m_whenFinished;
    CompactionResult m_result;
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};

}  // namespace quillory
