#include "shell/service_actions.h"

#include <gtest/gtest.h>

#include "backends/backends.h"
#include "backends/emul/emul_backend.h"
#include "backends/unsupported/unsupported_backend.h"
#include "shell/command_loop.h"
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
        ctx.frame.SetTimerControl([this](bool on) { timer.push_back(on ? "on" : "off"); });
    }

    // Runs a button on `kind` as the operator chooses it in the device dialog.
    bool Press(ServiceButton button, DeviceKind kind, const std::string& number = "7") {
        platform.deviceKinds.push_back(kind);
        return actions.Run(button, number);
    }
    void Reset() {
        journal.clear();
        timer.clear();
        ctx.log.ClearErrors();
    }

    CommandLoop loop{ctx};
    ServiceActions actions{ctx};
    Calls timer;
};

TEST_F(ServiceActionsTest, FrameAroundARegisterOperation) {
    for (const ButtonRow& row : kButtons) {
        for (const DeviceKind kind : {DeviceKind::Shtrih}) {
            SCOPED_TRACE(std::string(row.operation) + " on " + KindLetter(kind));
            Reset();
            ctx.LogError("ошибка прошлой команды");
            bool pending = false;
            Calls timerDuring;
            size_t errorsDuring = 99;
            Fake(kind).prepared.clear();
            Fake(kind).onCall = [&](const std::string& op) {
                if (op != row.operation)
                    return;
                pending = ctx.ConnectPending;
                timerDuring = timer;
                errorsDuring = ctx.log.Errors().size();
            };

            EXPECT_TRUE(Press(row.button, kind));
            Fake(kind).onCall = nullptr;

            const std::string arguments = row.button == ServiceButton::CopyCheckByNumber ? "7" : "";
            EXPECT_EQ(journal,
                      (Calls{KindLetter(kind) + (":" + std::string(row.operation)) + "(" +
                                 arguments + ")",
                             "A:ReleaseDriver()", "S:ReleaseDriver()", "E:ReleaseDriver()"}));
            // The device's own steps (connection, logical device) come first.
            EXPECT_EQ(Fake(kind).prepared, std::vector<ServiceButton>{row.button});
            EXPECT_TRUE(pending);
            EXPECT_EQ(timerDuring, Calls{"off"});
            EXPECT_EQ(errorsDuring, 0u) << "the error pane is cleared before the operation";
            EXPECT_EQ(timer, (Calls{"off", "on"}));
            EXPECT_FALSE(ctx.ConnectPending);
            EXPECT_TRUE(ctx.log.Errors().empty());
        }
    }
    EXPECT_FALSE(folder.Exists("Result.txt"));
    EXPECT_FALSE(folder.Exists("cmd.finish"));
}

TEST_F(ServiceActionsTest, CancelledDeviceDialogRunsNothingButTheFrame) {
    ctx.StartupKind = DeviceKind::Emul;
    for (const ButtonRow& row : kButtons) {
        SCOPED_TRACE(row.operation);
        Reset();
        ctx.LogError("ошибка прошлой команды");
        EXPECT_TRUE(Press(row.button, DeviceKind::None));
        EXPECT_EQ(journal, (Calls{"A:ReleaseDriver()", "S:ReleaseDriver()", "E:ReleaseDriver()"}));
        EXPECT_EQ(timer, (Calls{"off", "on"}));
        EXPECT_FALSE(ctx.ConnectPending);
        EXPECT_TRUE(ctx.log.Errors().empty()) << "the pane is cleared before the question";
    }
    EXPECT_EQ(platform.printerSetupCalls, 0);
    // The dialog offers the start-up kind first.
    EXPECT_EQ(platform.deviceKindPreselects,
              std::vector<DeviceKind>(std::size(kButtons), DeviceKind::Emul));
}

TEST_F(ServiceActionsTest, EmulatorOnlyOpensThePrinterSetup) {
    ctx.SetBackend(std::make_unique<EmulBackend>(ctx));
    for (const ButtonRow& row : kButtons) {
        SCOPED_TRACE(row.operation);
        Reset();
        const int setupBefore = platform.printerSetupCalls;
        EXPECT_TRUE(Press(row.button, DeviceKind::Emul));
        EXPECT_EQ(Operations(), Calls{}) << "the emulator's Z report exists only as a command";
        EXPECT_TRUE(platform.printed.empty());
        EXPECT_TRUE(ctx.log.Errors().empty());
        EXPECT_EQ(platform.printerSetupCalls - setupBefore,
                  row.button == ServiceButton::ShowProperties ? 1 : 0);
        EXPECT_EQ(timer, (Calls{"off", "on"}));
        EXPECT_FALSE(ctx.ConnectPending);
    }
}

