// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder as Claude Code runs it: the real binary, real files, a private home.
#include "HookEnvelope.h"
#include "ProcessChain.h"
#include "Recorder.h"
#include "RunRecorder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillo {
namespace {

using namespace test;
using nlohmann::json;

std::vector<json> envelopes(const std::filesystem::path& file) {
    std::vector<json> result;
    for (const auto& line : splitLines(readFile(file))) {
        result.push_back(json::parse(line));
    }
    return result;
}

void expectSilentSuccess(const ChildProcess::Result& result) {
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(result.standardError, "");
}

TEST(Recorder, AppendsOneEnvelopeWithWhatItLearnedAboutItsCaller) {
    TempHome home;
    auto result =
        runRecorder(home, R"({"hook_event_name":"Stop","session_id":"s1","cwd":"/tmp/x"})");
    expectSilentSuccess(result);

    EXPECT_EQ(fileMode(home.appSupport()), 0700u);
    EXPECT_EQ(fileMode(home.eventsFile()), 0600u);
    auto text = readFile(home.eventsFile());
    EXPECT_NE(text.find(R"("cwd":"\/tmp\/x")"), std::string::npos) << text;
    auto lines = envelopes(home.eventsFile());
    ASSERT_EQ(lines.size(), 1u);
    const json& line = lines[0];
    EXPECT_EQ(line["raw"],
              json::parse(R"({"hook_event_name":"Stop","session_id":"s1","cwd":"/tmp/x"})"));
    EXPECT_EQ(line["claude_pid"], getpid()) << "the test process is the caller";
    ASSERT_TRUE(line["pid_chain"].is_array());
    EXPECT_EQ(line["pid_chain"][0], getpid());
    EXPECT_EQ(line["pid_chain"][1], getppid());
    EXPECT_NEAR(line["recorded_at"].get<double>(), secondsSince1970(now()), 60);
    if (auto tty = ProcessChain::ttyName(getpid())) {
        EXPECT_EQ(line["shell_tty"], *tty);
    } else {
        EXPECT_FALSE(line.contains("shell_tty"));
    }
    EXPECT_FALSE(std::filesystem::exists(home.appSupport() / "hook.debug.log"));
}

TEST(Recorder, RecordsEveryRealisticEventSoTheMonitorCanReadIt) {
    TempHome home;
    const std::vector<std::string> fixtures = {"hook-session-start.json",
                                               "hook-user-prompt-submit.json",
                                               "hook-pre-tool-use-large-write.json",
                                               "hook-notification-permission-prompt.json",
                                               "hook-stop.json",
                                               "hook-notification-idle-prompt.json",
                                               "hook-session-end.json"};
    for (const auto& name : fixtures) {
        expectSilentSuccess(runRecorder(home, testData(name)));
    }
    auto lines = splitLines(readFile(home.eventsFile()));
    ASSERT_EQ(lines.size(), fixtures.size());
    for (std::size_t i = 0; i < fixtures.size(); ++i) {
        auto payload = json::parse(testData(fixtures[i]));
        EXPECT_EQ(json::parse(lines[i])["raw"], payload) << fixtures[i];
        auto event = HookEnvelope::parseLine(lines[i]);
        ASSERT_TRUE(event) << fixtures[i];
        EXPECT_EQ(event->eventName, payload["hook_event_name"]);
        EXPECT_EQ(event->sessionId, "7f3b9c2e-5d41-4e8a-9b6f-0c2d1e4a8b73");
        EXPECT_EQ(event->claudePID, getpid());
    }
    EXPECT_EQ(HookEnvelope::parseLine(lines[3])->notificationType, "permission_prompt");
}

TEST(Recorder, RecordsInputThatIsNotAnObjectWithoutComplaint) {
    struct Case {
        std::string input;
        json raw;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"hello, not json\n", "hello, not json\n"},
        {"\xff\xfe invalid utf-8", ""},
        {R"("a bare string")", "a bare string"},
        {"  42 \n", 42},
        {"null", nullptr},
        {R"({"unterminated": )", R"({"unterminated": )"},
    };
    TempHome home;
    for (const auto& c : cases) {
        expectSilentSuccess(runRecorder(home, c.input));
    }
    auto lines = envelopes(home.eventsFile());
    ASSERT_EQ(lines.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(lines[i]["raw"], cases[i].raw) << "input " << i;
    }
}

