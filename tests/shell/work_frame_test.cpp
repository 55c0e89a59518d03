#include "shell/work_frame.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using Calls = std::vector<std::string>;

class WorkFrameTest : public test::ShellTest {
  protected:
    WorkFrameTest() {
        ctx.frame.SetTimerControl(
            [this](bool on) { steps.push_back(on ? "timer on" : "timer off"); });
        for (const DeviceKind kind : kDeviceKinds) {
            Fake(kind).onCall = [this](const std::string& op) {
                if (op == "ReleaseDriver" && steps.back() != "drivers")
                    steps.push_back("drivers");
            };
        }
    }
    // The frame's end steps as they happened, ConnectPending shown where it changes.
    void Work() {
        steps.push_back(ctx.ConnectPending ? "work (pending)" : "work");
        EXPECT_TRUE(ctx.frame.Busy());
    }
    Calls steps;
    CommandEnd end{[this] { steps.push_back(Pending("answer")); },
                   [this] { steps.push_back(Pending("end marker")); }};

  private:
    std::string Pending(const std::string& step) {
        return step + (ctx.ConnectPending ? " (pending)" : "");
    }
};

TEST_F(WorkFrameTest, EachKindClosesWithItsOwnStepsInOrder) {
    EXPECT_TRUE(ctx.frame.Run(
        FrameKind::Command, [this] { Work(); }, end));
    EXPECT_EQ(steps, (Calls{"timer off", "work (pending)", "drivers", "answer (pending)",
                            "timer on", "end marker"}));
    steps.clear();
    EXPECT_TRUE(ctx.frame.Run(FrameKind::Button, [this] { Work(); }));
    EXPECT_EQ(steps, (Calls{"timer off", "work (pending)", "timer on", "drivers"}));
    steps.clear();
    EXPECT_TRUE(ctx.frame.Run(FrameKind::AboutBox, [this] { Work(); }));
    EXPECT_EQ(steps, (Calls{"timer off", "work (pending)", "timer on"}));
    EXPECT_FALSE(ctx.ConnectPending);
    EXPECT_FALSE(ctx.frame.Busy());
}

TEST_F(WorkFrameTest, NoFrameInsideAnotherAndAFailureLeavesOnlyAfterTheEnd) {
    bool inner = true;
    EXPECT_THROW(ctx.frame.Run(FrameKind::Button,
                               [&] {
                                   inner = ctx.frame.Run(FrameKind::AboutBox, [] {});
                                   throw std::runtime_error("отказ");
                               }),
                 std::runtime_error);
    EXPECT_FALSE(inner);
    EXPECT_EQ(steps, (Calls{"timer off", "timer on", "drivers"}));
    EXPECT_FALSE(ctx.frame.Busy());
    EXPECT_FALSE(ctx.ConnectPending);
}

}  // namespace
}  // namespace orvenka
