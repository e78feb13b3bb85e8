// The retrieval worker on its own: the URL rules, and a transfer from a real server that stops at
// the document limit, keeping what arrived, with its box shown before the completion.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <condition_variable>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <mutex>

#include "internet/DownloadBuffer.h"
#include "internet/Retrieval.h"
#include "internet/RetrievalMessages.h"
#include "internet/RetrievalProgressText.h"
#include "internet/UrlRules.h"
#include "support/LoopbackServers.h"

namespace quillory {
namespace {

TEST(UrlRulesTest, NetworkSchemesAsTypedLocalFilesRefusedTheRestIsTheWeb)
{
    EXPECT_EQ(normaliseUrl("HTTP://Example.org/A").url, "HTTP://Example.org/A");
    EXPECT_EQ(normaliseUrl("Https://example.org/").url, "Https://example.org/");
    EXPECT_EQ(normaliseUrl("fTp://host/file").url, "fTp://host/file");
    EXPECT_EQ(normaliseUrl("GOPHER://host/0/x").url, "GOPHER://host/0/x");
    EXPECT_EQ(normaliseUrl("example.org/Page").url, "http://example.org/Page");
    EXPECT_EQ(normaliseUrl("").url, "http://");
    EXPECT_EQ(normaliseUrl("telnet://host").url, "http://telnet://host");
    // Blanks around a pasted address go; blanks, controls and non-ASCII bytes after the host are
    // sent percent-encoded as UTF-8; the host is left to libcurl.
    EXPECT_EQ(normaliseUrl(" \t http://lead.blank\r\n").url, "http://lead.blank");
    EXPECT_EQ(normaliseUrl("\n file:///etc/passwd ").url, "");
    EXPECT_EQ(normaliseUrl("b\xC3\xBC"
                           "cher.example/a b/\xC3\xA9?q=1 2#f\x7F")
                  .url,
              "http://b\xC3\xBC"
              "cher.example/a%20b/%C3%A9?q=1%202#f%7F");
    EXPECT_EQ(normaliseUrl("ftp://host:21/already%20encoded%").url, "ftp://host:21/already%20encoded%");
    EXPECT_EQ(normaliseUrl("host?x y").url, "http://host?x%20y");
    EXPECT_EQ(normaliseUrl("   ").url, "http://");

    const UrlDecision file = normaliseUrl("FILE:///etc/passwd");
    EXPECT_TRUE(file.url.empty());
    ASSERT_TRUE(file.refusal.has_value());
    EXPECT_EQ(*file.refusal,
              (MessageBoxRequest{"Info:", kLocalFileText, MessageIcon::Information, MessageButtons::Ok}));

    EXPECT_EQ(retrievalProgressText(1234567, -1), "Received 1,234,567 bytes");
    EXPECT_EQ(retrievalProgressText(512, 2048), "Received 512 of 2,048 bytes (25%)");
}

// Records the worker's callbacks in the order they came.
struct CallbackLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> events;

    RetrievalCallbacks callbacks()
    {
        return {[this] { add("box"); }, [this] { add("completed"); }};
    }
    void add(const std::string& event)
    {
        std::lock_guard lock(mutex);
        events.push_back(event);
        changed.notify_all();
    }
    bool waitFor(std::size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return events.size() >= count; });
    }
};

TEST(RetrievalTest, DocumentOverTheLimitKeepsWhatArrivedAndItsBoxComesBeforeTheCompletion)
{
    if (!test::LoopbackServers::httpServerInstalled())
        GTEST_SKIP() << "lighttpd is not installed (the test command installs it)";
    test::LoopbackServers& servers = test::LoopbackServers::instance();
    std::string document;
    for (int i = 0; i < 20000; ++i)
        document += static_cast<char>(i * 7 % 256);
    servers.publish("limit.bin", document);
    ASSERT_NE(servers.httpPort(), 0);

    CallbackLog log;
    const std::string url = "http://127.0.0.1:" + std::to_string(servers.httpPort()) + "/limit.bin";
    const auto buffer = std::make_shared<DownloadBuffer>();
    const auto retrieval = Retrieval::start({url, {}, 10000}, buffer, log.callbacks());
    ASSERT_NE(retrieval, nullptr);
    ASSERT_TRUE(log.waitFor(1));
    // The worker waits on its box: nothing else has happened yet.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(log.events, std::vector<std::string>{"box"});
    const std::optional<MessageBoxRequest> box = retrieval->takePendingMessage();
    ASSERT_TRUE(box.has_value());
    ASSERT_EQ(box->caption, "Memory Error:");
    EXPECT_EQ(box->icon, MessageIcon::Exclamation);
    const std::string reasonStart = std::string(kPartialDownloadText) +
                                    "\nReason: the document is larger than the 10,000 bytes the editor can hold; "
                                    "the first ";
    EXPECT_EQ(box->text.rfind(reasonStart, 0), 0u) << box->text;
    EXPECT_FALSE(retrieval->takePendingMessage().has_value());
    retrieval->messageClosed();
    ASSERT_TRUE(log.waitFor(2));
    EXPECT_EQ(log.events, (std::vector<std::string>{"box", "completed"}));
    EXPECT_FALSE(retrieval->cancel());  // completed: nothing left to stop

    // Whole 4096-byte pieces up to the limit, a prefix of the document, a 0 after it.
    const std::string kept = buffer->contents();
    EXPECT_GT(kept.size(), 10000u - 4096u);
    EXPECT_LE(kept.size(), 10000u);
    EXPECT_EQ(kept, document.substr(0, kept.size()));
    const std::string thousands = std::to_string(kept.size() % 1000);
    EXPECT_EQ(box->text.substr(reasonStart.size()), std::to_string(kept.size() / 1000) + "," +
                                                        std::string(3 - thousands.size(), '0') + thousands +
                                                        " bytes were kept");
    EXPECT_TRUE(buffer->terminated());
}

