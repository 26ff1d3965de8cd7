// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CrashHandler.h"
#include "ChildProcess.h"
#include "TempDir.h"
#include "app/FeedbackReport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <csignal>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>

namespace quillo {
namespace {

using test::fileMode;
using test::readFile;
using test::splitLines;
using test::TempHome;
using test::writeFile;

// True when `text` has the shape of `pattern`, where '#' stands for one or more
// digits and every other character for itself (std::regex trips GCC 12's
// warnings in the sanitized build).
bool hasShape(std::string_view text, std::string_view pattern) {
    std::size_t t = 0;
    for (char p : pattern) {
        if (p == '#') {
            const std::size_t start = t;
            while (t < text.size() && text[t] >= '0' && text[t] <= '9') {
                ++t;
            }
            if (t == start) {
                return false;
            }
        } else if (t >= text.size() || text[t++] != p) {
            return false;
        }
    }
    return t == text.size();
}

std::vector<std::filesystem::path> reportsIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> reports;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        reports.push_back(entry.path());
    }
    return reports;
}

// Crashes leave no core files behind in the test's folder.
void noCoreFiles() {
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
}

// Runs crash_child and returns the signal that ended it (0: it exited).
int crashChild(const std::filesystem::path& folder, const std::filesystem::path& log,
               const std::string& how) {
    noCoreFiles();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(QUILLO_CRASH_CHILD, QUILLO_CRASH_CHILD, folder.c_str(), log.c_str(), how.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

std::string numberedLines(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) {
        text +=
            "{\"line\":" + std::to_string(i) + ",\"padding\":\"" + std::string(40, 'x') + "\"}\n";
    }
    return text;
}

TEST(CrashHandler, ReportOfAFaultHasTheTimeVersionSignalBacktraceAndTheLogsLastLines) {
    TempHome home;
    const auto folder = home.path() / "state/crashes";
    const auto log = home.path() / "diagnostic.log";
    // Longer than what the handler reads, so its first line arrives cut.
    writeFile(log, numberedLines(1, 400));

    struct Case {
        std::string how;
        int signal;
        std::string signalText;
    };
    for (const Case& c : {Case{"null", SIGSEGV, "Signal: 11 (SIGSEGV), code 1, address 0x10"},
                          Case{"abort", SIGABRT, "Signal: 6 (SIGABRT)"}}) {
        SCOPED_TRACE(c.how);
        std::filesystem::remove_all(folder);
        EXPECT_EQ(crashChild(folder, log, c.how), c.signal) << "the process still dies of it";

        const auto reports = reportsIn(folder);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_TRUE(hasShape(reports[0].filename().string(), "QuilloMac-#-#-#-#.crash"))
            << reports[0];
        EXPECT_EQ(fileMode(folder), 0700u);
        EXPECT_EQ(fileMode(reports[0]), 0600u);

        const auto lines = splitLines(readFile(reports[0]));
        ASSERT_GE(lines.size(), 30u);
        EXPECT_EQ(lines[0], "QuilloMac crashed");
        EXPECT_TRUE(hasShape(lines[1], "Time: #-#-# #:#:# UTC")) << lines[1];
        EXPECT_EQ(lines[2], "Version: v9.8.7 (65)");
        EXPECT_TRUE(lines[3].starts_with("Process: "));
        EXPECT_TRUE(lines[4].starts_with(c.signalText)) << lines[4];
        EXPECT_EQ(lines[6], "Backtrace:");
        const auto traceEnd = std::find(lines.begin() + 7, lines.end(), "");
        EXPECT_TRUE(std::any_of(lines.begin() + 7, traceEnd, [](const std::string& frame) {
            return frame.find("crash_child") != std::string::npos;
        })) << "the backtrace names the program's own frames";

        // The log's last 20 lines, whole and in order.
        const auto marker = std::find(lines.begin(), lines.end(),
                                      "Diagnostic log, last lines of " + log.string() + ":");
        ASSERT_NE(marker, lines.end());
        const std::vector<std::string> tail(marker + 1, lines.end());
        EXPECT_EQ(tail, splitLines(numberedLines(381, 400)));
    }
}

TEST(CrashHandler, StackOverflowIsReportedFromTheAlternateStack) {
    TempHome home;
    const auto folder = home.path() / "crashes";
    EXPECT_EQ(crashChild(folder, home.path() / "missing.log", "stack-overflow"), SIGSEGV);
    const auto reports = reportsIn(folder);
    ASSERT_EQ(reports.size(), 1u);
    const std::string report = readFile(reports[0]);
    EXPECT_NE(report.find("Signal: 11 (SIGSEGV)"), std::string::npos) << report;
    EXPECT_NE(report.find("Backtrace:\n"), std::string::npos);
    EXPECT_TRUE(report.ends_with("/missing.log:\n(none)\n")) << report;
}

// Asking for help, the version or the recorder's path, or mistyping a flag,
// only prints: nothing, not even the crash reports' folder, appears in the
// user's account.
TEST(CrashHandler, ModesThatOnlyPrintLeaveNothingBehind) {
    TempHome home;
    for (const std::vector<std::string>& flags :
         {std::vector<std::string>{"--version"}, {"--help"}, {"--no-such-flag"},
          {"--print-hook-path"}}) {
        std::vector<std::string> argv{QUILLO_MAC_BINARY};
        argv.insert(argv.end(), flags.begin(), flags.end());
        ChildProcess::Options options;
        options.timeLimit = std::chrono::seconds(60);
        options.extraEnvironment = home.environment();
        const auto result = ChildProcess::run(argv, options);
        EXPECT_TRUE(result.started && !result.timedOut) << flags[0];
        EXPECT_TRUE(std::filesystem::is_empty(home.path())) << flags[0] << " left "
            << std::filesystem::directory_iterator(home.path())->path();
    }
}

// The whole path end to end: a running monitor killed with SIGSEGV leaves a
// report that the feedback report then names.
TEST(CrashHandler, KilledMonitorLeavesAReportThatTheFeedbackReportNames) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    writeFile(home.appSupport() / "diagnostic.log", "{\"marker\":\"before the crash\"}\n");
    noCoreFiles();

    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QProcess monitor;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("QUILLO_TRANSPORT_PORT", "0");
    monitor.setProcessEnvironment(environment);
    monitor.start(QUILLO_MAC_BINARY, {"--headless"});
    ASSERT_TRUE(monitor.waitForStarted());
    // Once it watches the events file it is past start-up.
    std::string output;
    while (output.find("[quillo] watching") == std::string::npos) {
        ASSERT_TRUE(monitor.waitForReadyRead(60000)) << output;
        output += monitor.readAllStandardOutput().toStdString();
    }
    ::kill(static_cast<pid_t>(monitor.processId()), SIGSEGV);
    ASSERT_TRUE(monitor.waitForFinished(60000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::CrashExit);

    const auto folder = home.path() / ".local/state/quillo/crashes";
    EXPECT_EQ(CrashHandler::crashFolder(), folder);
    const auto reports = reportsIn(folder);
    ASSERT_EQ(reports.size(), 1u);
    const std::string report = readFile(reports[0]);
    EXPECT_NE(report.find("Version: " + FeedbackReport::versionString() + "\n"), std::string::npos)
        << report;
    EXPECT_NE(
        report.find("Signal: 11 (SIGSEGV), code 0, sent by process " + std::to_string(::getpid())),
        std::string::npos)
        << report;
    EXPECT_NE(report.find("{\"marker\":\"before the crash\"}\n"), std::string::npos) << report;

    const auto found = FeedbackReport::latestCrashReport();
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, reports[0]);
    EXPECT_EQ(FeedbackReport::bodyLines(found).back().toStdString(),
              "最近崩溃日志：" + reports[0].string());
}

} // namespace
} // namespace quillo
