// The retrieval worker: libcurl's multi interface on one thread, woken at once by cancellation.
#include "internet/Retrieval.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <curl/curl.h>

#include "internet/FailureReason.h"
#include "internet/RetrievalMessages.h"
#include "internet/UrlRules.h"

namespace quillory {

struct RetrievalState {
    RetrievalState(std::shared_ptr<DownloadBuffer> b, RetrievalCallbacks c)
        : buffer(std::move(b)), callbacks(std::move(c))
    {}

    const std::shared_ptr<DownloadBuffer> buffer;  // kept alive while a stopped worker winds down
    // Set under the buffer's lock (DownloadBuffer::stopWriter) while mutex is held.
    std::atomic<bool> cancelled{false};
    std::atomic<std::int64_t> received{0};
    std::atomic<std::int64_t> total{-1};
    std::atomic<bool> delivered{false};  // the document replaced the earlier download

    std::mutex mutex;              // guards the fields below
    std::condition_variable wake;  // a box was closed, or the retrieval was cancelled
    bool completed = false;        // the completion callback has run
    std::optional<MessageBoxRequest> pendingBox;
    bool boxClosed = false;
    CURLM* multi = nullptr;  // while the transfer runs, for waking it
    RetrievalCallbacks callbacks;
};

namespace {

// Bytes libcurl receives at a time. Reads of 4096 bytes would take libcurl's loop once per read
// (a poll and a receive each), six times curl's own time for a large document.
constexpr long kReadSize = long{256} * 1024;
constexpr std::size_t kAppendSize = 4096;  // bytes appended to the download buffer at a time
constexpr long kMaxRedirects = 10;
constexpr const char* kAgent = "Quillory v1.51";
constexpr const char* kSchemes = "http,https,ftp,gopher";

// Worker threads still running; never destroyed, so a thread ending during exit finds it intact.
struct WorkerCount {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};

WorkerCount& workerCount()
{
    static auto* count = new WorkerCount;
    return *count;
}

using Clock = std::chrono::steady_clock;

// A gopher server answers a selector it cannot serve with a one-line menu of type '3' (an error);
// that much of a gopher document is held back until it is known not to be one.
constexpr std::size_t kGopherErrorMaxLength = 1024;

// Whether a whole gopher document is the server's error line: one line of type '3' (text, selector,
// host and port separated by tabs, the port in digits) ending in CR LF, perhaps followed by the
// closing ".".
bool isGopherError(const std::string& document)
{
    const std::size_t end = document.find("\r\n");
    if (document.empty() || document[0] != '3' || end == std::string::npos)
        return false;
    const std::string rest = document.substr(end + 2);
    if (!rest.empty() && rest != ".\r\n" && rest != ".")
        return false;
    const std::string line = document.substr(0, end);
    const std::size_t lastTab = line.rfind('\t');
    if (std::count(line.begin(), line.end(), '\t') != 3 || lastTab + 1 == line.size())
        return false;
    return line.find_first_not_of("0123456789", lastTab + 1) == std::string::npos;
}

// The host part of url, as the address names it.
std::string hostOf(const char* url)
{
    std::string host;
    CURLU* parsed = curl_url();
    char* part = nullptr;
    if (parsed != nullptr && url != nullptr && curl_url_set(parsed, CURLUPART_URL, url, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
        host = part;
        curl_free(part);
    }
    curl_url_cleanup(parsed);
    return host;
}

// One transfer on the worker thread.
class Transfer {
public:
    Transfer(std::shared_ptr<RetrievalState> state, RetrievalRequest request)
        : m_state(std::move(state)), m_request(std::move(request))
    {}
    void run();

private:
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static int onProgress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t);
    bool configure(CURL* easy, curl_slist* headers);
    CURLcode perform(CURL* easy);
    // Appends to the download buffer; false when it can take no more or the worker was stopped.
    bool append(const char* data, std::size_t bytes);
    // The earlier document goes once this one has begun to arrive; false when stopped.
    bool connect(std::int64_t announced);
    // Settles the buffer after the transfer; the gopher server's error text when it sent one.
    std::optional<std::string> finishBuffer(CURLcode result);
    std::optional<MessageBoxRequest> failureBox(CURLcode result);
    // Hands the box to the interface and waits until it was closed; false when cancelled.
    bool showBox(MessageBoxRequest box);
    void complete();

    std::shared_ptr<RetrievalState> m_state;
    RetrievalRequest m_request;
    bool m_gopher = false;      // the document comes from a gopher server: its start is held back
                                // (see isGopherError); known with the first bytes, after redirects
    std::string m_heldBack;     // the start of a gopher document, not yet in the buffer
    bool m_connected = false;   // the earlier download was released
    bool m_memoryFull = false;  // the buffer could take no more
    bool m_atLimit = false;     // ... because the document passed the request's maximum length
    bool m_idle = false;        // ended because nothing arrived for the idle limit
    CURL* m_easy = nullptr;     // the transfer's handle while it runs
    Clock::time_point m_lastActivity = Clock::now();  // when the server last sent something
    std::string m_statusLine;                         // the last HTTP status line
    std::string m_location;                           // the Location of the last header block, if any
    char m_libcurlText[CURL_ERROR_SIZE] = {};
};

void Transfer::run()
{
    CURL* easy = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = headers != nullptr ? curl_slist_append(headers, "Pragma: no-cache") : nullptr;
    std::optional<MessageBoxRequest> box;
    if (easy == nullptr || headers == nullptr || !configure(easy, headers)) {
        box = MessageBoxRequest{kErrorCaption, withReason(kNoBufferText, "libcurl could not set up the transfer"),
                                MessageIcon::Stop, MessageButtons::Ok};
    } else {
        m_easy = easy;
        const CURLcode result = perform(easy);
        box = failureBox(result);
    }
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    if (m_state->cancelled)
        return;
    if (box && !showBox(std::move(*box)))
        return;
    complete();
}

std::optional<MessageBoxRequest> Transfer::failureBox(CURLcode result)
{
    const std::optional<std::string> gopherError = finishBuffer(result);
    if (m_state->cancelled)
        return std::nullopt;
    if (m_memoryFull) {
        const std::string reason = partialDownloadReason(m_state->received, m_request.maxLength, m_atLimit);
        return MessageBoxRequest{kMemoryErrorCaption, withReason(kPartialDownloadText, reason),
                                 MessageIcon::Exclamation, MessageButtons::Ok};
    }
    std::string reason;
    if (gopherError) {
        reason = "the gopher server answered: " + *gopherError;
    } else if (result != CURLE_OK || m_idle) {
        TransferFailure failure;
        failure.curlCode = result;
        long systemError = 0;
        curl_easy_getinfo(m_easy, CURLINFO_OS_ERRNO, &systemError);
        failure.systemError = static_cast<int>(systemError);
        curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &failure.httpStatus);
        failure.statusLine = m_statusLine;
        failure.libcurlText = m_libcurlText;
        char* effective = nullptr;
        curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &effective);
        failure.host = hostOf(effective != nullptr ? effective : m_request.url.c_str());
        failure.refusedLocation = m_location;
        failure.received = m_state->received;
        curl_off_t announced = -1;
        if (curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK)
            failure.announced = announced;
        failure.idle = m_idle;
        failure.idleLimit = m_request.idleTimeout;
        failure.connectLimit = m_request.connectTimeout;
        failure.maxRedirects = kMaxRedirects;
        reason = failureReason(failure);
    } else {
        return std::nullopt;
    }
    return MessageBoxRequest{kConnectionErrorCaption, withReason(connectionErrorText(m_request.url), reason),
                             MessageIcon::Stop, MessageButtons::Ok};
}