// Payloads Claude Code really sends: a string cut inside a surrogate pair, as
// JavaScript writes it, and members nested deeper than the envelope may hold
// (200,000 levels once crashed the recorder). The event arrives all the same,
// with its top-level members.
TEST(Recorder, KeepsEventsWithUnpairedSurrogatesOrDeepNesting) {
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    const std::vector<std::string> inputs = {
        R"({"hook_event_name":"Stop","session_id":"cut","message":"half \ud83d"})",
        R"({"hook_event_name":"Stop","session_id":"deep","tool_input":)" + nested(600) + "}",
        R"({"hook_event_name":"Stop","session_id":"deeper","x":)" + nested(200'000) + "}",
    };
    TempHome home;
    for (const auto& input : inputs) {
        expectSilentSuccess(runRecorder(home, input));
    }
    auto lines = splitLines(readFile(home.eventsFile()));
    ASSERT_EQ(lines.size(), inputs.size());
    std::vector<std::string> sessions;
    for (const auto& line : lines) {
        auto event = HookEnvelope::parseLine(line);
        ASSERT_TRUE(event) << line.substr(0, 200);
        EXPECT_EQ(event->eventName, "Stop");
        sessions.push_back(event->sessionId);
    }
    EXPECT_EQ(sessions, (std::vector<std::string>{"cut", "deep", "deeper"}));
    EXPECT_EQ(HookEnvelope::parseLine(lines[0])->message, "half \xef\xbf\xbd");
}

TEST(Recorder, RecordsAPayloadOfSeveralMebibytesWhole) {
    TempHome home;
    std::string content;
    while (content.size() < 6 * 1024 * 1024) {
        content += "line of a large file / with \"quotes\" and \\ and 中文\n";
    }
    json payload = {{"hook_event_name", "PreToolUse"},
                    {"session_id", "big"},
                    {"tool_name", "Write"},
                    {"tool_input", {{"file_path", "/tmp/big.txt"}, {"content", content}}}};
    expectSilentSuccess(runRecorder(home, payload.dump()));
    auto lines = envelopes(home.eventsFile());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["raw"], payload);
}

TEST(Recorder, DebugCopyOnlyWhenQuilloDebugIsExactlyOne) {
    TempHome home;
    auto debugLog = home.appSupport() / "hook.debug.log";
    for (const char* value : {"true", "01", "yes", ""}) {
        runRecorder(home, R"({"n":1})", {std::string("QUILLO_DEBUG=") + value});
    }
    EXPECT_FALSE(std::filesystem::exists(debugLog));
    expectSilentSuccess(runRecorder(home, R"({"n":2})", {"QUILLO_DEBUG=1"}));
    auto events = splitLines(readFile(home.eventsFile()));
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(readFile(debugLog), events.back() + "\n");
    EXPECT_EQ(fileMode(debugLog), 0600u);
}

TEST(Recorder, RepairsModesAndStaysSilentWhenItCannotWrite) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    std::filesystem::permissions(home.appSupport(), std::filesystem::perms(0755));
    writeFile(home.eventsFile(), "");
    ::chmod(home.eventsFile().c_str(), 0644);
    expectSilentSuccess(runRecorder(home, "{}"));
    EXPECT_EQ(fileMode(home.appSupport()), 0700u);
    EXPECT_EQ(fileMode(home.eventsFile()), 0600u);

    // A plain file where the folder should be: nothing can be written.
    TempHome blocked;
    std::filesystem::create_directories(blocked.appSupport().parent_path());
    writeFile(blocked.appSupport(), "in the way");
    expectSilentSuccess(runRecorder(blocked, "{}"));
    EXPECT_EQ(readFile(blocked.appSupport()), "in the way");
}

