// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogger.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace quillo {
namespace {

using namespace test;

void setModifiedHoursAgo(const std::filesystem::path& file, double hours) {
    timespec times[2];
    auto seconds = static_cast<time_t>(secondsSince1970(now()) - hours * 3600);
    times[0] = times[1] = timespec{seconds, 0};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

std::string entryLine(double timestamp, const std::string& message) {
    DiagnosticLogger::Entry entry{DiagnosticLogger::makeUUID(),
                                  timestampFromSeconds(timestamp),
                                  DiagnosticLogger::Severity::info,
                                  "prune",
                                  message,
                                  {}};
    return *DiagnosticLogger::encodeEntry(entry) + "\n";
}

TEST(DiagnosticLogger, WritesPrivateJsonLinesAndReadsThemNewestFirst) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    writeFile(DiagnosticLogger::fileURL(), "");
    ::chmod(DiagnosticLogger::fileURL().c_str(), 0644);

    DiagnosticLogger::info("switch", "first", {{"tty", "/dev/pts/1"}});
    DiagnosticLogger::error("applescript", "second");

    EXPECT_EQ(fileMode(DiagnosticLogger::fileURL()), 0600u);
    auto text = readFile(DiagnosticLogger::fileURL());
    EXPECT_NE(text.find(R"("tty":"\/dev\/pts\/1")"), std::string::npos);

    auto entries = DiagnosticLogger::recentEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message, "second");
    EXPECT_EQ(entries[0].severity, DiagnosticLogger::Severity::error);
    EXPECT_EQ(entries[1].context.at("tty"), "/dev/pts/1");
    EXPECT_EQ(entries[1].id.size(), 36u);
    EXPECT_EQ(entries[1].id, [&] {
        std::string upper = entries[1].id;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return upper;
    }());
}

// Callers log what other programs printed; one stray byte must not lose the
// entry, and valid text (a cut-off four-byte character included) is kept.
TEST(DiagnosticLogger, KeepsEntriesWithBytesThatAreNotUtf8) {
    TempHome home;
    DiagnosticLogger::error(
        "switch", "终端控制命令执行失败: \xff",
        {{"message", "kitty: \xe4\xb8 bad\xc0\xaf \xf0\x9f\x98\x80"}, {"\xfe", "key"}});
    auto entries = DiagnosticLogger::recentEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].message, "终端控制命令执行失败: \uFFFD");
    EXPECT_EQ(entries[0].context.at("message"), "kitty: \uFFFD\uFFFD bad\uFFFD\uFFFD \U0001F600");
    EXPECT_EQ(entries[0].context.at("\uFFFD"), "key");
}

TEST(DiagnosticLogger, SkipsUndecodableLinesAndEntriesOlderThanADay) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    double t = secondsSince1970(now());
    writeFile(
        DiagnosticLogger::fileURL(),
        entryLine(t - 90000, "old") + "garbage\n" +
            R"({"id":"X","timestamp":1,"severity":"info","category":"c","message":"no context"})" +
            "\n" + entryLine(t - 60, "recent") + R"({"id":"Y","timestamp":)" + std::to_string(t) +
            R"(,"severity":"fatal","category":"c","message":"m","context":{}})" + "\n" +
            entryLine(t - 10, "newer") + R"({"id":"torn)");
    setModifiedHoursAgo(DiagnosticLogger::fileURL(), 23);

    DiagnosticLogger::warn("resolve", "appended");
    auto entries = DiagnosticLogger::recentEntries();
    ASSERT_EQ(entries.size(), 3u) << "a torn last line must not swallow the next entry";
    EXPECT_EQ(entries[0].message, "appended");
    EXPECT_EQ(entries[1].message, "newer");
    EXPECT_EQ(entries[2].message, "recent");
}

TEST(DiagnosticLogger, AFileUntouchedForADayIsReplacedByTheNextEntry) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    writeFile(DiagnosticLogger::fileURL(), entryLine(secondsSince1970(now()) - 90000, "stale"));
    setModifiedHoursAgo(DiagnosticLogger::fileURL(), 25);

    DiagnosticLogger::info("prune", "fresh");
    auto lines = splitLines(readFile(DiagnosticLogger::fileURL()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("fresh"), std::string::npos);

    DiagnosticLogger::clear();
    DiagnosticLogger::clear();
    EXPECT_TRUE(DiagnosticLogger::recentEntries().empty());
}

TEST(DiagnosticLogger, AFullLogMakesWayForANewOneAndOnlyOneEarlierFileIsKept) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    const double t = secondsSince1970(now());
    const std::string filler = "#" + std::string(1024 * 1024 - 2, 'x') + "\n";
    std::string full = entryLine(t - 60, "old");
    for (int i = 0; i < 10; ++i) {
        full += filler;
    }
    writeFile(DiagnosticLogger::fileURL(), full);

    DiagnosticLogger::info("transport", "new");
    EXPECT_EQ(splitLines(readFile(DiagnosticLogger::fileURL())).size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(DiagnosticLogger::previousFile()), full.size());
    auto entries = DiagnosticLogger::recentEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message, "new");
    EXPECT_EQ(entries[1].message, "old");

    // Filling the new file again replaces the earlier one: two files at most.
    writeFile(DiagnosticLogger::fileURL(), full);
    DiagnosticLogger::info("transport", "newer");
    EXPECT_EQ(DiagnosticLogger::recentEntries().size(), 2u);
    std::size_t files = 0;
    for (const auto& item : std::filesystem::directory_iterator(home.appSupport())) {
        files += item.path().filename().string().starts_with("diagnostic.log") ? 1 : 0;
    }
    EXPECT_EQ(files, 2u);
    DiagnosticLogger::clear();
    EXPECT_TRUE(DiagnosticLogger::recentEntries().empty());
}

TEST(DiagnosticLogger, ConcurrentWritersProduceWholeLines) {
    TempHome home;
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([w] {
            for (int i = 0; i < 50; ++i) {
                DiagnosticLogger::info("transport", std::string(500, static_cast<char>('a' + w)));
            }
        });
    }
    for (auto& t : writers) {
        t.join();
    }
    EXPECT_EQ(splitLines(readFile(DiagnosticLogger::fileURL())).size(), 200u);
    EXPECT_EQ(DiagnosticLogger::recentEntries().size(), 200u);
}

} // namespace
} // namespace quillo
