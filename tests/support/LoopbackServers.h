#pragma once
// Real servers on loopback ports for the retrieval tests, started on first use and stopped with
// the test program: lighttpd for http and https (with a certificate made now by a test-only
// authority), pyftpdlib for ftp, pygopherd for gopher, and a small server of our own that sends
// a byte a second or nothing at all. Every server serves the same folder.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "support/TempDir.h"

namespace quillory::test {

// A loopback port nobody listens on right now.
int freeLoopbackPort();

// A program run in the background, ended (and reaped) when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& logPath);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

// A server that answers every connection after reading its request: Trickle sends an HTTP header
// announcing `length` bytes, then one byte a second; Silent sends nothing and keeps the line open;
// Reply sends the given bytes (a whole HTTP response, or part of one) and closes the connection.
class ScriptedServer {
public:
    enum class Behaviour { Trickle, Silent, Reply };
    ScriptedServer(Behaviour behaviour, int length);
    explicit ScriptedServer(std::string reply);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;
    int port() const { return m_port; }
    // Connections accepted so far.
    int connections() const;
    // The first line of the last request received ("GET /path HTTP/1.1").
    std::string lastRequestLine() const;

private:
    void serve();
    void answer(int client);

    void start();

    Behaviour m_behaviour;
    int m_length;
    std::string m_reply;
    mutable std::mutex m_requestMutex;
    std::string m_lastRequestLine;  // guarded by m_requestMutex
    int m_listener = -1;
    int m_port = 0;
    int m_stopPipe[2] = {-1, -1};  // written to stop the serving thread
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

class LoopbackServers {
public:
    // The servers of this test program; each starts when first asked for. A server that cannot
    // start fails the test that asked (port 0).
    static LoopbackServers& instance();
    // Whether the http server program is on this machine (the test command installs it; a machine
    // set up for the core alone may lack it).
    static bool httpServerInstalled();

    const TempDir& folder() const { return m_folder; }
    // Writes a document the servers serve under /name.
    std::string publish(const std::string& name, const std::string& bytes) const;

    int httpPort();
    int httpsPort();
    int ftpPort();
    int gopherPort();
    // The authority that signed the https server's certificate (a PEM file).
    std::string certificateAuthority();

private:
    LoopbackServers();
    bool makeCertificates();
    int startLighttpd(bool secure);

    TempDir m_folder;  // root/ is served; the rest is configuration and logs
    std::vector<std::unique_ptr<ChildProcess>> m_processes;
    int m_http = 0;
    int m_https = 0;
    int m_ftp = 0;
    int m_gopher = 0;
    bool m_certificates = false;
};

}  // namespace quillory::test