bool Transfer::configure(CURL* easy, curl_slist* headers)
{
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, m_request.url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, kSchemes) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, kSchemes) == CURLE_OK;
    if (!ok)
        return ok;
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_libcurlText);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    // An HTTP status of 400 or above is a failure: its page never reaches the download buffer.
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::chrono::milliseconds(m_request.connectTimeout).count()));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReadSize);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    if (!m_request.caFile.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, m_request.caFile.c_str());
    return true;
}

CURLcode Transfer::perform(CURL* easy)
{
    CURLM* multi = curl_multi_init();
    if (multi == nullptr)
        return CURLE_OUT_OF_MEMORY;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->multi = multi;
    }
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    m_lastActivity = Clock::now();
    if (curl_multi_add_handle(multi, easy) == CURLM_OK) {
        int running = 1;
        while (running > 0 && !m_state->cancelled) {
            if (curl_multi_perform(multi, &running) != CURLM_OK)
                break;
            // Cancellation wakes the wait at once (curl_multi_wakeup).
            if (running > 0 && curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK)
                break;
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE)
                result = message->data.result;
        }
    }
    {
        std::lock_guard lock(m_state->mutex);
        m_state->multi = nullptr;
    }
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);
    return result;
}

std::size_t Transfer::onBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    const std::size_t bytes = size * count;
    transfer.m_lastActivity = Clock::now();
    if (transfer.m_state->cancelled)
        return 0;  // aborts the transfer
    if (!transfer.m_connected && transfer.m_heldBack.empty()) {
        const char* scheme = nullptr;
        curl_easy_getinfo(transfer.m_easy, CURLINFO_SCHEME, &scheme);
        transfer.m_gopher = scheme != nullptr && asciiLower(scheme) == "gopher";
    }
    if (!transfer.m_connected && transfer.m_gopher) {
        transfer.m_heldBack.append(data, bytes);
        if (transfer.m_heldBack.size() <= kGopherErrorMaxLength)
            return bytes;
        const std::string held = std::exchange(transfer.m_heldBack, std::string());
        return transfer.connect(-1) && transfer.append(held.data(), held.size()) ? bytes : 0;
    }
    if (!transfer.m_connected) {
        curl_off_t announced = -1;
        if (curl_easy_getinfo(transfer.m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) != CURLE_OK)
            announced = -1;
        if (!transfer.connect(announced))
            return 0;
    }
    return transfer.append(data, bytes) ? bytes : 0;
}

