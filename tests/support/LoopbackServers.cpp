#include "support/LoopbackServers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillory::test {

namespace {

constexpr const char* kLighttpd = "/usr/sbin/lighttpd";

using Clock = std::chrono::steady_clock;

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A listening socket on a loopback port the system chose; -1 on failure.
int listenOnLoopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// Whether something accepts connections on the port within the time.
bool waitForListener(int port, std::chrono::milliseconds timeout)
{
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = loopback(port);
        const bool accepted = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (accepted)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Runs a command to its end; true when it exited with 0.
bool runToEnd(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return failed == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Redirect rules /hop1 -> /text.txt and /hopN -> /hop(N-1) up to /hop11: /hopN takes N redirects.
std::string redirectChain()
{
    std::string rules = ", \"^/hop1$\" => \"/text.txt\"";
    for (int hop = 2; hop <= 11; ++hop)
        rules += ", \"^/hop" + std::to_string(hop) + "$\" => \"/hop" + std::to_string(hop - 1) + "\"";
    return rules;
}

}  // namespace

int freeLoopbackPort()
{
    int port = 0;
    const int fd = listenOnLoopback(port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& logPath)
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // Its own process group, so that stopping it also stops the children a server forks.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (::posix_spawn(&m_pid, args[0], &actions, &attributes, args.data(), environ) != 0)
        m_pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess()
{
    if (m_pid <= 0)
        return;
    ::kill(-m_pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-m_pid, SIGKILL);
    ::waitpid(m_pid, &status, 0);
}

ScriptedServer::ScriptedServer(Behaviour behaviour, int length) : m_behaviour(behaviour), m_length(length)
{
    start();
}

ScriptedServer::ScriptedServer(std::string reply)
    : m_behaviour(Behaviour::Reply), m_length(0), m_reply(std::move(reply))
{
    start();
}

void ScriptedServer::start()
{
    m_listener = listenOnLoopback(m_port);
    if (m_listener < 0 || ::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        m_port = 0;
        return;
    }
    m_thread = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer()
{
    if (m_thread.joinable()) {
        const char stop = 1;
        static_cast<void>(::write(m_stopPipe[1], &stop, 1));
        m_thread.join();
    }
    for (const int fd : {m_listener, m_stopPipe[0], m_stopPipe[1]})
        if (fd >= 0)
            ::close(fd);
}

int ScriptedServer::connections() const
{
    return m_connections.load();
}

std::string ScriptedServer::lastRequestLine() const
{
    std::lock_guard lock(m_requestMutex);
    return m_lastRequestLine;
}

void ScriptedServer::serve()
{
    // One thread serves every connection: each gets its next byte once a second.
    struct Client {
        int fd;
        int sent;
        Clock::time_point next;
    };
    std::vector<Client> clients;
    for (;;) {
        std::vector<pollfd> watched{{m_stopPipe[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        ::poll(watched.data(), watched.size(), 50);
        if (watched[0].revents != 0)
            break;
        if (watched[1].revents != 0) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                ++m_connections;
                char request[4096];
                const ssize_t got = ::recv(client, request, sizeof request, 0);
                {
                    const std::string text(request, got > 0 ? static_cast<std::size_t>(got) : 0);
                    std::lock_guard lock(m_requestMutex);
                    m_lastRequestLine = text.substr(0, text.find("\r\n"));
                }
                if (m_behaviour == Behaviour::Reply) {
                    for (std::size_t sent = 0; sent < m_reply.size();) {
                        const ssize_t put = ::send(client, m_reply.data() + sent, m_reply.size() - sent, MSG_NOSIGNAL);
                        if (put <= 0)
                            break;
                        sent += static_cast<std::size_t>(put);
                    }
                    ::close(client);
                    continue;
                }
                if (m_behaviour == Behaviour::Trickle) {
                    const std::string header = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                               "Content-Length: " +
                                               std::to_string(m_length) + "\r\n\r\n";
                    static_cast<void>(::send(client, header.data(), header.size(), MSG_NOSIGNAL));
                }
                clients.push_back({client, 0, Clock::now()});
            }
        }
        for (Client& client : clients) {
            if (m_behaviour != Behaviour::Trickle || client.fd < 0 || Clock::now() < client.next)
                continue;
            const char byte = static_cast<char>('a' + client.sent % 26);
            if (client.sent >= m_length || ::send(client.fd, &byte, 1, MSG_NOSIGNAL) != 1) {
                ::close(client.fd);
                client.fd = -1;
                continue;
            }
            ++client.sent;
            client.next += std::chrono::seconds(1);
        }
    }
    for (const Client& client : clients)
        if (client.fd >= 0)
            ::close(client.fd);
}

LoopbackServers& LoopbackServers::instance()
{
    static LoopbackServers servers;
    return servers;
}

bool LoopbackServers::httpServerInstalled()
{
    return ::access(kLighttpd, X_OK) == 0;
}

LoopbackServers::LoopbackServers()
{
    std::filesystem::create_directory(m_folder.file("root"));
}

std::string LoopbackServers::publish(const std::string& name, const std::string& bytes) const
{
    std::string path = m_folder.file("root/" + name);
    writeText(path, bytes);
    return path;
}

bool LoopbackServers::makeCertificates()
{
    if (m_certificates)
        return true;
    const std::string dir = m_folder.path() + "/";
    writeText(dir + "server.ext", "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n");
    const std::string openssl = "/usr/bin/openssl";
    m_certificates =
        runToEnd({openssl, "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                  "-keyout", dir + "ca.key", "-out", dir + "ca.pem", "-days", "2", "-subj", "/CN=Quillory Test CA"}) &&
        runToEnd({openssl, "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                  dir + "server.key", "-out", dir + "server.csr", "-subj", "/CN=127.0.0.1"}) &&
        runToEnd({openssl, "x509", "-req", "-in", dir + "server.csr", "-CA", dir + "ca.pem", "-CAkey", dir + "ca.key",
                  "-CAcreateserial", "-out", dir + "server.crt", "-days", "2", "-extfile", dir + "server.ext"});
    return m_certificates;
}

std::string LoopbackServers::certificateAuthority()
{
    return makeCertificates() ? m_folder.file("ca.pem") : std::string();
}

int LoopbackServers::startLighttpd(bool secure)
{
    if (secure && !makeCertificates())
        return 0;
    const int port = freeLoopbackPort();
    const std::string name = secure ? "https" : "http";
    const std::string config = m_folder.file(name + ".conf");
    std::string text = "server.document-root = \"" + m_folder.file("root") + "\"\n" +
                       "server.port = " + std::to_string(port) + "\n" +
                       "server.bind = \"127.0.0.1\"\n"
                       "server.errorlog = \"" +
                       m_folder.file(name + ".log") +
                       "\"\n"
                       "server.modules += (\"mod_redirect\")\n"
                       "mimetype.assign = (\".txt\" => \"text/plain\", \"\" => \"application/octet-stream\")\n"
                       "url.redirect = (\"^/moved$\" => \"/text.txt\", \"^/to-file$\" => \"file:///etc/hostname\"" +
                       redirectChain() + ")\n";
    if (secure) {
        text += "server.modules += (\"mod_openssl\")\nssl.engine = \"enable\"\n"
                "ssl.pemfile = \"" +
                m_folder.file("server.crt") +
                "\"\n"
                "ssl.privkey = \"" +
                m_folder.file("server.key") + "\"\n";
    }
    writeText(config, text);
    m_processes.push_back(std::make_unique<ChildProcess>(std::vector<std::string>{kLighttpd, "-D", "-f", config},
                                                         m_folder.file(name + ".out")));
    return waitForListener(port, std::chrono::seconds(5)) ? port : 0;
}

int LoopbackServers::httpPort()
{
    if (m_http == 0)
        m_http = startLighttpd(false);
    return m_http;
}

int LoopbackServers::httpsPort()
{
    if (m_https == 0)
        m_https = startLighttpd(true);
    return m_https;
}

int LoopbackServers::ftpPort()
{
    if (m_ftp != 0)
        return m_ftp;
    const int port = freeLoopbackPort();
    m_processes.push_back(std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", std::to_string(port),
                                 "-d", m_folder.file("root")},
        m_folder.file("ftp.out")));
    m_ftp = waitForListener(port, std::chrono::seconds(5)) ? port : 0;
    return m_ftp;
}

int LoopbackServers::gopherPort()
{
    if (m_gopher != 0)
        return m_gopher;
    // Debian's configuration with our port, folder and no chroot, syslog or pid file.
    std::ifstream in("/etc/pygopherd/pygopherd.conf");
    const int port = freeLoopbackPort();
    std::string config;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("port = ", 0) == 0)
            line = "port = " + std::to_string(port);
        else if (line.rfind("interface = ", 0) == 0)
            continue;
        else if (line.rfind("usechroot = ", 0) == 0)
            line = "usechroot = no";
        else if (line.rfind("root = ", 0) == 0)
            line = "root = " + m_folder.file("root");
        else if (line.rfind("pidfile = ", 0) == 0)
            line = "pidfile = " + m_folder.file("gopher.pid");
        else if (line.rfind("logmethod = ", 0) == 0)
            line = "logmethod = none";
        else if (line.rfind("detach = ", 0) == 0)
            line = "detach = no";
        config += line + "\n";
        if (line == "[pygopherd]")
            config += "interface = 127.0.0.1\n";
    }
    writeText(m_folder.file("gopher.conf"), config);
    m_processes.push_back(std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/sbin/pygopherd", m_folder.file("gopher.conf")}, m_folder.file("gopher.out")));
    m_gopher = waitForListener(port, std::chrono::seconds(5)) ? port : 0;
    return m_gopher;
}

}  // namespace quillory::test
