#include "gui/command_poller.h"

#include <gtest/gtest.h>

#include "common/files.h"
#include "gui_test_util.h"
#include "support/temp_folder.h"

namespace orvenka::gui {
namespace {

using test::Spin;
using test::TempFolder;
using test::WaitUntil;

// A poller over a temporary folder whose tick does what the real one does to the folder:
// cmd.ini read and deleted, Result.txt rewritten (which itself changes the folder).
struct PollerTest : ::testing::Test {
    TempFolder folder;
    int ticks = 0;
    bool busy = false;
    bool deleteCommand = true;
    std::vector<std::string> seen;
    CommandPoller poller{folder.Path(),
                         [this] {
                             ++ticks;
                             if (folder.Exists("cmd.ini"))
                                 seen.push_back(folder.Read("cmd.ini"));
                             if (deleteCommand)
                                 DeleteFileIfExists(folder.File("cmd.ini"));
                             SaveLinesAtomic(folder.File("Result.txt"), {});
                         },
                         [this] { return busy; }};
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
    folder.Write("cmd.ini", "XOTCHET\r\n");
    ASSERT_TRUE(WaitUntil([&] { return ticks == 1; }, 1000));
    EXPECT_EQ(seen, std::vector<std::string>{"XOTCHET\r\n"});
    // The tick's own writes (cmd.ini deleted, Result.txt replaced) start no further tick.
    Spin(300);
    EXPECT_EQ(ticks, 1);
    // And the next command is taken as well.
    folder.Write("cmd.ini", "ZOTCHET\r\n");
    ASSERT_TRUE(WaitUntil([&] { return ticks == 2; }, 1000));
}

TEST_F(PollerTest, BurstOfWritesGivesOneTick) {
    poller.SetTimerEnabled(true);
    folder.Write("cmd.ini", "PRI");
    folder.Write("cmd.ini", "PRINT");
    folder.Write("Param.ini", "NumCheck=1");
    folder.Write("cmd.ini", "PRINT\r\n");
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 1; }, 1000));
    Spin(200);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(seen, std::vector<std::string>{"PRINT\r\n"});
}

TEST_F(PollerTest, EmptyCommandFileWaitsForItsContent) {
    poller.SetTimerEnabled(true);
    folder.Write("cmd.ini", "");  // created, not yet written
    Spin(200);
    EXPECT_EQ(ticks, 0);
    folder.Write("cmd.ini", "ZOTCHET\r\n");  // written into the same file
    ASSERT_TRUE(WaitUntil([&] { return ticks == 1; }, 1000));
    EXPECT_EQ(seen, std::vector<std::string>{"ZOTCHET\r\n"});
}

TEST_F(PollerTest, NoTickWhileTheTimerIsOffButTheCommandIsTakenWhenItComesOn) {
    poller.SetTimerEnabled(true);
    poller.SetTimerEnabled(false);  // a service button or the about box is running
    folder.Write("cmd.ini", "XOTCHET\r\n");
    Spin(200);
    EXPECT_EQ(ticks, 0);
    poller.SetTimerEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks == 1; }, 1000));
}

TEST_F(PollerTest, BusyLoopIsNotEnteredAgain) {
    poller.SetTimerEnabled(true);
    busy = true;
    folder.Write("cmd.ini", "XOTCHET\r\n");
    Spin(200);
    EXPECT_EQ(ticks, 0);
}

TEST_F(PollerTest, CommandFileTheTickLeavesBehindDoesNotSpin) {
    deleteCommand = false;  // e.g. cmd.ini cannot be deleted
    poller.SetTimerEnabled(true);
    folder.Write("cmd.ini", "XOTCHET\r\n");
    ASSERT_TRUE(WaitUntil([&] { return ticks == 1; }, 1000));
    Spin(300);
    EXPECT_EQ(ticks, 1) << "the tick's own Result.txt must not start tick after tick";
    // A new command written into it is still taken at once.
    folder.Write("cmd.ini", "ZOTCHET\r\n");
    ASSERT_TRUE(WaitUntil([&] { return ticks == 2; }, 1000));
}

}  // namespace
}  // namespace orvenka::gui
