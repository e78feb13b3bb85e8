#pragma once
// One retrieval: a worker thread that fetches a URL with libcurl into a download buffer. The
// worker never touches a widget. It reports through two callbacks that run on its own thread and
// only post an event: a message box is waiting (the interface shows it, then calls
// messageClosed(); the worker waits for that), and the worker has completed (always after its box
// was closed). A cancelled worker shows nothing, posts nothing and never touches the download
// buffer again; it may still be winding down on its own while the next retrieval runs.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/MessageBox.h"
#include "internet/DownloadBuffer.h"

namespace quillory {

// How long a connection may take to open, and how long an open one may stay silent.
inline constexpr std::chrono::seconds kConnectTimeout{30};
inline constexpr std::chrono::seconds kIdleTimeout{60};

struct RetrievalRequest {
    std::string url;                                        // used as it is (see normaliseUrl)
    std::string caFile;                                     // certificate authorities; empty: the system's
    std::int32_t maxLength = kMaxDownloadLength;            // longer documents stop with the "Memory Error:" box
    std::chrono::seconds connectTimeout = kConnectTimeout;  // then a Connection Error
    std::chrono::seconds idleTimeout = kIdleTimeout;        // nothing received this long: a Connection Error
};

struct RetrievalProgress {
    std::int64_t received = 0;  // bytes of the document so far
    std::int64_t total = -1;    // the size the server announced; -1 when it did not
};

struct RetrievalCallbacks {
    std::function<void()> messageWaiting;  // worker thread: takePendingMessage() has a box
    std::function<void()> completed;       // worker thread: the retrieval has ended
};

struct RetrievalState;

class Retrieval {
public:
    // Starts the worker, which fills buffer. nullptr when no thread could be started; whyNot then
    // says why.
    static std::shared_ptr<Retrieval> start(RetrievalRequest request, std::shared_ptr<DownloadBuffer> buffer,
                                            RetrievalCallbacks callbacks, std::string* whyNot = nullptr);
    ~Retrieval();
    Retrieval(const Retrieval&) = delete;
    Retrieval& operator=(const Retrieval&) = delete;

    // Cancels a worker that has not completed yet and returns at once; true when it did. From then
    // on the worker touches neither the download buffer nor the callbacks. False when the worker
    // had already completed (its completion event is on its way) or was cancelled before.
    bool cancel();
    // The box the worker waits on, once; nothing when there is none or the worker was cancelled.
    std::optional<MessageBoxRequest> takePendingMessage();
    // The box taken above was closed: the worker goes on.
    void messageClosed();
    RetrievalProgress progress() const;
    // Whether this retrieval's document replaced the download buffer's content (it began to arrive,
    // or was complete and empty). A retrieval that failed before leaves an earlier one in place.
    bool delivered() const;

private:
    explicit Retrieval(std::shared_ptr<RetrievalState> state) : m_state(std::move(state)) {}
    std::shared_ptr<RetrievalState> m_state;  // shared with the worker thread
};

// Reads the certificate-authority file that tests name in QUILLORY_TEST_CA_FILE; empty when unset.
std::string testCertificateAuthorities();

// Waits until every worker thread has ended or the time is up; true when none runs any more.
bool waitForRetrievalWorkers(std::chrono::milliseconds timeout);

// For the end of main: returns code once every worker has ended (a stopped one takes
// milliseconds). A worker still stuck after half a second (in a name lookup that cannot be
// interrupted) ends the process at once with code, so that no static destructor runs under it.
int exitCodeAfterRetrievals(int code);

}  // namespace quillory