// Whether a process other than this one holds `path` open.
bool openElsewhere(const std::filesystem::path& path) {
    const std::string self = std::to_string(::getpid());
    std::error_code ec;
    for (const auto& process : std::filesystem::directory_iterator("/proc", ec)) {
        auto name = process.path().filename().string();
        if (name == self || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code listError;
        for (const auto& fd :
             std::filesystem::directory_iterator(process.path() / "fd", listError)) {
            std::error_code linkError;
            if (std::filesystem::read_symlink(fd.path(), linkError) == path) {
                return true;
            }
        }
    }
    return false;
}

// The monitor moves the events file aside and then reads the copy under its
// lock, for seconds when the backlog is large. A recorder that opened the file
// just before the move must neither wait for that nor write into the copy,
// which is deleted once read: its line goes to the new events file at once.
TEST(Recorder, OneThatOpenedTheFileBeforeTheMonitorMovedItWritesToTheNewFile) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    writeFile(home.eventsFile(), "backlog\n");
    const auto copy = home.appSupport() / "events.processing.1.jsonl";
    int consumer = ::open(home.eventsFile().c_str(), O_RDWR);
    ASSERT_EQ(::flock(consumer, LOCK_EX), 0);

    auto recorder = std::async(std::launch::async, [&] {
        return runRecorder(home, R"({"hook_event_name":"SessionEnd","session_id":"late"})");
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!openElsewhere(home.eventsFile()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The recorder has the file open and waits for the lock: move it aside,
    // keeping the copy locked as the consumer does while it reads.
    std::filesystem::rename(home.eventsFile(), copy);
    auto result = recorder.get();
    ::close(consumer);

    expectSilentSuccess(result);
    EXPECT_EQ(readFile(copy), "backlog\n");
    auto lines = splitLines(readFile(home.eventsFile()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(HookEnvelope::parseLine(lines[0])->sessionId, "late");
}

// Something that is not a regular file at the events file's place (a FIFO
// left by a tool, a device) must neither hang the recorder, which would hold
// up Claude Code until its hook time-out, nor receive the line.
TEST(Recorder, RefusesAFifoAtTheEventsFileWithoutHanging) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    ASSERT_EQ(::mkfifo(home.eventsFile().c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((home.appSupport() / "hook.debug.log").c_str(), 0600), 0);
    auto env = home.environment();
    env.push_back("QUILLO_DEBUG=1");
    auto result = ChildProcess::run(
        {QUILLO_HOOK_BINARY},
        {.timeLimit = std::chrono::seconds(20), .standardInput = "{}", .extraEnvironment = env});
    EXPECT_FALSE(result.timedOut);
    EXPECT_TRUE(result.succeeded());

    // With a reader on the FIFO the open succeeds, and the type check refuses.
    int reader = ::open(home.eventsFile().c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    result = ChildProcess::run(
        {QUILLO_HOOK_BINARY},
        {.timeLimit = std::chrono::seconds(20), .standardInput = "{}", .extraEnvironment = env});
    EXPECT_TRUE(result.succeeded());
    char byte;
    EXPECT_EQ(::read(reader, &byte, 1), 0) << "nothing was written into the FIFO";
    ::close(reader);
}

// A full disk, for real: the data directory is a tmpfs of four pages in a
// mount namespace of its own, the events file ends 50 bytes short of its last
// page and a filler takes the rest. The first recorder's line does not fit;
// after the filler is gone, the second one's must still be a line of its own.
TEST(Recorder, AFullDiskLeavesNoTornLineForTheNextEventToBeGluedOnto) {
    TempHome home;
    const auto dataHome = home.path() / ".local/share";
    std::filesystem::create_directories(dataHome);
    const auto copy = home.path() / "events.copy";
    const std::string script = R"(
        set -e
        mount -t tmpfs -o size=16k,mode=0700 tmpfs "$1" 2>/dev/null || exit 77
        mkdir -m 0700 "$1/quillo"
        { printf '{"pad":"'; head -c 12227 /dev/zero | tr '\0' x; printf '"}\n'; } > "$1/quillo/events.jsonl"
        head -c 4096 /dev/zero > "$1/filler"
        printf '%s' '{"hook_event_name":"Stop","session_id":"lost"}' | "$3"
        rm "$1/filler"
        printf '%s' '{"hook_event_name":"Stop","session_id":"kept"}' | "$3"
        cp "$1/quillo/events.jsonl" "$2"
    )";
    auto result = ChildProcess::run({"unshare", "--mount", "sh", "-c", script, "sh",
                                     dataHome.string(), copy.string(), QUILLO_HOOK_BINARY},
                                    {.timeLimit = std::chrono::seconds(60),
                                     .captureStandardError = true,
                                     .extraEnvironment = home.environment()});
    if (!result.started || result.exitCode == 77 || result.standardError.starts_with("unshare:")) {
        GTEST_SKIP() << "cannot mount a tmpfs in a mount namespace here: " << result.standardError;
    }
    ASSERT_TRUE(result.succeeded()) << result.standardError;
    auto lines = splitLines(readFile(copy));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 12237u) << "the line before is untouched";
    auto event = HookEnvelope::parseLine(lines[1]);
    ASSERT_TRUE(event.has_value()) << lines[1].substr(0, 80);
    EXPECT_EQ(event->sessionId, "kept");
}

TEST(Recorder, ReplacesALinkAtTheEventsFileInsteadOfWritingThroughIt) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    auto target = home.path() / "elsewhere.jsonl";
    writeFile(target, "");
    ::chmod(target.c_str(), 0644);
    std::filesystem::create_symlink(target, home.eventsFile());
    expectSilentSuccess(runRecorder(home, R"({"hook_event_name":"Stop","session_id":"link"})"));
    EXPECT_TRUE(
        std::filesystem::is_regular_file(std::filesystem::symlink_status(home.eventsFile())));
    EXPECT_EQ(fileMode(home.eventsFile()), 0600u);
    auto lines = splitLines(readFile(home.eventsFile()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(HookEnvelope::parseLine(lines[0])->sessionId, "link");
    EXPECT_EQ(readFile(target), "");
    EXPECT_EQ(fileMode(target), 0644u) << "the link's target is not touched";
}

// A read-only events file (0444) cannot be opened for writing by its owner, so
// the mode cannot be repaired through a descriptor. Root could write anyway,
// so the recorder runs as an unprivileged user when the test runs as root.
TEST(Recorder, RepairsAReadOnlyEventsFileByPath) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    writeFile(home.eventsFile(), "");
    std::vector<std::string> argv = {QUILLO_HOOK_BINARY};
    if (::geteuid() == 0) {
        constexpr uid_t nobody = 65534;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(home.path())) {
            ASSERT_EQ(::chown(entry.path().c_str(), nobody, nobody), 0);
        }
        ASSERT_EQ(::chown(home.path().c_str(), nobody, nobody), 0);
        argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", QUILLO_HOOK_BINARY};
    }
    ::chmod(home.eventsFile().c_str(), 0444);
    auto result = runRecorder(home, R"({"hook_event_name":"Stop","session_id":"ro"})", {}, argv);
    EXPECT_TRUE(result.succeeded()) << result.standardError;
    EXPECT_EQ(fileMode(home.eventsFile()), 0600u);
    auto lines = splitLines(readFile(home.eventsFile()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(HookEnvelope::parseLine(lines[0])->sessionId, "ro");
}

TEST(Recorder, TakesTheCallerBehindAWrapperShellOrFromClaudePid) {
    TempHome home;
    const std::string hook = QUILLO_HOOK_BINARY;
    // The shell runs two commands, so it cannot exec the recorder and stays its parent.
    runRecorder(home, "{}", {}, {"/bin/sh", "-c", "\"" + hook + "\"; true"});
    runRecorder(home, "{}", {"CLAUDE_PID=" + std::to_string(getpid())});
    runRecorder(home, "{}", {"CLAUDE_PID=1"});
    auto lines = envelopes(home.eventsFile());
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& line : lines) {
        EXPECT_EQ(line["claude_pid"], getpid());
        EXPECT_EQ(line["pid_chain"][0], getpid());
    }
}

// A trim happens only above 100 MiB; the tests build such files sparsely where
// the content does not matter.
class RecorderTrim : public ::testing::Test {
protected:
    void fillTo(std::uintmax_t size, const std::string& pattern) {
        std::filesystem::create_directories(home.appSupport());
        int fd = ::open(home.eventsFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        if (pattern.empty()) {
            ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        } else {
            std::string block;
            while (block.size() < (1u << 20)) {
                block += pattern;
            }
            std::uintmax_t written = 0;
            while (written < size) {
                auto n = std::min<std::uintmax_t>(block.size(), size - written);
                ASSERT_EQ(::write(fd, block.data(), n), static_cast<ssize_t>(n));
                written += n;
            }
            // Recorders only ever leave whole lines behind.
            ASSERT_EQ(::pwrite(fd, "\n", 1, static_cast<off_t>(size - 1)), 1);
        }
        ::close(fd);
    }
    std::uintmax_t size() { return std::filesystem::file_size(home.eventsFile()); }
    TempHome home;
    const std::string event = R"({"hook_event_name":"Stop","session_id":"after-trim"})";
};

TEST_F(RecorderTrim, AFileAtTheLimitIsOnlyAppendedTo) {
    fillTo(Recorder::trimThreshold, "");
    expectSilentSuccess(runRecorder(home, event));
    EXPECT_GT(size(), Recorder::trimThreshold);
}

TEST_F(RecorderTrim, AFileOneByteOverIsCutToItsNewestWholeLines) {
    const std::string filler = R"({"raw":"filler line of the past"})"
                               "\n";
    fillTo(Recorder::trimThreshold + 1, filler);
    expectSilentSuccess(runRecorder(home, event));

    auto text = readFile(home.eventsFile());
    EXPECT_LE(text.size(), Recorder::trimKeepBytes + 1024);
    auto lines = splitLines(text);
    ASSERT_GT(lines.size(), 1u);
    EXPECT_TRUE(lines.front() + "\n" == filler) << "starts on a line boundary";
    auto last = HookEnvelope::parseLine(lines.back());
    ASSERT_TRUE(last);
    EXPECT_EQ(last->sessionId, "after-trim");
    EXPECT_EQ(fileMode(home.eventsFile()), 0600u);
    EXPECT_FALSE(std::filesystem::exists(home.appSupport() / "events.jsonl.truncate.tmp"));
}

} // namespace
} // namespace quillo