TEST(RetrievalTest, ADocumentThatExactlyFillsTheLimitIsKeptWhole)
{
    if (!test::LoopbackServers::httpServerInstalled())
        GTEST_SKIP() << "lighttpd is not installed (the test command installs it)";
    test::LoopbackServers& servers = test::LoopbackServers::instance();
    // Its last piece is shorter than a read: the limit is reached by the very last byte.
    const std::string document(3 * 4096 + 100, 'f');
    servers.publish("fills.bin", document);
    ASSERT_NE(servers.httpPort(), 0);
    CallbackLog log;
    const std::string url = "http://127.0.0.1:" + std::to_string(servers.httpPort()) + "/fills.bin";
    const auto buffer = std::make_shared<DownloadBuffer>();
    const auto retrieval =
        Retrieval::start({url, {}, static_cast<std::int32_t>(document.size())}, buffer, log.callbacks());
    ASSERT_NE(retrieval, nullptr);
    ASSERT_TRUE(log.waitFor(1));
    EXPECT_EQ(log.events, std::vector<std::string>{"completed"});
    EXPECT_FALSE(retrieval->takePendingMessage().has_value());
    EXPECT_EQ(buffer->contents(), document);
    EXPECT_TRUE(buffer->terminated());
}

TEST(RetrievalTest, AServerThatAcceptsAndStaysSilentEndsAsAConnectionErrorAtTheIdleLimit)
{
    test::ScriptedServer silent(test::ScriptedServer::Behaviour::Silent, 0);
    ASSERT_NE(silent.port(), 0);
    CallbackLog log;
    const std::string url = "http://127.0.0.1:" + std::to_string(silent.port()) + "/never";
    RetrievalRequest request;
    request.url = url;
    request.idleTimeout = std::chrono::seconds(1);
    const auto retrieval = Retrieval::start(request, std::make_shared<DownloadBuffer>(), log.callbacks());
    ASSERT_NE(retrieval, nullptr);
    ASSERT_TRUE(log.waitFor(1));  // within the 5 s of waitFor, not the default 60
    const std::optional<MessageBoxRequest> box = retrieval->takePendingMessage();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(*box,
              (MessageBoxRequest{"Connection Error:", withReason(connectionErrorText(url), "no data for 1 second"),
                                 MessageIcon::Stop, MessageButtons::Ok}));
    retrieval->messageClosed();
    ASSERT_TRUE(log.waitFor(2));
    EXPECT_EQ(silent.connections(), 1);
}

// A loopback port whose listener never accepts and whose queue is full: a connection to it is
// never established (the system drops further attempts to connect).
class UnansweredPort {
public:
    UnansweredPort()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(m_listener, 0) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        for (int& filler : m_fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            static_cast<void>(::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_port = ntohs(address.sin_port);
    }
    ~UnansweredPort()
    {
        for (const int fd : m_fillers)
            ::close(fd);
        ::close(m_listener);
    }
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;
    int port() const { return m_port; }

private:
    int m_listener = -1;
    int m_fillers[3] = {-1, -1, -1};
    int m_port = 0;
};

TEST(RetrievalTest, AConnectionThatNeverOpensEndsAsAConnectionErrorAtTheConnectLimit)
{
    UnansweredPort unanswered;
    ASSERT_NE(unanswered.port(), 0);
    CallbackLog log;
    const std::string url = "http://127.0.0.1:" + std::to_string(unanswered.port()) + "/";
    RetrievalRequest request;
    request.url = url;
    request.connectTimeout = std::chrono::seconds(1);
    const auto retrieval = Retrieval::start(request, std::make_shared<DownloadBuffer>(), log.callbacks());
    ASSERT_NE(retrieval, nullptr);
    ASSERT_TRUE(log.waitFor(1));
    const std::optional<MessageBoxRequest> box = retrieval->takePendingMessage();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, withReason(connectionErrorText(url), "no connection within 1 second"));
    retrieval->messageClosed();
    ASSERT_TRUE(log.waitFor(2));
}

}  // namespace
}  // namespace quillory
