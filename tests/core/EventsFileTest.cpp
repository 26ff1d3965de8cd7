#include "EventsFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <unistd.h>

namespace quillo {
namespace {

using namespace test;
using namespace std::chrono_literals;

class EventsFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path events = dir / "events.jsonl";
};

TEST_F(EventsFileTest, TrimKeepsTheNewestWholeLinesPrivately) {
    writeFile(events, "aaaa\nbbbb\ncccc\ndddd\n");
    ::chmod(events.c_str(), 0644);
    EventsFile::truncateTail(events, 12); // tail "b\ncccc\ndddd\n"
    EXPECT_EQ(readFile(events), "cccc\ndddd\n");
    EXPECT_EQ(fileMode(events), 0600u);
    EXPECT_FALSE(std::filesystem::exists(EventsFile::truncateTempPath(events)));

    EventsFile::truncateTail(events, 10); // not larger than keepBytes: untouched
    EXPECT_EQ(readFile(events), "cccc\ndddd\n");

    writeFile(events, std::string(100, 'x'));
    EventsFile::truncateTail(events, 30); // a tail without a line feed stays whole
    EXPECT_EQ(readFile(events), std::string(30, 'x'));

    EventsFile::truncateTail(dir / "missing", 10);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST_F(EventsFileTest, SizeGuardTrimsOnlyAboveItsLimit) {
    writeFile(events, "1111\n2222\n3333\n");
    EventsFile::trimIfLarger(events, 15, 6);
    EXPECT_EQ(readFile(events), "1111\n2222\n3333\n");
    EventsFile::trimIfLarger(events, 14, 6);
    EXPECT_EQ(readFile(events), "3333\n");
}

TEST_F(EventsFileTest, MoveAsideLeavesAFreshPrivateFile) {
    EXPECT_EQ(EventsFile::moveAside(events, dir / "p1"), EventsFile::MoveResult::noFile);
    EXPECT_TRUE(std::filesystem::exists(events));
    EXPECT_FALSE(std::filesystem::exists(dir / "p1"));

    ASSERT_TRUE(EventsFile::appendLine(events, "one\n"));
    EXPECT_EQ(EventsFile::moveAside(events, dir / "p2"), EventsFile::MoveResult::moved);
    EXPECT_EQ(readFile(dir / "p2"), "one\n");
    EXPECT_EQ(readFile(events), "");
    EXPECT_EQ(fileMode(events), 0600u);
}

// An appender that opened the file just before the consumer moved it aside must
// not write into the moved copy once the consumer has read it.
TEST_F(EventsFileTest, AppenderWaitingOnAConsumerReopensTheNewFile) {
    writeFile(events, "old\n");
    int held = ::open(events.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    auto appended = std::async(std::launch::async, [&] { return EventsFile::appendLine(events, "new\n"); });
    std::this_thread::sleep_for(100ms); // let it open the old file and wait
    std::filesystem::rename(events, dir / "moved");
    ::close(::open(events.c_str(), O_WRONLY | O_CREAT, 0600));
    ::close(held);

    ASSERT_TRUE(appended.get());
    EXPECT_EQ(readFile(dir / "moved"), "old\n");
    EXPECT_EQ(readFile(events), "new\n");
}

TEST_F(EventsFileTest, ConsumerSaysBusyWhileTheFileIsHeld) {
    writeFile(events, "x\n");
    int held = ::open(events.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_SH), 0);
    EXPECT_EQ(EventsFile::moveAside(events, dir / "p", 20ms), EventsFile::MoveResult::busy);
    ::close(held);
    EXPECT_EQ(EventsFile::moveAside(events, dir / "p", 20ms), EventsFile::MoveResult::moved);
}

} // namespace
} // namespace quillo
