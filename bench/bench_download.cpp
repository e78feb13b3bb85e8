// Retrieval as a user meets it, offscreen: a large document from a loopback lighttpd through the
// real URL bar, against `curl -s -o /dev/null` on the same URL in the same run; the interface's
// answer to keys typed during the transfer; peak memory; Stop in the middle of the transfer and
// how soon a new Retrieve receives its first bytes; the first download of the process against
// `curl -s -o FILE` into a tmpfs, optionally after the page cache was filled (the usual state of a
// desktop, where fresh memory is slow to come by). Prints the figures.
//
// usage: bench_download [size in MB] [--fill-cache GB]

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "app/UrlBar.h"
#include "base/FileDialogs.h"
#include "bench/BenchSupport.h"
#include "internet/DownloadBuffer.h"
#include "internet/Retrieval.h"
#include "support/LoopbackServers.h"
#include "controllers/DownloadsController.h"
#include "view/QuilloryView.h"

extern char** environ;

using namespace quillory;

namespace {

double msSince(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Wall time of `curl -s -o output url`, in ms.
double curlMs(const std::string& url, const std::string& output = "/dev/null")
{
    std::vector<std::string> argv{"/usr/bin/curl", "-s", "-o", output, url};
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (std::string& arg : argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = -1;
    if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return msSince(clock);
}

// Watches the event loop during a transfer: every 20 ms a key goes to the editor; the time from
// when the timer was due until the key was handled is the interface's answer.
class LatencyProbe {
public:
    explicit LatencyProbe(QWidget* editor) : m_editor(editor)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        m_worst = 0;
        m_keys = 0;
        m_clock.start();
        m_due = kIntervalMs;
        m_timer.start(kIntervalMs);
    }
    void stop() { m_timer.stop(); }
    double worstMs() const { return m_worst; }
    int keys() const { return m_keys; }

private:
    static constexpr int kIntervalMs = 20;  // a key 50 times a second, faster than key repeat
    void tick()
    {
        QTest::keyClick(m_editor, Qt::Key_Right);
        const double now = msSince(m_clock);
        m_worst = std::max(m_worst, now - m_due);
        m_due = now + kIntervalMs;
        ++m_keys;
    }
    QWidget* m_editor;
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_due = 0;
    double m_worst = 0;
    int m_keys = 0;
};

// Fills the page cache with gigabytes of a file written and read back in folder; the file is
// removed when the object goes (its cached pages with it).
class PageCacheFiller {
public:
    PageCacheFiller(const std::string& folder, std::size_t gigabytes) : m_path(folder + "/page-cache-filler.bin")
    {
        if (gigabytes == 0)
            return;
        std::vector<char> chunk(64 << 20, 'c');
        FILE* file = std::fopen(m_path.c_str(), "wb");
        for (std::size_t i = 0; file != nullptr && i < gigabytes * 16; ++i)
            std::fwrite(chunk.data(), 1, chunk.size(), file);
        if (file != nullptr)
            std::fclose(file);
        file = std::fopen(m_path.c_str(), "rb");
        while (file != nullptr && std::fread(chunk.data(), 1, chunk.size(), file) == chunk.size()) {
        }
        if (file != nullptr)
            std::fclose(file);
        std::printf("page cache filled with %zu GB\n", gigabytes);
    }
    ~PageCacheFiller() { std::remove(m_path.c_str()); }

private:
    std::string m_path;
};

// What the command line asks for.
struct Options {
    std::size_t sizeMb = 200;
    std::size_t fillGb = 0;
};

Options parseOptions(int argc, char** argv)
{
    Options options;
    options.sizeMb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--fill-cache")
            options.fillGb = std::strtoul(argv[i + 1], nullptr, 10);
    return options;
}

// Written a megabyte at a time, so that the document never sits in this process's memory.
void publishBigDocument(test::LoopbackServers& servers, std::size_t sizeMb)
{
    std::string megabyte(1 << 20, 'x');
    for (std::size_t i = 0; i < megabyte.size(); i += 1021)
        megabyte[i] = static_cast<char>(i % 256);
    FILE* file = std::fopen(servers.publish("big.bin", "").c_str(), "wb");
    for (std::size_t i = 0; i < sizeMb; ++i)
        std::fwrite(megabyte.data(), 1, megabyte.size(), file);
    std::fclose(file);
}

// curl writing into a tmpfs file three times: the document lands in fresh memory, as the editor's
// does. Prints the times and returns them sorted.
std::vector<double> curlIntoTmpfs(const std::string& url, const std::string& shmFile)
{
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        times.push_back(curlMs(url, shmFile));
        std::remove(shmFile.c_str());
    }
    std::printf("curl -s -o %s: %.0f, %.0f, %.0f ms\n", shmFile.c_str(), times[0], times[1], times[2]);
    std::sort(times.begin(), times.end());
    return times;
}

// The parts of the editor a benchmark drives.
struct Editor {
    UrlBar& bar;
    const DownloadsController& downloads;
    QWidget* control;
};

Editor editorOf(MainFrame& frame)
{
    auto* view = dynamic_cast<QuilloryView*>(frame.activeView());
    return Editor{*frame.urlBar(), *view->findChild<DownloadsController*>(), &view->control()};
}

// What the three rounds of curl against the editor measured.
struct Rounds {
    std::vector<double> curlTimes;
    std::vector<double> ourTimes;
    double worstKeyMs = 0;
    int keys = 0;
    std::int32_t received = 0;
};

// Three rounds, each curl then the editor, so that both meet the same load of the machine. The
// first round also pays for memory the system hands out for the first time.
Rounds runRounds(const Editor& editor, const std::string& url)
{
    LatencyProbe probe(editor.control);
    Rounds rounds;
    for (int round = 0; round < 3; ++round) {
        rounds.curlTimes.push_back(curlMs(url));
        QElapsedTimer clock;
        clock.start();
        probe.start();
        QTest::mouseClick(editor.bar.retrieveButton(), Qt::LeftButton);
        double firstByte = -1;
        while (editor.downloads.retrieving()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const std::int32_t arrived = editor.downloads.buffer().length();
            if (firstByte < 0 && arrived > 0 && arrived < 100000000)
                firstByte = msSince(clock);
        }
        rounds.ourTimes.push_back(msSince(clock));
        std::printf("round %d: curl %.0f ms; the editor's first bytes after %.0f ms, complete after %.0f ms\n", round,
                    rounds.curlTimes.back(), firstByte, rounds.ourTimes.back());
        probe.stop();
        rounds.worstKeyMs = std::max(rounds.worstKeyMs, probe.worstMs());
        rounds.keys += probe.keys();
        rounds.received = editor.downloads.buffer().length();
    }
    return rounds;
}

void printRounds(Rounds rounds, const std::vector<double>& curlShmTimes, const std::string& shmFile, std::size_t sizeMb,
                 double idleMb)
{
    const double firstMs = rounds.ourTimes.front();
    std::vector<double>& curlTimes = rounds.curlTimes;
    std::vector<double>& ourTimes = rounds.ourTimes;
    std::sort(curlTimes.begin(), curlTimes.end());
    std::sort(ourTimes.begin(), ourTimes.end());
    std::printf("first download of the process: %.0f ms; curl -s -o %s, best of 3: %.0f ms; ratio %.2f (limit 1.30)\n",
                firstMs, shmFile.c_str(), curlShmTimes.front(), firstMs / curlShmTimes.front());
    std::printf("%zu MB over loopback http, median of 3: %.0f ms (%.0f-%.0f); curl -s -o /dev/null: %.0f ms "
                "(%.0f-%.0f); ratio %.2f (limit 1.30)\n",
                sizeMb, ourTimes[1], ourTimes[0], ourTimes[2], curlTimes[1], curlTimes[0], curlTimes[2],
                ourTimes[1] / curlTimes[1]);
    std::printf("received %d bytes of %zu\n", rounds.received, sizeMb << 20);
    std::printf("keys typed in the editor during the transfers: %d, worst answer %.1f ms (limit 50 ms)\n", rounds.keys,
                rounds.worstKeyMs);
    std::printf("peak memory: %.0f MB; idle before %.0f MB; limit 1.1 x %zu + idle = %.0f MB\n", bench::peakMegabytes(),
                idleMb, sizeMb, 1.1 * static_cast<double>(sizeMb) + idleMb);
}

// Stop in the middle, then retrieve again at once; prints how long each took.
void stopHalfWayAndRetrieveAgain(const Editor& editor, std::size_t sizeMb)
{
    QElapsedTimer clock;
    QTest::mouseClick(editor.bar.retrieveButton(), Qt::LeftButton);
    const std::int64_t half = static_cast<std::int64_t>(sizeMb << 19);
    for (;;) {
        QApplication::processEvents();
        if (editor.downloads.buffer().length() >= half)
            break;
    }
    clock.restart();
    QTest::mouseClick(editor.bar.stopButton(), Qt::LeftButton);
    const double stopMs = msSince(clock);
    clock.restart();
    QTest::mouseClick(editor.bar.retrieveButton(), Qt::LeftButton);
    for (;;) {
        QApplication::processEvents();
        if (editor.downloads.buffer().length() > 0)
            break;
    }
    const double reconnectMs = msSince(clock);
    std::printf("Stop half-way through: %.2f ms (limit 50 ms); the next Retrieve's first bytes after %.1f ms "
                "(limit 500 ms)\n",
                stopMs, reconnectMs);
    while (editor.downloads.retrieving())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parseOptions(argc, argv);
    for (const char* proxy : {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy"})
        ::unsetenv(proxy);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    test::LoopbackServers& servers = test::LoopbackServers::instance();
    publishBigDocument(servers, options.sizeMb);
    if (servers.httpPort() == 0) {
        std::fprintf(stderr, "lighttpd did not start\n");
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(servers.httpPort()) + "/big.bin";
    curlMs(url);  // the file into the page cache
    const PageCacheFiller filler(servers.folder().path(), options.fillGb);
    const std::string shmFile = "/dev/shm/quillory-bench-download";
    const std::vector<double> curlShmTimes = curlIntoTmpfs(url, shmFile);

    bench::PrintedMessageBoxes boxes;
    bench::NoDialogs dialogs;
    bench::NoFileDialogs fileDialogs;
    QuilloryApp app(boxes);
    app.setViewFactory(editorViewFactory(app, boxes, dialogs, fileDialogs, servers.folder().file("Quillory.dat")));
    if (!app.initInstance(""))
        return 1;
    const Editor editor = editorOf(*app.mainFrame());
    QTest::keyClicks(editor.control, "typed");  // a document in the editor: the download is kept in memory
    QApplication::processEvents();
    const double idleMb = bench::peakMegabytes();
    editor.bar.urlEdit()->setText(QString::fromStdString(url));

    printRounds(runRounds(editor, url), curlShmTimes, shmFile, options.sizeMb, idleMb);
    stopHalfWayAndRetrieveAgain(editor, options.sizeMb);
    std::printf("workers ended: %s\n", waitForRetrievalWorkers(std::chrono::seconds(1)) ? "yes" : "no");
    return 0;
}
