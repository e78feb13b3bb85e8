#pragma once
// The journal victim (JournalVictim.cpp) as a child process: commands go to its standard input,
// its answers come back a line at a time, with a time limit, and SIGKILL ends it at any moment.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillory::test {

class VictimProcess {
public:
    explicit VictimProcess(const std::vector<std::string>& arguments)
    {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(QUILLORY_JOURNAL_VICTIM));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::execv(QUILLORY_JOURNAL_VICTIM, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~VictimProcess()
    {
        if (m_pid > 0 && !m_finished) {
            kill();
            finish();
        }
        if (m_in >= 0)
            ::close(m_in);
        if (m_out >= 0)
            ::close(m_out);
    }
    VictimProcess(const VictimProcess&) = delete;
    VictimProcess& operator=(const VictimProcess&) = delete;

    bool send(const std::string& line)
    {
        const std::string whole = line + '\n';
        return ::write(m_in, whole.data(), whole.size()) == static_cast<ssize_t>(whole.size());
    }
    // The next line it writes, without its line break; false at its end or after the time limit.
    bool readLine(std::string& line, std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        line.clear();
        while (true) {
            const std::size_t end = m_pending.find('\n');
            if (end != std::string::npos) {
                line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                return true;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd ready{m_out, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char buffer[4096];
            const ssize_t got = ::read(m_out, buffer, sizeof buffer);
            if (got <= 0)
                return false;
            m_pending.append(buffer, static_cast<std::size_t>(got));
        }
    }
    // Every line until it ends (or the time limit).
    std::vector<std::string> readAllLines(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        std::vector<std::string> lines;
        std::string line;
        while (readLine(line, limit))
            lines.push_back(line);
        return lines;
    }
    void kill() const { ::kill(m_pid, SIGKILL); }
    void closeInput()
    {
        ::close(m_in);
        m_in = -1;
    }
    // The exit status, or minus the signal that ended it.
    int finish()
    {
        if (!m_finished && ::waitpid(m_pid, &m_status, 0) != m_pid)
            return -1000;
        m_finished = true;
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -WTERMSIG(m_status);
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    int m_status = 0;
    bool m_finished = false;
    std::string m_pending;
};

}  // namespace quillory::test
