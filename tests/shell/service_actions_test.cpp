#include "shell/service_actions.h"

#include <gtest/gtest.h>

#include "backends/backends.h"
#include "backends/unsupported/unsupported_backend.h"
#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using Calls = std::vector<std::string>;

struct ButtonRow {
    ServiceButton button;
    const char* operation;  // what the button calls on a register's back-end
    const char* prefix;     // its error-line prefix; "" when the failure escapes
};

const ButtonRow kButtons[] = {
    {ServiceButton::ShowProperties, "ShowProperties", ""},
    {ServiceButton::OpenDrawer, "OpenDrawer", ""},
    {ServiceButton::ZReport, "ZReport", ""},
    {ServiceButton::XReport, "XReport", ""},
    {ServiceButton::CopyLastCheck, "PrintCopyLastCheck", "Копия последнего чека:"},
    {ServiceButton::CopyCheckByNumber, "PrintCopyLastCheckForNum",
     "Копия последнего чека по номеру ФД:"},
    {ServiceButton::UnsentFD, "ShowUnsentFD", "Не переданные ФД:"},
    {ServiceButton::TestLinkOFD, "ShowTestLinkOFD", "Проверка связи с офд:"},
    {ServiceButton::SrokFN, "ShowSrokFN", "срок действия ФН:"},
};

class ServiceActionsTest : public test::ShellTest {
  protected:
    ServiceActionsTest() {
        actions.SetTimerControl([this](bool on) { timer.push_back(on ? "on" : "off"); });
    }

    // Runs a button on `kind` as the operator chooses it in the device dialog.
    bool Press(ServiceButton button, char kind, const std::string& number = "7") {
        platform.deviceKinds.push_back(kind);
        return actions.Run(button, number);
    }
    void Reset() {
        journal.clear();
        timer.clear();
        ctx.log.ClearErrors();
    }

    CommandLoop loop{ctx};
    ServiceActions actions{ctx, loop};
    Calls timer;
};

TEST_F(ServiceActionsTest, FrameAroundARegisterOperation) {
    for (const ButtonRow& row : kButtons) {
        for (const char kind : {'A', 'S'}) {
            SCOPED_TRACE(std::string(row.operation) + " on " + kind);
            Reset();
            ctx.device.LogicalDevice = 3;
            ctx.LogError("ошибка прошлой команды");
            bool pending = false;
            Calls timerDuring;
            size_t errorsDuring = 99;
            int logicalDevice = -1;
            Fake(kind).onCall = [&](const std::string& op) {
                if (op != row.operation)
                    return;
                pending = ctx.ConnectPending;
                timerDuring = timer;
                errorsDuring = ctx.log.Errors().size();
                logicalDevice = ctx.device.LogicalDevice;
            };

            EXPECT_TRUE(Press(row.button, kind));
            Fake(kind).onCall = nullptr;

            const std::string arguments = row.button == ServiceButton::CopyCheckByNumber ? "7" : "";
            EXPECT_EQ(journal,
                      (Calls{std::string(1, kind) + ":" + row.operation + "(" + arguments + ")",
                             "A:ReleaseDriver()", "S:ReleaseDriver()"}));
            EXPECT_TRUE(pending);
            EXPECT_EQ(timerDuring, Calls{"off"});
            EXPECT_EQ(errorsDuring, 0u) << "the error pane is cleared before the operation";
            // 0 lets the ATOL connection ask for the device; Shtrih-M keeps what it had.
            EXPECT_EQ(logicalDevice, kind == 'A' ? 0 : 3);
            EXPECT_EQ(timer, (Calls{"off", "on"}));
            EXPECT_FALSE(ctx.ConnectPending);
            EXPECT_TRUE(ctx.log.Errors().empty());
        }
    }
    EXPECT_FALSE(folder.Exists("Result.txt"));
    EXPECT_FALSE(folder.Exists("cmd.finish"));
}