bool Transfer::append(const char* data, std::size_t bytes)
{
    DownloadBuffer& buffer = *m_state->buffer;
    const std::int64_t before = m_state->received;
    const DownloadBuffer::Append result =
        buffer.append(m_state->cancelled, {reinterpret_cast<const std::uint8_t*>(data), bytes}, m_request.maxLength);
    if (result == DownloadBuffer::Append::Cancelled)
        return false;
    const std::int32_t length = buffer.length();
    m_state->received = length;
    if (result == DownloadBuffer::Append::Full) {
        m_memoryFull = true;
        // The piece that did not fit: the buffer was full, or this document passed the limit.
        const std::size_t refused = std::min(kAppendSize, bytes - static_cast<std::size_t>(length - before));
        m_atLimit = static_cast<std::int64_t>(refused) > m_request.maxLength - length;
        return false;
    }
    return true;
}

std::size_t Transfer::onHeader(char* data, std::size_t size, std::size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    const std::size_t bytes = size * count;
    transfer.m_lastActivity = Clock::now();
    std::string line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {
        // A new response (after a redirect): what the last one said no longer counts.
        transfer.m_statusLine = line;
        transfer.m_location.clear();
    } else if (asciiLower(line.substr(0, 9)) == "location:") {
        const std::size_t value = line.find_first_not_of(" \t", 9);
        transfer.m_location = value == std::string::npos ? std::string() : line.substr(value);
    }
    return bytes;
}

int Transfer::onProgress(void* self, curl_off_t total, curl_off_t, curl_off_t, curl_off_t)
{
    auto& transfer = *static_cast<Transfer*>(self);
    transfer.m_state->total = total > 0 ? static_cast<std::int64_t>(total) : -1;
    if (transfer.m_state->cancelled)
        return 1;
    if (Clock::now() - transfer.m_lastActivity >= transfer.m_request.idleTimeout) {
        transfer.m_idle = true;
        return 1;
    }
    return 0;
}

bool Transfer::connect(std::int64_t announced)
{
    if (m_connected)
        return true;
    if (!m_state->buffer->beginDocument(m_state->cancelled, announced, m_request.maxLength))
        return false;
    m_connected = true;
    m_state->delivered = true;
    return true;
}

