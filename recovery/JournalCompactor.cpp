#include "recovery/JournalCompactor.h"

#include <cerrno>
#include <unistd.h>

#include "base/HeapBlock.h"
#include "recovery/JournalFiles.h"

namespace quillory {

JournalCompactor::JournalCompactor(CompactionJob job, std::function<void()> finished)
    : m_job(std::move(job)), m_whenFinished(std::move(finished))
{
    m_thread = std::thread([this] { run(); });
}

JournalCompactor::~JournalCompactor()
{
    if (m_thread.joinable())
        m_thread.join();
}

CompactionResult JournalCompactor::take()
{
    if (m_thread.joinable())
        m_thread.join();
    return std::move(m_result);
}

void JournalCompactor::abandon()
{
    CompactionResult result = take();
    if (result.file)
        ::unlink(m_job.temporary.c_str());
}

void JournalCompactor::run()
{
    try {
        HeapBlock journal(cHeap(), static_cast<std::size_t>(m_job.length) + 1);
        if (!journal.ok()) {
            m_result.what = "read back";
            m_result.error = ENOMEM;
        } else if (!readAllAt(m_job.journal, journal.data(), m_job.length, 0)) {
            m_result.what = "read back";
            m_result.error = errno;
        } else {
            ReplayedDocument document =
                replayJournal(journal.first(static_cast<std::size_t>(m_job.length)), m_job.from, cHeap(), 0);
            journal.reset();
            if (document.outcome != ReplayOutcome::Recovered) {
                m_result.state = CompactionResult::State::BaseChanged;
            } else {
                ::unlink(m_job.temporary.c_str());  // left by a rewrite that failed
                FileDescriptor file = createLocked(m_job.temporary);
                const std::uint64_t length =
                    file ? writeJournalStart(file.get(), m_job.header, true,
                                             document.bytes.first(static_cast<std::size_t>(document.length)))
                         : 0;
                if (length == 0) {
                    m_result.what = file ? "write" : "create";
                    m_result.error = errno;
                    if (file)
                        ::unlink(m_job.temporary.c_str());
                } else {
                    m_result.state = CompactionResult::State::Done;
                    m_result.file = std::move(file);
                    m_result.fileLength = length;
                }
            }
        }
    } catch (...) {
        m_result = {};
        m_result.what = "rewrite";
        m_result.error = ENOMEM;
    }
    m_finished = true;
    if (m_whenFinished)
        m_whenFinished();
}

}  // namespace quillory