TEST_F(ServiceActionsTest, CancelledDeviceDialogRunsNothingButTheFrame) {
    ctx.StartupKind = 'E';
    for (const ButtonRow& row : kButtons) {
        SCOPED_TRACE(row.operation);
        Reset();
        ctx.LogError("ошибка прошлой команды");
        EXPECT_TRUE(Press(row.button, 0));
        EXPECT_EQ(journal, (Calls{"A:ReleaseDriver()", "S:ReleaseDriver()"}));
        EXPECT_EQ(timer, (Calls{"off", "on"}));
        EXPECT_FALSE(ctx.ConnectPending);
        EXPECT_TRUE(ctx.log.Errors().empty()) << "the pane is cleared before the question";
    }
    EXPECT_EQ(platform.printerSetupCalls, 0);
    // The dialog offers the start-up kind first.
    EXPECT_EQ(platform.deviceKindPreselects, std::vector<char>(std::size(kButtons), 'E'));
}

TEST_F(ServiceActionsTest, EmulatorOnlyOpensThePrinterSetup) {
    for (const ButtonRow& row : kButtons) {
        SCOPED_TRACE(row.operation);
        Reset();
        const int setupBefore = platform.printerSetupCalls;
        EXPECT_TRUE(Press(row.button, 'E'));
        EXPECT_EQ(Operations(), Calls{}) << "the emulator's Z report exists only as a command";
        EXPECT_EQ(platform.printerSetupCalls - setupBefore,
                  row.button == ServiceButton::ShowProperties ? 1 : 0);
        EXPECT_EQ(timer, (Calls{"off", "on"}));
        EXPECT_FALSE(ctx.ConnectPending);
    }
}

TEST_F(ServiceActionsTest, FailureIsReportedAsEachButtonSays) {
    for (const ButtonRow& row : kButtons) {
        for (const char kind : {'A', 'S'}) {
            SCOPED_TRACE(std::string(row.operation) + " on " + kind);
            Reset();
            Fake(kind).failOn = row.operation;
            const std::string failure = std::string("отказ устройства в операции ") + row.operation;
            if (*row.prefix) {
                EXPECT_TRUE(Press(row.button, kind));
                EXPECT_EQ(ErrorTexts(), Calls{row.prefix + failure});
            } else {
                // Left to the application's error box; the frame has ended by then.
                try {
                    Press(row.button, kind);
                    ADD_FAILURE() << "the failure must reach the caller";
                } catch (const Failure& f) {
                    EXPECT_EQ(f.what(), failure);
                    EXPECT_EQ(timer, (Calls{"off", "on"}));
                    EXPECT_FALSE(ctx.ConnectPending);
                }
                EXPECT_TRUE(ctx.log.Errors().empty());
            }
            Fake(kind).failOn.clear();
            EXPECT_EQ(timer, (Calls{"off", "on"}));
            EXPECT_FALSE(ctx.ConnectPending);
            EXPECT_EQ(journal.size(), 3u);
            EXPECT_EQ(journal[1], "A:ReleaseDriver()");
            EXPECT_EQ(journal[2], "S:ReleaseDriver()");
        }
    }
    EXPECT_FALSE(folder.Exists("Result.txt"));
    EXPECT_FALSE(folder.Exists("cmd.finish"));
}

TEST_F(ServiceActionsTest, RegistersNotBuiltAnswerWithAClearFailure) {
    InstallBackends(ctx);
    const UnsupportedBackend atol('A', "АТОЛ"), shtrih('S', "Штрих-М");
    for (const ButtonRow& row : kButtons) {
        for (const char kind : {'A', 'S'}) {
            SCOPED_TRACE(std::string(row.operation) + " on " + kind);
            Reset();
            std::string text;
            if (*row.prefix) {
                EXPECT_TRUE(Press(row.button, kind));
                ASSERT_EQ(ErrorTexts().size(), 1u);
                text = ErrorTexts()[0];
                EXPECT_EQ(text.rfind(row.prefix, 0), 0u) << text;
            } else {
                EXPECT_THROW(
                    {
                        try {
                            Press(row.button, kind);
                        } catch (const Failure& f) {
                            text = f.what();
                            throw;
                        }
                    },
                    Failure);
                EXPECT_TRUE(ctx.log.Errors().empty());
            }
            const UnsupportedBackend& backend = kind == 'A' ? atol : shtrih;
            EXPECT_NE(text.find(backend.Message("")), std::string::npos) << text;
            EXPECT_EQ(timer, (Calls{"off", "on"}));
            EXPECT_FALSE(ctx.ConnectPending);
        }
    }
}

