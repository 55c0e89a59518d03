#include "shell/command_loop.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "backends/backends.h"
#include "backends/unsupported/unsupported_backend.h"
#include "common/files.h"
#include "shell/shell_fixture.h"
#include "support/run_unprivileged.h"

namespace orvenka {
namespace {

using Calls = std::vector<std::string>;

class CommandLoopTest : public test::ShellTest {
  protected:
    CommandLoopTest() {
        ctx.frame.SetTimerControl([this](bool on) { timer.push_back(on ? "on" : "off"); });
        loop.SetMonotonicClock([this] { return nowMs; });
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
    std::string FinishText() { return FormatDateTime(clock.Now()) + "\r\n"; }
    void Command(const std::string& text, const std::string& name = "cmd.ini") {
        WriteCommand(loop, text, name);
    }

    CommandLoop loop{ctx};
    std::vector<std::string> timer;
    int64_t nowMs = 1'000'000;  // the loop's monotonic clock
};

TEST_F(CommandLoopTest, OneCommandInTheOrderTheAccountingSystemSees) {
    Command("ZOTCHET\r\n");
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
        // Taken before it runs: under a name of the program's own, as written.
        EXPECT_EQ(folder.ReadBytes(".cmd.ini.taken-" + std::to_string(::getpid())), "ZOTCHET\r\n");
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
    EXPECT_EQ(during, "");
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
    Command("XOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
}

TEST_F(CommandLoopTest, FailureIsTheAnswerAndTheMarkerIsStillWritten) {
    Fake(DeviceKind::Atol).failOn = "XReport";
    Command("ATOL,3,XOTCHET\r\n");
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
    Command("ZOTCHET\r\n");
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
    Command("ZOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_FALSE(loop.Busy());
    EXPECT_TRUE(folder.Exists("cmd.finish"));
    EXPECT_EQ(ErrorTexts(), Calls{"Внутренняя ошибка программы: timer"});
    Command("XOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations().back(), "S:XReport()");
}

TEST_F(CommandLoopTest, UnsupportedRegisterIsAnsweredWithItsErrorLine) {
    ctx.SetBackend(std::make_unique<UnsupportedBackend>(DeviceKind::Shtrih, "Штрих-М", true));
    Command("SHTRIH,1,ZOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(folder.Read("Result.txt"),
              FormatDateTime(clock.Now()) +
                  ":Z-отчет: поддержка ККМ Штрих-М в этой версии программы ещё не реализована. "
                  "Команда не выполнена\r\n");
    EXPECT_TRUE(folder.Exists("cmd.finish"));
}

// An empty answer would say that the typo's receipt was printed.
TEST_F(CommandLoopTest, UnknownCommandIsAnsweredWithAnErrorNamingIt) {
    Command("PRINT \r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_TRUE(Operations().empty());
    EXPECT_EQ(folder.Read("Result.txt"), FormatDateTime(clock.Now()) +
                                             ":Неизвестная команда \"PRINT \". Команда не "
                                             "выполнена\r\n");
    EXPECT_TRUE(folder.Exists("cmd.finish"));
    EXPECT_EQ(ctx.log.Messages().back(), FormatDateTime(clock.Now()) + ":Прочитал команду PRINT ");
}

// A line that names no command still gets cmd.finish, so the accounting system never waits for
// an answer that does not come.
TEST_F(CommandLoopTest, LineWithoutCommandWordIsAnsweredWithAnError) {
    for (const std::string line : {"PRN,,", "ATOL,1,", "SHTRIH,2,\"\""}) {
        Command(line + "\r\n");
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
        loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
        // Its writer may still come back with the line: it is left while that may be so.
        EXPECT_FALSE(loop.Tick());
        EXPECT_EQ(loop.RecheckInMs(), CommandLoop::kUnfinishedMs);
        nowMs += CommandLoop::kUnfinishedMs;
        EXPECT_FALSE(loop.Tick());
        EXPECT_EQ(Files(), "Result.txt");
        ASSERT_EQ(ErrorTexts().size(), 1u);
        EXPECT_NE(ErrorTexts()[0].find("cmd.ini"), std::string::npos);
        EXPECT_NE(folder.Read("Result.txt").find(ErrorTexts()[0]), std::string::npos);
    }
}

TEST_F(CommandLoopTest, EmptyCommandFileJustCreatedIsLeftForTheNextPoll) {
    folder.WriteBytes("cmd.ini", "");
    loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
    EXPECT_FALSE(loop.Tick());
    EXPECT_TRUE(folder.Exists("cmd.ini"));
    EXPECT_TRUE(ctx.log.Errors().empty());
    // The writer finishes; the next poll runs it.
    Command("OPENSESSION\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations(), Calls{"S:OpenShift()"});
}

TEST_F(CommandLoopTest, OnlyTheFirstLineCounts) {
    Command("\r\nZOTCHET\r\n");
    EXPECT_FALSE(loop.Tick());
    EXPECT_EQ(Files(), "Result.txt");
    EXPECT_TRUE(Operations().empty());
    EXPECT_TRUE(ctx.log.Errors().empty());

    Command("XOTCHET\r\nZOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations(), Calls{"S:XReport()"});
}

TEST_F(CommandLoopTest, GarbageCommandFileNeverStopsThePolling) {
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(255 - c);
    folder.WriteBytes("cmd.ini", bytes + "\r\n,\"\x98\r\n");
    loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
    EXPECT_TRUE(loop.Tick());
    EXPECT_TRUE(folder.Exists("cmd.finish"));
    EXPECT_FALSE(folder.Exists("cmd.ini"));
    Command("ZOTCHET\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations().back(), "S:ZReport()");
}

// The accounting system writes the next command while one runs: in place, or by replacing
// the file. It is neither deleted nor answered; the next poll runs it.
TEST_F(CommandLoopTest, CommandWrittenDuringACommandIsKeptForTheNextPoll) {
    for (const bool replace : {false, true}) {
        journal.clear();
        Command("ZOTCHET\r\n");
        Fake(DeviceKind::Shtrih).onCall = [&](const std::string& op) {
            if (op != "ZReport")
                return;
            if (replace) {
                SaveLinesAtomic(folder.File("cmd.ini"), {"XOTCHET"});
                loop.NoteChange({FolderWatch::Change::MovedIn, "cmd.ini"});
            } else {
                std::ofstream(folder.File("cmd.ini"), std::ios::binary | std::ios::trunc)
                    << "XOTCHET\r\n";
                loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
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
    Command("ZOTCHET\r\n");
    bool inner = true;
    Fake(DeviceKind::Shtrih).onCall = [&](const std::string& op) {
        if (op != "ZReport")
            return;
        EXPECT_TRUE(loop.Busy());
        Command("XOTCHET\r\n");
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
    Command("PRINTTXTFILE=" + folder.File("Чеки/Копия.TXT") + "\r\n");
    EXPECT_TRUE(loop.Tick());
    Command("PRINTQRCODE=https://Example.org/AbC\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Operations(), (Calls{"S:PrintLine(Строка)", "S:FeedAndCut()",
                                   "S:PrintQRCode(PRINTQRCODE=https://Example.org/AbC)"}));
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
}

TEST_F(CommandLoopTest, LongFormKindHoldsForOneCommandOnly) {
    Command("ATOL,2,ZOTCHET\r\n");
    loop.Tick();
    Command("zotchet\r\n");
    loop.Tick();
    EXPECT_EQ(Operations(), (Calls{"A:ZReport()", "S:ZReport()"}));
    EXPECT_EQ(ctx.device.LogicalDevice, 1);
}

// How cmd.ini was left by its writer, and how long it has stayed so, decide whether a poll
// takes it: a writer that pauses in the middle of a line must never have half of it run.
struct WriterRow {
    std::string name;
    std::string bytes;
    std::optional<FolderWatch::Change> report;  // what the folder watch said, if anything
    int64_t unchangedMs;                        // since the first poll that saw it so
    bool taken;
};

void PrintTo(const WriterRow& row, std::ostream* os) {
    *os << row.name;
}

class CommandWriterRows : public CommandLoopTest,
                          public ::testing::WithParamInterface<WriterRow> {};

TEST_P(CommandWriterRows, TakenOnlyOnceTheWriterIsDone) {
    const WriterRow& row = GetParam();
    folder.WriteBytes("cmd.ini", row.bytes);
    if (row.report)
        loop.NoteChange({*row.report, "cmd.ini"});
    const bool first = loop.Tick();
    if (row.unchangedMs > 0) {
        EXPECT_FALSE(first) << "the first poll only looks";
        nowMs += row.unchangedMs;
        EXPECT_EQ(loop.Tick(), row.taken);
    } else {
        EXPECT_EQ(first, row.taken);
    }
    EXPECT_EQ(folder.Exists("cmd.ini"), !row.taken);
    if (!row.taken) {
        ASSERT_TRUE(loop.RecheckInMs().has_value());
        EXPECT_GT(*loop.RecheckInMs(), 0);
        EXPECT_FALSE(folder.Exists("cmd.finish"));
        EXPECT_TRUE(ctx.log.Errors().empty());
    }
}

const int64_t kSettled = CommandLoop::kSettledMs;
const int64_t kUnfinished = CommandLoop::kUnfinishedMs;
const auto kClosed = FolderWatch::Change::Closed;
const auto kMovedIn = FolderWatch::Change::MovedIn;
const auto kCreated = FolderWatch::Change::Created;

INSTANTIATE_TEST_SUITE_P(
    Rows, CommandWriterRows,
    ::testing::Values(
        WriterRow{"closed_whole_line", "ZOTCHET\r\n", kClosed, 0, true},
        WriterRow{"closed_lf_only", "ZOTCHET\n", kClosed, 0, true},
        WriterRow{"renamed_in_whole_line", "ZOTCHET\r\n", kMovedIn, 0, true},
        WriterRow{"renamed_in_without_line_end", "ZOTCHET", kMovedIn, 0, true},
        WriterRow{"only_created", "ZOTCHET\r\n", kCreated, 0, false},
        WriterRow{"closed_half_line", "ZOT", kClosed, 0, false},
        WriterRow{"closed_half_line_a_moment_later", "ZOT", kClosed, kUnfinished - 1, false},
        WriterRow{"closed_half_line_long_unchanged", "ZOT", kClosed, kUnfinished, true},
        WriterRow{"no_report_whole_line", "ZOTCHET\r\n", std::nullopt, 0, false},
        WriterRow{"no_report_whole_line_settling", "ZOTCHET\r\n", std::nullopt, kSettled - 1,
                  false},
        WriterRow{"no_report_whole_line_settled", "ZOTCHET\r\n", std::nullopt, kSettled, true},
        WriterRow{"no_report_half_line_settled", "ZOT", std::nullopt, kSettled, false},
        WriterRow{"no_report_half_line_long_unchanged", "ZOT", std::nullopt, kUnfinished, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(CommandLoopTest, CommandFileInAnyLetterCase) {
    Command("XOTCHET\r\n", "CMD.INI");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(Files(), "Result.txt cmd.finish") << "the answer keeps its documented names";
    EXPECT_FALSE(folder.Exists("CMD.INI"));

    // Two spellings at once: two commands, the documented spelling first.
    Command("ZOTCHET\r\n", "Cmd.Ini");
    Command("OPENSESSION\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_TRUE(loop.CommandWaiting());
    EXPECT_TRUE(loop.Tick());
    EXPECT_FALSE(loop.CommandWaiting());
    EXPECT_EQ(Operations(), (Calls{"S:XReport()", "S:OpenShift()", "S:ZReport()"}));
    EXPECT_FALSE(folder.Exists("Cmd.Ini"));

    // A folder of that name is no command file.
    std::filesystem::create_directory(folder.File("CMD.ini"));
    EXPECT_FALSE(loop.CommandWaiting());
    EXPECT_FALSE(loop.Tick());
    EXPECT_TRUE(ctx.log.Errors().empty());
}

struct ChangeRow {
    std::string name;
    FolderWatch::Event event;
    bool tick;
};

void PrintTo(const ChangeRow& row, std::ostream* os) {
    *os << row.name;
}

class FolderChangeRows : public CommandLoopTest, public ::testing::WithParamInterface<ChangeRow> {};

// Only news of a command file starts a tick; the loop's own writes (Result.txt, cmd.finish, their
// temporary files) must not start tick after tick.
TEST_P(FolderChangeRows, StartTicksOnlyForACommandFile) {
    folder.Write("cmd.ini", "XOTCHET\r\n");
    folder.Write("Result.txt", "");
    EXPECT_EQ(loop.NoteChange(GetParam().event), GetParam().tick);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FolderChangeRows,
    ::testing::Values(
        ChangeRow{"closed", {FolderWatch::Change::Closed, "cmd.ini"}, true},
        ChangeRow{"moved_in", {FolderWatch::Change::MovedIn, "cmd.ini"}, true},
        ChangeRow{"upper_case", {FolderWatch::Change::Closed, "CMD.INI"}, false},
        ChangeRow{"created_plain_file", {FolderWatch::Change::Created, "cmd.ini"}, false},
        ChangeRow{"answer", {FolderWatch::Change::MovedIn, "Result.txt"}, false},
        ChangeRow{"temporary", {FolderWatch::Change::Closed, ".cmd.ini.tmp-1-abcdef"}, false},
        ChangeRow{"lost_events", {FolderWatch::Change::Overflow, ""}, true},
        ChangeRow{"folder_gone", {FolderWatch::Change::Gone, ""}, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(CommandLoopTest, CommandFileThatCannotBeTakenIsNeverCarriedOut) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a file of another user: run as root";
    // A folder like /tmp: nobody may delete another user's file in it, but may write into it.
    ASSERT_EQ(::chmod(folder.Path().c_str(), 01777), 0);
    folder.Write("cmd.ini", "OPENSESSION\r\n");
    ASSERT_EQ(::chmod(folder.File("cmd.ini").c_str(), 0666), 0);
    const auto seen = test::RunUnprivileged([&] {
        const FolderWatch::Event closed{FolderWatch::Change::Closed, "cmd.ini"};
        std::string s;
        loop.NoteChange(closed);
        s += loop.Tick() ? "answered, " : "not answered, ";
        s += folder.Exists("cmd.ini") ? "left, " : "gone, ";
        s += loop.CommandWaiting() ? "waiting, " : "not waiting, ";
        s += loop.NoteChange(closed) ? "ticks on its own emptying, " : "no tick, ";
        std::ofstream(folder.File("cmd.ini"), std::ios::binary | std::ios::trunc) << "XOTCHET\r\n";
        s += loop.NoteChange(closed) ? "a new command ticks: " : "a new command is ignored: ";
        loop.Tick();
        for (const std::string& op : Operations())
            s += op + " ";
        return s;
    });
    // It could not be taken, so neither command was carried out: each was answered once.
    EXPECT_EQ(seen, "answered, left, not waiting, no tick, a new command ticks: ");
}

}  // namespace
}  // namespace orvenka
