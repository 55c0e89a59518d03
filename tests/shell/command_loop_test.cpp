#include "shell/command_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "backends/backends.h"
#include "backends/unsupported/unsupported_backend.h"
#include "common/files.h"
#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using Calls = std::vector<std::string>;

class CommandLoopTest : public test::ShellTest {
  protected:
    CommandLoopTest() {
        ctx.frame.SetTimerControl([this](bool on) { timer.push_back(on ? "on" : "off"); });
    }

    // What the accounting system would see in the folder right now.
    std::string Files() const {
        std::string s;
        for (const char* name : {"cmd.ini", "Result.txt", "cmd.finish"}) {
            if (folder.Exists(name))
                s += std::string(s.empty() ? "" : " ") + name;
        }
        return s;
    }
    void MakeOld(const std::string& name) {
        std::filesystem::last_write_time(
            folder.File(name),
            std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    }
    std::string FinishText() { return FormatDateTime(clock.Now()) + "\r\n"; }

    CommandLoop loop{ctx};
    std::vector<std::string> timer;
};

TEST_F(CommandLoopTest, OneCommandInTheOrderTheAccountingSystemSees) {
    folder.Write("cmd.ini", "ZOTCHET\r\n");
    folder.Write("cmd.finish", "old\r\n");
    folder.Write("Result.txt", "old error\r\n");
    ctx.LogError("ошибка прошлой команды");

    std::string during;
    bool pendingDuring = false;
    Fake(DeviceKind::Shtrih).onCall = [&](const std::string& op) {
        if (op != "ZReport")
            return;
        during = Files();
        pendingDuring = ctx.ConnectPending;
        EXPECT_EQ(folder.ReadBytes("cmd.ini"), "");
        EXPECT_TRUE(ctx.log.Errors().empty());
        EXPECT_EQ(timer, Calls{"off"});
    };
    std::string atTimerOn;
    ctx.frame.SetTimerControl([&](bool on) {
        timer.push_back(on ? "on" : "off");
        if (on) {
            atTimerOn = Files();
            EXPECT_FALSE(ctx.ConnectPending);
        }
    });

    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(during, "cmd.ini");
    EXPECT_TRUE(pendingDuring);
    EXPECT_EQ(atTimerOn, "Result.txt");  // cmd.ini gone, answer complete, no marker yet
    EXPECT_EQ(Files(), "Result.txt cmd.finish");
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
    EXPECT_EQ(folder.Read("cmd.finish"), FinishText());
    EXPECT_EQ(journal, (Calls{"S:ZReport()", "A:ReleaseDriver()", "S:ReleaseDriver()",
                              "E:ReleaseDriver()"}));
    EXPECT_EQ(timer, (Calls{"off", "on"}));
    EXPECT_FALSE(ctx.ConnectPending);
    EXPECT_FALSE(loop.Busy());
    EXPECT_EQ(ctx.log.Messages().back(), FormatDateTime(clock.Now()) + ":Прочитал команду ZOTCHET");
}

TEST_F(CommandLoopTest, PollWithoutCommandRewritesResultAndWritesNoMarker) {
    ctx.LogError("Предупреждение при запуске");
    EXPECT_FALSE(loop.Tick());
    EXPECT_EQ(Files(), "Result.txt");
    EXPECT_EQ(folder.Read("Result.txt"),
              FormatDateTime(clock.Now()) + ":Предупреждение при запуске\r\n");
    EXPECT_EQ(timer, (Calls{"off", "on"}));

    // The answer keeps the last errors until the next command clears the pane.
    clock.AdvanceSeconds(5);
    EXPECT_FALSE(loop.Tick());
    EXPECT_EQ(ctx.log.Errors().size(), 1u);
    folder.Write("cmd.ini", "XOTCHET");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
}

TEST_F(CommandLoopTest, FailureIsTheAnswerAndTheMarkerIsStillWritten) {
    Fake(DeviceKind::Atol).failOn = "XReport";
    folder.Write("cmd.ini", "ATOL,3,XOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(folder.Read("Result.txt"),
              FormatDateTime(clock.Now()) + ":отказ устройства в операции XReport\r\n");
    EXPECT_EQ(folder.Read("cmd.finish"), FinishText());
    EXPECT_EQ(ctx.device.LogicalDevice, 3);
    EXPECT_FALSE(folder.Exists("cmd.ini"));
}

TEST_F(CommandLoopTest, UnexpectedExceptionIsAnsweredAndPollingGoesOn) {
    Fake(DeviceKind::Shtrih).onCall = [](const std::string& op) {
        if (op == "ZReport")
            throw std::out_of_range("vector index");
    };
    folder.Write("cmd.ini", "ZOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(ErrorTexts(), Calls{"Внутренняя ошибка программы: vector index"});
    EXPECT_TRUE(folder.Exists("cmd.finish"));
    EXPECT_FALSE(loop.Busy());
    EXPECT_EQ(timer, (Calls{"off", "on"}));
}

TEST_F(CommandLoopTest, FailingEndStepStillAnswersAndFreesTheLoop) {
    int failures = 1;
    ctx.frame.SetTimerControl([&](bool on) {
        if (on && failures-- > 0)
            throw std::runtime_error("timer");
    });
    folder.Write("cmd.ini", "ZOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_FALSE(loop.Busy());
    EXPECT_TRUE(folder.Exists("cmd.finish"));
    EXPECT_EQ(ErrorTexts(), Calls{"Внутренняя ошибка программы: timer"});
    folder.Write("cmd.ini", "XOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations().back(), "S:XReport()");
}

TEST_F(CommandLoopTest, UnsupportedRegisterIsAnsweredWithItsErrorLine) {
    ctx.SetBackend(std::make_unique<UnsupportedBackend>(DeviceKind::Shtrih, "Штрих-М", true));
    folder.Write("cmd.ini", "SHTRIH,1,ZOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(folder.Read("Result.txt"),
              FormatDateTime(clock.Now()) +
                  ":Z-отчет: поддержка ККМ Штрих-М в этой версии программы ещё не реализована. "
                  "Команда не выполнена\r\n");
    EXPECT_TRUE(folder.Exists("cmd.finish"));
}

TEST_F(CommandLoopTest, UnknownCommandIsLoggedAndAnsweredEmpty) {
    folder.Write("cmd.ini", "PRINT \r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_TRUE(Operations().empty());
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
    EXPECT_TRUE(folder.Exists("cmd.finish"));
}

// A line that names no command still gets cmd.finish, so the accounting system never waits for
// an answer that does not come.
TEST_F(CommandLoopTest, LineWithoutCommandWordIsAnsweredWithAnError) {
    for (const std::string line : {"PRN,,", "ATOL,1,", "SHTRIH,2,\"\""}) {
        folder.Write("cmd.ini", line + "\r\n");
        EXPECT_TRUE(loop.Tick()) << line;
        EXPECT_EQ(Files(), "Result.txt cmd.finish") << line;
        EXPECT_TRUE(Operations().empty()) << line;
        ASSERT_EQ(ErrorTexts().size(), 1u) << line;
        EXPECT_NE(ErrorTexts()[0].find("\"" + line + "\""), std::string::npos) << ErrorTexts()[0];
    }
}

TEST_F(CommandLoopTest, EmptyCommandFileIsReportedAndDeleted) {
    for (const std::string& bytes : {std::string(), std::string("\xEF\xBB\xBF")}) {
        ctx.log.ClearErrors();
        folder.WriteBytes("cmd.ini", bytes);
        MakeOld("cmd.ini");
        EXPECT_FALSE(loop.Tick());
        EXPECT_EQ(Files(), "Result.txt");
        ASSERT_EQ(ErrorTexts().size(), 1u);
        EXPECT_NE(ErrorTexts()[0].find("cmd.ini"), std::string::npos);
        EXPECT_NE(folder.Read("Result.txt").find(ErrorTexts()[0]), std::string::npos);
    }
}

TEST_F(CommandLoopTest, EmptyCommandFileJustCreatedIsLeftForTheNextPoll) {
    folder.WriteBytes("cmd.ini", "");
    EXPECT_FALSE(loop.Tick());
    EXPECT_TRUE(folder.Exists("cmd.ini"));
    EXPECT_TRUE(ctx.log.Errors().empty());
    // The writer finishes; the next poll runs it.
    folder.Write("cmd.ini", "OPENSESSION\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations(), Calls{"S:OpenShift()"});
}

TEST_F(CommandLoopTest, OnlyTheFirstLineCounts) {
    folder.Write("cmd.ini", "\r\nZOTCHET\r\n");
    EXPECT_FALSE(loop.Tick());
    EXPECT_EQ(Files(), "Result.txt");
    EXPECT_TRUE(Operations().empty());
    EXPECT_TRUE(ctx.log.Errors().empty());

    folder.Write("cmd.ini", "XOTCHET\r\nZOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations(), Calls{"S:XReport()"});
}

TEST_F(CommandLoopTest, GarbageCommandFileNeverStopsThePolling) {
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(255 - c);
    folder.WriteBytes("cmd.ini", bytes + "\r\n,\"\x98\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_TRUE(folder.Exists("cmd.finish"));
    EXPECT_FALSE(folder.Exists("cmd.ini"));
    folder.Write("cmd.ini", "ZOTCHET");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations().back(), "S:ZReport()");
}

// The accounting system writes the next command while one runs: in place, or by replacing
// the file. It is neither deleted nor answered; the next poll runs it.
TEST_F(CommandLoopTest, CommandWrittenDuringACommandIsKeptForTheNextPoll) {
    for (const bool replace : {false, true}) {
        journal.clear();
        folder.Write("cmd.ini", "ZOTCHET\r\n");
        Fake(DeviceKind::Shtrih).onCall = [&](const std::string& op) {
            if (op != "ZReport")
                return;
            if (replace) {
                SaveLinesAtomic(folder.File("cmd.ini"), {"XOTCHET"});
            } else {
                std::ofstream(folder.File("cmd.ini"), std::ios::binary | std::ios::trunc)
                    << "XOTCHET\r\n";
            }
        };
        EXPECT_TRUE(loop.Tick());
        EXPECT_EQ(folder.Read("cmd.ini"), "XOTCHET\r\n") << replace;
        EXPECT_TRUE(folder.Exists("cmd.finish"));
        EXPECT_TRUE(ctx.log.Errors().empty());

        Fake(DeviceKind::Shtrih).onCall = nullptr;
        EXPECT_TRUE(loop.Tick());
        EXPECT_EQ(Operations(), (Calls{"S:ZReport()", "S:XReport()"}));
        EXPECT_FALSE(folder.Exists("cmd.ini"));
    }
}

TEST_F(CommandLoopTest, TicksNeverOverlap) {
    folder.Write("cmd.ini", "ZOTCHET\r\n");
    bool inner = true;
    Fake(DeviceKind::Shtrih).onCall = [&](const std::string& op) {
        if (op != "ZReport")
            return;
        EXPECT_TRUE(loop.Busy());
        folder.Write("cmd.ini", "XOTCHET\r\n");
        inner = loop.Tick();
    };
    EXPECT_TRUE(loop.Tick());
    EXPECT_FALSE(inner);
    EXPECT_EQ(Operations(), Calls{"S:ZReport()"});
    EXPECT_EQ(timer, (Calls{"off", "on"}));
}

TEST_F(CommandLoopTest, DataAfterEqualsKeepsItsCase) {
    std::filesystem::create_directories(folder.File("Чеки"));
    folder.Write("Чеки/Копия.TXT", "Строка\r\n");
    folder.Write("cmd.ini", "PRINTTXTFILE=" + folder.File("Чеки/Копия.TXT") + "\r\n");
    EXPECT_TRUE(loop.Tick());
    folder.Write("cmd.ini", "PRINTQRCODE=https://Example.org/AbC\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations(), (Calls{"S:PrintLine(Строка)", "S:FeedAndCut()",
                                   "S:PrintQRCode(PRINTQRCODE=https://Example.org/AbC)"}));
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
}

TEST_F(CommandLoopTest, LongFormKindHoldsForOneCommandOnly) {
    folder.Write("cmd.ini", "ATOL,2,ZOTCHET");
    loop.Tick();
    folder.Write("cmd.ini", "zotchet");
    loop.Tick();
    EXPECT_EQ(Operations(), (Calls{"A:ZReport()", "S:ZReport()"}));
    EXPECT_EQ(ctx.device.LogicalDevice, 1);
}

}  // namespace
}  // namespace orvenka