TEST_F(ServiceActionsTest, KeptAtolDriverIsNotReleased) {
    ctx.KeepAtolDriver = true;
    EXPECT_TRUE(Press(ServiceButton::XReport, 'A'));
    EXPECT_EQ(journal, (Calls{"A:XReport()", "S:ReleaseDriver()"}));
    Reset();
    EXPECT_TRUE(Press(ServiceButton::XReport, 0));
    EXPECT_EQ(journal, (Calls{"S:ReleaseDriver()"}));
}

TEST_F(ServiceActionsTest, FailedReleaseIsLoggedAndTheFrameStillEnds) {
    Fake('A').failOn = "ReleaseDriver";
    EXPECT_TRUE(Press(ServiceButton::SrokFN, 'S'));
    EXPECT_EQ(journal, (Calls{"S:ShowSrokFN()", "A:ReleaseDriver()", "S:ReleaseDriver()"}));
    EXPECT_EQ(ErrorTexts(), Calls{"отказ устройства в операции ReleaseDriver"});
    EXPECT_EQ(timer, (Calls{"off", "on"}));
    EXPECT_FALSE(ctx.ConnectPending);
}

TEST_F(ServiceActionsTest, NothingWhileACommandOrAnotherButtonRuns) {
    folder.Write("cmd.ini", "ZOTCHET\r\n");
    bool ranDuringTick = true;
    Fake('S').onCall = [&](const std::string& op) {
        if (op != "ZReport")
            return;
        platform.deviceKinds.push_back('A');
        ranDuringTick = actions.Run(ServiceButton::OpenDrawer);
    };
    EXPECT_TRUE(loop.Tick());
    EXPECT_FALSE(ranDuringTick);
    EXPECT_TRUE(platform.deviceKindPreselects.empty()) << "no device dialog during a command";
    EXPECT_EQ(Operations(), Calls{"S:ZReport()"});
    EXPECT_TRUE(timer.empty()) << "the button must not touch the command's timer";

    Reset();
    platform.deviceKinds.clear();
    bool ranDuringButton = true;
    bool busyDuringButton = false;
    Fake('A').onCall = [&](const std::string& op) {
        if (op != "XReport")
            return;
        busyDuringButton = actions.Busy();
        platform.deviceKinds.push_back('A');
        ranDuringButton = actions.Run(ServiceButton::ZReport);
    };
    EXPECT_TRUE(Press(ServiceButton::XReport, 'A'));
    EXPECT_TRUE(busyDuringButton);
    EXPECT_FALSE(ranDuringButton);
    EXPECT_FALSE(actions.Busy());
    EXPECT_EQ(Operations(), Calls{"A:XReport()"});
    EXPECT_EQ(timer, (Calls{"off", "on"})) << "the inner click must not switch the timer on";
}

TEST_F(ServiceActionsTest, NumberFieldAcceptsWholeNumbersOnly) {
    struct Row {
        const char* text;
        bool integer;
    };
    const Row rows[] = {
        {"123", true}, {"-5", true},           {"+7", true},   {" 42", true},  {"$1F", true},
        {"", false},   {"abc", false},         {"12a", false}, {"1.5", false}, {"12 ", false},
        {"-", false},  {"99999999999", false}, {"Ⅻ", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const auto error = NumFDError(row.text);
        EXPECT_EQ(!error.has_value(), row.integer);
        if (error) {
            EXPECT_EQ(*error, std::string("'") + row.text + "' не является целым числом");
        }
    }
}

TEST_F(ServiceActionsTest, NumberTypedGoesToTheBackEndAsTyped) {
    EXPECT_TRUE(Press(ServiceButton::CopyCheckByNumber, 'A', "12a"));
    EXPECT_EQ(Operations(), Calls{"A:PrintCopyLastCheckForNum(12a)"});
}

}  // namespace
}  // namespace orvenka