std::optional<std::string> Transfer::finishBuffer(CURLcode result)
{
    if (m_state->cancelled)
        return std::nullopt;
    if (result == CURLE_OK && !m_connected && !m_heldBack.empty()) {
        // A short gopher document: the server's error line leaves the earlier download in place.
        if (isGopherError(m_heldBack))
            return m_heldBack.substr(1, m_heldBack.find('\t') - 1);
        if (connect(-1))
            append(m_heldBack.data(), m_heldBack.size());
    }
    // A document of zero bytes never called onBody; it replaces the earlier one all the same.
    if (result == CURLE_OK)
        connect(-1);
    if (m_connected)
        m_state->buffer->finishDocument(m_state->cancelled);
    return std::nullopt;
}

bool Transfer::showBox(MessageBoxRequest box)
{
    std::unique_lock lock(m_state->mutex);
    if (m_state->cancelled)
        return false;
    m_state->pendingBox = std::move(box);
    m_state->boxClosed = false;
    if (m_state->callbacks.messageWaiting)
        m_state->callbacks.messageWaiting();
    m_state->wake.wait(lock, [this] { return m_state->boxClosed || m_state->cancelled; });
    return !m_state->cancelled;
}

void Transfer::complete()
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->cancelled)
        return;
    m_state->completed = true;
    if (m_state->callbacks.completed)
        m_state->callbacks.completed();
}

void runWorker(std::shared_ptr<RetrievalState> state, RetrievalRequest request)
{
    {
        Transfer transfer(std::move(state), std::move(request));
        transfer.run();
    }
    WorkerCount& count = workerCount();
    std::lock_guard lock(count.mutex);
    --count.running;
    count.ended.notify_all();
}

}  // namespace

std::shared_ptr<Retrieval> Retrieval::start(RetrievalRequest request, std::shared_ptr<DownloadBuffer> buffer,
                                            RetrievalCallbacks callbacks, std::string* whyNot)
{
    // Once, on the interface thread, before the first worker exists.
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) {
        if (whyNot != nullptr)
            *whyNot = "libcurl could not be initialised";
        return nullptr;
    }
    auto state = std::make_shared<RetrievalState>(std::move(buffer), std::move(callbacks));
    WorkerCount& count = workerCount();
    {
        std::lock_guard lock(count.mutex);
        ++count.running;
    }
    try {
        std::thread(runWorker, state, std::move(request)).detach();
    } catch (const std::system_error& error) {
        if (whyNot != nullptr)
            *whyNot = "no worker thread could be started: " + error.code().message();
        std::lock_guard lock(count.mutex);
        --count.running;
        return nullptr;
    }
    return std::shared_ptr<Retrieval>(new Retrieval(std::move(state)));
}

Retrieval::~Retrieval()
{
    cancel();
}

bool Retrieval::cancel()
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->completed || m_state->cancelled)
        return false;
    // Under the buffer's lock: no append of the worker's is under way, and none starts after.
    m_state->buffer->stopWriter(m_state->cancelled);
    m_state->pendingBox.reset();
    if (m_state->multi != nullptr)
        curl_multi_wakeup(m_state->multi);
    m_state->wake.notify_all();
    return true;
}

std::optional<MessageBoxRequest> Retrieval::takePendingMessage()
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->cancelled)
        return std::nullopt;
    return std::exchange(m_state->pendingBox, std::nullopt);
}

void Retrieval::messageClosed()
{
    std::lock_guard lock(m_state->mutex);
    m_state->boxClosed = true;
    m_state->wake.notify_all();
}

RetrievalProgress Retrieval::progress() const
{
    return {m_state->received.load(), m_state->total.load()};
}

bool Retrieval::delivered() const
{
    return m_state->delivered.load();
}

std::string testCertificateAuthorities()
{
    const char* file = std::getenv("QUILLORY_TEST_CA_FILE");
    return file != nullptr ? std::string(file) : std::string();
}

bool waitForRetrievalWorkers(std::chrono::milliseconds timeout)
{
    WorkerCount& count = workerCount();
    std::unique_lock lock(count.mutex);
    return count.ended.wait_for(lock, timeout, [&count] { return count.running == 0; });
}

int exitCodeAfterRetrievals(int code)
{
    if (waitForRetrievalWorkers(std::chrono::milliseconds(500)))
        return code;
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace quillory
