#include "gui/command_poller.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "common/files.h"
#include "gui_test_util.h"
#include "shell/command_loop.h"
#include "shell/shell_fixture.h"

namespace orvenka::gui {
namespace {

using Calls = std::vector<std::string>;
using test::Spin;
using test::WaitUntil;

// The real command loop on a temporary folder, driven by the poller as in the program; the
// recording back-ends show which commands ran, the frame's timer switch counts the ticks.
struct PollerTest : test::ShellTest {
    PollerTest() {
        ctx.frame.SetTimerControl([this](bool on) {
            ticks += on ? 0 : 1;
            poller.SetTimerEnabled(on);
        });
    }

    // Written in place (open, write, close), as most accounting systems do.
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder.File(name), std::ios::binary | std::ios::trunc) << text;
    }

    CommandLoop loop{ctx};
    CommandPoller poller{folder.Path(), loop};
    int ticks = 0;
};

TEST_F(PollerTest, TimerIsOffUntilEnabledAndPollsEveryFiveSeconds) {
    EXPECT_FALSE(poller.TimerEnabled());
    EXPECT_FALSE(poller.Timer().isActive());
    EXPECT_EQ(poller.Timer().interval(), 5000);
    poller.SetTimerEnabled(true);
    EXPECT_TRUE(poller.Timer().isActive());
    EXPECT_TRUE(poller.Watching());
}

TEST_F(PollerTest, NewCommandIsTakenWithinMilliseconds) {
    poller.SetTimerEnabled(true);
    Spin(50);
    const auto start = std::chrono::steady_clock::now();
    Write("cmd.ini", "XOTCHET\r\n");
    ASSERT_TRUE(WaitUntil([&] { return folder.Exists("cmd.finish"); }, 1000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(Operations(), Calls{"S:XReport()"});
    // The tick's own writes (cmd.ini emptied and deleted, Result.txt and cmd.finish replaced)
    // start no further tick.
    const int after = ticks;
    Spin(300);
    EXPECT_EQ(ticks, after);
    // The next command is taken as well, also in upper case and renamed into place.
    SaveLinesAtomic(folder.File("CMD.INI"), {"ZOTCHET"});
    ASSERT_TRUE(WaitUntil([&] { return Operations().size() == 2; }, 1000));
    EXPECT_EQ(Operations().back(), "S:ZReport()");
}

// "ZOT", a pause, "CHET": the command runs once, whole, when its writer closes the file.
TEST_F(PollerTest, BurstOfWritesGivesOneTick) {
    poller.SetTimerEnabled(true);
    {
        std::ofstream out(folder.File("cmd.ini"), std::ios::binary);
        out << "ZOT" << std::flush;
        Spin(100);
        Write("Param.ini", "Oplata=\r\n");  // another file meanwhile
        Spin(100);
        out << "CHET\r\n";
    }
    ASSERT_TRUE(WaitUntil([&] { return folder.Exists("cmd.finish"); }, 1000));
    Spin(200);
    EXPECT_EQ(Operations(), Calls{"S:ZReport()"});
    EXPECT_EQ(ctx.log.Errors(), std::vector<std::string>{});
}

TEST_F(PollerTest, EmptyCommandFileWaitsForItsContent) {
    poller.SetTimerEnabled(true);
    Write("cmd.ini", "");  // created, not yet written
    Spin(200);
    EXPECT_TRUE(folder.Exists("cmd.ini"));
    EXPECT_TRUE(Operations().empty());
    Write("cmd.ini", "ZOTCHET\r\n");  // written into the same file
    ASSERT_TRUE(WaitUntil([&] { return !Operations().empty(); }, 1000));
    EXPECT_EQ(Operations(), Calls{"S:ZReport()"});
    EXPECT_TRUE(ctx.log.Errors().empty());
}

// Half a line whose writer never comes back: looked at again when the loop asks, not only at
// the next 5 s poll.
TEST_F(PollerTest, HalfLineIsTakenOnceItHasStayedUnchanged) {
    poller.SetTimerEnabled(true);
    const auto start = std::chrono::steady_clock::now();
    Write("cmd.ini", "XOTCHET");
    ASSERT_TRUE(WaitUntil([&] { return !Operations().empty(); }, 4000));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(CommandLoop::kUnfinishedMs));
    EXPECT_LT(waited, std::chrono::milliseconds(CommandLoop::kUnfinishedMs + 1000));
    EXPECT_EQ(Operations(), Calls{"S:XReport()"});
}

TEST_F(PollerTest, NoTickWhileTheTimerIsOffButTheCommandIsTakenWhenItComesOn) {
    poller.SetTimerEnabled(true);
    poller.SetTimerEnabled(false);  // a service button or the about box is running
    Write("cmd.ini", "XOTCHET\r\n");
    Spin(200);
    EXPECT_EQ(ticks, 0);
    poller.SetTimerEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks == 1; }, 1000));
    EXPECT_EQ(Operations(), Calls{"S:XReport()"});
}

// A command written while a device button runs (its frame open, events still delivered by a
// modal box) waits for the button and then runs at once.
TEST_F(PollerTest, BusyLoopIsNotEnteredAgain) {
    poller.SetTimerEnabled(true);
    ctx.frame.Run(FrameKind::Button, [&] {
        Write("cmd.ini", "XOTCHET\r\n");
        Spin(200);
        EXPECT_TRUE(Operations().empty());
    });
    ASSERT_TRUE(WaitUntil([&] { return !Operations().empty(); }, 1000));
    EXPECT_EQ(Operations(), Calls{"S:XReport()"});
}

// Sets or clears the immutable flag; false where the file system or the rights do not allow it.
bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

TEST_F(PollerTest, CommandFileTheTickLeavesBehindDoesNotSpin) {
    Write("cmd.ini", "XOTCHET\r\n");
    if (!SetImmutable(folder.File("cmd.ini"), true))
        GTEST_SKIP() << "no immutable files here (needs root on ext4 or the like)";
    struct Mutable {  // the folder must go when the test ends, however it ends
        std::string path;
        ~Mutable() { SetImmutable(path, false); }
    } guard{folder.File("cmd.ini")};
    poller.SetTimerEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks == 1; }, 1000));
    Spin(300);
    EXPECT_EQ(ticks, 1) << "the tick's own Result.txt must not start tick after tick";
    // It could not be taken, so it was answered and not carried out.
    EXPECT_EQ(Operations(), Calls{});
    // A new command written into it is still taken at once.
    ASSERT_TRUE(SetImmutable(folder.File("cmd.ini"), false));
    Write("cmd.ini", "ZOTCHET\r\n");
    ASSERT_TRUE(WaitUntil([&] { return ticks == 2; }, 1000));
    EXPECT_EQ(Operations(), Calls{"S:ZReport()"});
}

}  // namespace
}  // namespace orvenka::gui
