// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventsFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
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

// How many descriptors of this process name `path` (by its current name).
int openDescriptors(const std::filesystem::path& path) {
    int count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkError;
        if (std::filesystem::read_symlink(entry.path(), linkError) == path) {
            ++count;
        }
    }
    return count;
}

// An appender that opened the file just before the consumer moved it aside must
// neither wait for the consumer to finish with the moved copy nor write into
// it: the consumer holds the copy's lock for as long as it reads.
TEST_F(EventsFileTest, AppenderWaitingOnAConsumerReopensTheNewFile) {
    writeFile(events, "old\n");
    int held = ::open(events.c_str(), O_RDWR);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    auto appended = std::async(std::launch::async, [&] {
        return EventsFile::appendLine(events, "new\n", std::chrono::seconds(30));
    });
    while (openDescriptors(events) < 2) { // the appender has it open and waits
        std::this_thread::sleep_for(1ms);
    }
    std::filesystem::rename(events, dir / "moved");

    ASSERT_TRUE(appended.get());
    ::close(held);
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

TEST_F(EventsFileTest, SomethingOtherThanAFileIsRefusedWithoutBlocking) {
    ASSERT_EQ(::mkfifo(events.c_str(), 0600), 0);
    // Without a reader, opening a FIFO for writing blocks; with one, a write
    // would go to whoever reads. Neither may happen.
    EXPECT_FALSE(EventsFile::appendLine(events, "line\n"));
    int reader = ::open(events.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(EventsFile::appendLine(events, "line\n"));
    char byte;
    EXPECT_EQ(::read(reader, &byte, 1), 0) << "nothing reached the FIFO";
    EXPECT_EQ(EventsFile::moveAside(events, dir / "p"), EventsFile::MoveResult::failed);
    ::close(reader);
    EXPECT_EQ(EventsFile::moveAside(events, dir / "p"), EventsFile::MoveResult::failed);
    EventsFile::trimIfLarger(events, 0, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "p"));
}

// What a link points at is not the events file: it is neither written through
// nor moved aside (nobody would read the moved link), but replaced.
TEST_F(EventsFileTest, ALinkAtTheEventsFileIsReplacedNeverFollowedNorMoved) {
    auto target = dir / "elsewhere";
    writeFile(target, "theirs\n");
    ::chmod(target.c_str(), 0644);
    std::filesystem::create_symlink(target, events);
    EXPECT_EQ(EventsFile::moveAside(events, dir / "p"), EventsFile::MoveResult::failed);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir / "p")));
    EXPECT_TRUE(std::filesystem::is_symlink(events));

    ASSERT_TRUE(EventsFile::appendLine(events, "one\n"));
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(events)));
    EXPECT_EQ(readFile(events), "one\n");
    EXPECT_EQ(fileMode(events), 0600u);
    EXPECT_EQ(readFile(target), "theirs\n");
    EXPECT_EQ(fileMode(target), 0644u);
    EXPECT_FALSE(EventsFile::replaceLink(events)) << "a regular file is left alone";
}

// A disk that fills up in the middle of a write: only half of it lands.
ssize_t halfWrite(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size / 2);
}

TEST_F(EventsFileTest, AShortWriteLeavesNoFragmentAndNoLineIsGluedOntoOne) {
    writeFile(events, "{\"a\":1}\n");
    EventsFile::setWriteFunctionForTesting(&halfWrite);
    EXPECT_FALSE(EventsFile::appendLine(events, "{\"b\":2}\n"));
    EventsFile::setWriteFunctionForTesting(nullptr);
    EXPECT_EQ(readFile(events), "{\"a\":1}\n") << "the half line is taken back";

    // A fragment left by something else (a writer killed mid-line, an older
    // recorder): the next line starts on a line of its own.
    writeFile(events, "{\"a\":1}\n{\"tor");
    ASSERT_TRUE(EventsFile::appendLine(events, "{\"c\":3}\n"));
    EXPECT_EQ(readFile(events), "{\"a\":1}\n{\"tor\n{\"c\":3}\n");
}

// Lock functions that play file systems: NFS refuses exclusive locks on a
// descriptor that is not open for writing; some mounts cannot lock at all.
int exclusiveLocks = 0;
int nfsLock(int fd, int operation) {
    if ((operation & LOCK_EX) && (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) {
        errno = EBADF;
        return -1;
    }
    int result = ::flock(fd, operation);
    exclusiveLocks += result == 0 && (operation & LOCK_EX);
    return result;
}
int noLock(int, int) {
    errno = ENOLCK;
    return -1;
}

class EventsFileLocking : public EventsFileTest,
                          public ::testing::WithParamInterface<int (*)(int, int)> {
protected:
    EventsFileLocking() { EventsFile::setLockFunctionForTesting(GetParam()); }
    ~EventsFileLocking() override { EventsFile::setLockFunctionForTesting(nullptr); }
};

TEST_P(EventsFileLocking, AppendMoveAndTrimStillWork) {
    ASSERT_TRUE(EventsFile::appendLine(events, "one\n"));
    ASSERT_TRUE(EventsFile::appendLine(events, "two\n"));
    exclusiveLocks = 0;
    EXPECT_EQ(EventsFile::moveAside(events, dir / "p", 20ms), EventsFile::MoveResult::moved);
    EXPECT_EQ(readFile(dir / "p"), "one\ntwo\n");

    writeFile(events, "1111\n2222\n3333\n");
    EventsFile::trimIfLarger(events, 10, 6);
    EXPECT_EQ(readFile(events), "3333\n");
    if (GetParam() == &nfsLock) {
        EXPECT_EQ(exclusiveLocks, 3) << "the move and the trim (file and temporary) lock on NFS";
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, EventsFileLocking, ::testing::Values(&nfsLock, &noLock));

// The trim copies its 10 MiB tail before it locks the file, so appenders are
// held up only for the rename; whatever they append meanwhile is carried over.
std::filesystem::path trimmedFile;
int appendWhenTrimLocks(int fd, int operation) {
    struct stat opened {};
    struct stat current {};
    if ((operation & LOCK_EX) && ::fstat(fd, &opened) == 0 &&
        ::stat(trimmedFile.c_str(), &current) == 0 && opened.st_ino == current.st_ino) {
        auto temp = EventsFile::truncateTempPath(trimmedFile);
        EXPECT_EQ(readFile(temp), "cccc\n") << "the tail is written before the lock";
        int appender = ::open(trimmedFile.c_str(), O_WRONLY | O_APPEND);
        EXPECT_EQ(::write(appender, "late\n", 5), 5);
        ::close(appender);
    }
    return ::flock(fd, operation);
}

TEST_F(EventsFileTest, TrimLocksOnlyToCarryOverLateLinesAndRename) {
    writeFile(events, "aaaa\nbbbb\ncccc\n");
    trimmedFile = events;
    EventsFile::setLockFunctionForTesting(&appendWhenTrimLocks);
    EventsFile::trimIfLarger(events, 10, 7);
    EventsFile::setLockFunctionForTesting(nullptr);
    EXPECT_EQ(readFile(events), "cccc\nlate\n");
}

} // namespace
} // namespace quillo