TEST_F(ServiceActionsTest, FailureIsReportedAsEachButtonSays) {
    for (const ButtonRow& row : kButtons) {
        for (const DeviceKind kind : {DeviceKind::Shtrih}) {
            SCOPED_TRACE(std::string(row.operation) + " on " + KindLetter(kind));
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
            EXPECT_EQ(journal.size(), 4u);
            EXPECT_EQ(journal[1], "A:ReleaseDriver()");
            EXPECT_EQ(journal[2], "S:ReleaseDriver()");
            EXPECT_EQ(journal[3], "E:ReleaseDriver()");
        }
    }
    EXPECT_FALSE(folder.Exists("Result.txt"));
    EXPECT_FALSE(folder.Exists("cmd.finish"));
}

TEST_F(ServiceActionsTest, RegistersNotBuiltAnswerWithAClearFailure) {
    ctx.SetBackend(std::make_unique<UnsupportedBackend>(DeviceKind::Atol, "АТОЛ", false));
    ctx.SetBackend(std::make_unique<UnsupportedBackend>(DeviceKind::Shtrih, "Штрих-М", true));
    for (const ButtonRow& row : kButtons) {
        for (const DeviceKind kind : {DeviceKind::Atol, DeviceKind::Shtrih}) {
            SCOPED_TRACE(std::string(row.operation) + " on " + KindLetter(kind));
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
            const std::string notBuilt =
                std::string(": поддержка ККМ ") + (kind == DeviceKind::Atol ? "АТОЛ" : "Штрих-М") +
                " в этой версии программы ещё не реализована. Команда не выполнена";
            EXPECT_NE(text.find(notBuilt), std::string::npos) << text;
            EXPECT_EQ(timer, (Calls{"off", "on"}));
            EXPECT_FALSE(ctx.ConnectPending);
        }
    }
}

TEST_F(ServiceActionsTest, DeviceStepsThatEndTheButtonSkipItsOperation) {
    Fake(DeviceKind::Shtrih).prepareAnswer = false;  // e.g. the logical-device choice cancelled
    EXPECT_TRUE(Press(ServiceButton::ZReport, DeviceKind::Shtrih));
    EXPECT_EQ(Operations(), Calls{});
    EXPECT_EQ(Fake(DeviceKind::Shtrih).prepared,
              std::vector<ServiceButton>{ServiceButton::ZReport});
    EXPECT_EQ(timer, (Calls{"off", "on"}));
    EXPECT_TRUE(ctx.log.Errors().empty());
}

TEST_F(ServiceActionsTest, FailedReleaseIsLoggedAndTheFrameStillEnds) {
    Fake(DeviceKind::Atol).failOn = "ReleaseDriver";
    EXPECT_TRUE(Press(ServiceButton::SrokFN, DeviceKind::Shtrih));
    EXPECT_EQ(journal, (Calls{"S:ShowSrokFN()", "A:ReleaseDriver()", "S:ReleaseDriver()",
                              "E:ReleaseDriver()"}));
    EXPECT_EQ(ErrorTexts(), Calls{"отказ устройства в операции ReleaseDriver"});
    EXPECT_EQ(timer, (Calls{"off", "on"}));
    EXPECT_FALSE(ctx.ConnectPending);
}

TEST_F(ServiceActionsTest, NothingWhileACommandOrAnotherButtonRuns) {
    WriteCommand(loop, "ZOTCHET\r\n");
    bool ranDuringTick = true;
    Fake(DeviceKind::Shtrih).onCall = [&](const std::string& op) {
        if (op != "ZReport")
            return;
        platform.deviceKinds.push_back(DeviceKind::Atol);
        ranDuringTick = actions.Run(ServiceButton::OpenDrawer);
    };
    EXPECT_TRUE(loop.Tick());
    EXPECT_FALSE(ranDuringTick);
    EXPECT_TRUE(platform.deviceKindPreselects.empty()) << "no device dialog during a command";
    EXPECT_EQ(Operations(), Calls{"S:ZReport()"});
    EXPECT_EQ(timer, (Calls{"off", "on"})) << "only the command's own frame switches the timer";

    Reset();
    platform.deviceKinds.clear();
    bool ranDuringButton = true;
    bool busyDuringButton = false;
    Fake(DeviceKind::Atol).onCall = [&](const std::string& op) {
        if (op != "XReport")
            return;
        busyDuringButton = actions.Busy();
        platform.deviceKinds.push_back(DeviceKind::Atol);
        ranDuringButton = actions.Run(ServiceButton::ZReport);
    };
    EXPECT_TRUE(Press(ServiceButton::XReport, DeviceKind::Atol));
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
    EXPECT_TRUE(Press(ServiceButton::CopyCheckByNumber, DeviceKind::Atol, "12a"));
    EXPECT_EQ(Operations(), Calls{"A:PrintCopyLastCheckForNum(12a)"});
}

}  // namespace
}  // namespace orvenka
