#include <gtest/gtest.h>

#include <cmath>

#include "backends/shtrih/shtrih_fixture.h"
#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {
namespace {

using test::Join;
using test::Lines;

class ShtrihConnectionTest : public test::ShtrihTest {
  protected:
    // The connection sequence of a command, its failure text ("" when it connected).
    std::string Prepare() {
        ctx.ConnectPending = true;
        try {
            fr->FR_Prepare();
            return "";
        } catch (const Failure& f) {
            return f.what();
        }
    }
};

const Lines kStatus = {"Password:=1", "GetECRStatus()", "ECRAdvancedMode?", "ECRMode?"};
const Lines kClock = {"Password:=30", "Date?", "Password:=30", "Time?"};
const Lines kWidths = {"Password:=30", "FontType:=1",  "GetFontMetrics()", "PrintWidth?",
                       "CharWidth?",   "Password:=30", "FontType:=2",      "GetFontMetrics()",
                       "PrintWidth?",  "CharWidth?"};

TEST_F(ShtrihConnectionTest, FirstConnectionOfTheRunBeepsChoosesTheDeviceAndLearnsTheWidths) {
    folder.Write("DrvFR.sim.state.ini", "LD_NUMBERS=1,2\r\n");
    ctx.device.LogicalDevice = 2;
    EXPECT_EQ(Prepare(), "");
    EXPECT_EQ(traffic.lines, Join({{"GetActiveLD()", "LDNumber?", "LDNumber:=2", "SetActiveLD()",
                                    "Password:=30", "Beep()"},
                                   kStatus,
                                   kClock,
                                   kWidths}));
    EXPECT_EQ(ctx.param.PRN_WIDHT, 48) << "576 dots of 12";
    EXPECT_EQ(ctx.param.PRN_WIDHT_ITOG, 24);
    EXPECT_FALSE(ctx.ConnectPending);

    // The next command: no beep, the device is active already, the widths are known; a nested
    // call inside the command does nothing.
    NextCommand();
    traffic.lines.clear();
    EXPECT_EQ(Prepare(), "");
    fr->FR_Prepare();
    EXPECT_EQ(traffic.lines, Join({{"GetActiveLD()", "LDNumber?"}, kStatus, kClock}));
}

TEST_F(ShtrihConnectionTest, LogicalDeviceZeroIsOne) {
    ctx.device.LogicalDevice = 0;
    EXPECT_EQ(Prepare(), "");
    EXPECT_EQ(ctx.device.LogicalDevice, 1);
    EXPECT_FALSE(Sent("SetActiveLD()"));

    NextCommand();
    ctx.device.LogicalDevice = 5;
    EXPECT_EQ(Prepare(),
              "Ошибка подключения к логическому устройству 5:Логическое устройство не "
              "найдено: номер 5");
}

// What the state repair does in each mode; the waits after a Z report and a date confirmation
// poll the status until the register answers without an error.
TEST_F(ShtrihConnectionTest, StateRepairByMode) {
    struct Case {
        std::string state;
        Lines repair;  // between the first status query and the clock
    };
    const std::vector<Case> cases = {
        {"SHIFT_OPEN=1\r\nSHIFT_OPENED=44000\r\n",
         {"ECRAdvancedMode?", "ECRMode?", "Password:=30", "PrintReportWithCleaning()",
          "Password:=1", "GetECRStatus()"}},
        {"DATE_CONFIRM=1\r\n",
         {"ECRAdvancedMode?", "ECRMode?", "Password:=30", "ConfirmDate()", "Password:=1",
          "GetECRStatus()"}},
        {"DOC_OPEN=1\r\n",
         {"ECRAdvancedMode?", "ECRMode?", "Password:=30", "SysAdminCancelCheck()"}},
        {"ADVANCED_MODE=3\r\n", {"ECRAdvancedMode?", "Password:=1", "ContinuePrint()", "ECRMode?"}},
        {"SHIFT_OPEN=1\r\nSHIFT_OPENED=44239\r\n", {"ECRAdvancedMode?", "ECRMode?"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        NextCommand();
        folder.Write("DrvFR.sim.state.ini", c.state);
        traffic.lines.clear();
        EXPECT_EQ(Prepare(), "");
        const Lines from = TrafficFrom("GetECRStatus()");
        const auto clock = std::find(from.begin(), from.end(), "Date?");
        ASSERT_NE(clock, from.end());
        EXPECT_EQ(Lines(from.begin() + 1, clock - 1), c.repair);
    }
    EXPECT_TRUE(slept.empty()) << "each register answered at the first query";
}

// The wait for a register that never comes back is bounded and says which mode it
// was repairing; the literal wait would poll forever.
TEST_F(ShtrihConnectionTest, RegisterThatStaysBusyEndsTheWaitWithTheMode) {
    folder.Write("DrvFR.sim.state.ini", "SHIFT_OPEN=1\r\nSHIFT_OPENED=44000\r\n");
    folder.Write("DrvFR.sim.faults.ini", "BUSY=1\r\n");
    EXPECT_EQ(Prepare(),
              "Штрих: ФР не вернулся к работе после закрытия смены, превысившей 24 часа (режим "
              "3): 4 запросов состояния за 1 с, последний ответ: Идет печать результатов "
              "выполнения предыдущей команды");
    EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "GetECRStatus()"), 5);
    EXPECT_EQ(slept, std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(500)));
}

TEST_F(ShtrihConnectionTest, ClockCheckLetsARegisterRunBehindButNotFarAhead) {
    struct Case {
        double minutes;
        bool passes;
    };
    for (const Case& c :
         {Case{99, true}, Case{99.4, true}, Case{100, false}, Case{-300, true}, Case{0, true}}) {
        SCOPED_TRACE(c.minutes);
        NextCommand();
        folder.Write("DrvFR.sim.faults.ini",
                     "CLOCK_OFFSET_MINUTES=" + FormatGeneral(c.minutes) + "\r\n");
        const std::string failure = Prepare();
        if (c.passes) {
            EXPECT_EQ(failure, "");
        } else {
            EXPECT_EQ(failure,
                      "Время ФР (12.02.2021 12:10:15) отличается от времени\rтерминала(12.02.2021 "
                      "10:30:15) установите правильное время!");
        }
    }
}

// Widths the driver cannot give sensibly fall back to 50 and 25 characters instead
// of dividing by zero.
TEST_F(ShtrihConnectionTest, WidthsFallBackWhenTheMetricsAreUseless) {
    struct Case {
        std::string what;
        std::map<std::string, Variant> reads;
        std::string faults;
        int width, itog;
    };
    const std::vector<Case> cases = {
        {"zero character width", {{"CharWidth", 0}}, "", 50, 25},
        {"negative print width", {{"PrintWidth", -576}}, "", 50, 25},
        {"width below one character", {{"PrintWidth", 5}}, "", 50, 25},
        {"metrics refused", {}, "FAIL.GetFontMetrics=51,Нет шрифта\r\n", 50, 25},
        {"metrics of a register", {}, "", 48, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NextCommand();
        OverrideReads(c.reads);
        folder.Write("DrvFR.sim.faults.ini", c.faults);
        ctx.param.PRN_WIDHT = c.what == "negative print width" ? -3 : 0;
        ctx.param.PRN_WIDHT_ITOG = 0;
        ctx.param.NameFull = true;
        EXPECT_EQ(Prepare(), "");
        EXPECT_EQ(ctx.param.PRN_WIDHT, c.width);
        EXPECT_EQ(ctx.param.PRN_WIDHT_ITOG, c.itog);
        EXPECT_EQ(ctx.param.Name, c.width) << "Name=FULL takes the paper width";
        EXPECT_TRUE(ErrorTexts().empty());
    }
}

TEST_F(ShtrihConnectionTest, ConnectionFailuresCarryTheirTexts) {
    struct Case {
        std::string faults;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {"FAIL.GetActiveLD=-1,Нет связи\r\n", "Ошибка опроса логического устройства:Нет связи"},
        {"FAIL.Beep=-1,Порт занят\r\n", "Порт занят"},
        {"FAIL.GetECRStatus=-1,Нет связи\r\n", "Нет связи"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        NextCommand();
        folder.Write("DrvFR.sim.faults.ini", c.faults);
        EXPECT_EQ(Prepare(), c.failure);
    }
    // A clock that cannot be read is logged and passes as the zero date.
    folder.Write("DrvFR.sim.faults.ini", "");
    for (const auto& [value, logged] : std::vector<std::pair<Variant, std::string>>{
             {Variant("вчера"), "Несовпадение типов"},
             {Variant(1e300), "недопустимое значение Date"},
             {Variant(std::nan("")), "недопустимое значение Date"}}) {
        NextCommand();
        OverrideReads({{"Date", value}});
        EXPECT_EQ(Prepare(), "");
        ASSERT_EQ(ErrorTexts().size(), 1u);
        EXPECT_NE(ErrorTexts()[0].find(logged), std::string::npos) << ErrorTexts()[0];
    }
}

TEST_F(ShtrihConnectionTest, DriverThatCannotBeCreated) {
    auto none = std::make_shared<DriverFactory>(DriverEnvironment{folder.Path(), ctx.log, clock});
    ShtrihBackend lone(ctx, none);
    ctx.ConnectPending = true;
    try {
        lone.FR_Prepare();
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "Ошибка опроса логического устройства:нет объекта драйвера AddIn.DrvFR: "
                  "Недопустимая строка с указанием класса: AddIn.DrvFR");
    }
    EXPECT_EQ(MessageTexts().back(),
              "Штрих:Ошибка подключения к ФР:Недопустимая строка с указанием класса: AddIn.DrvFR");
    EXPECT_EQ(lone.DriverState(), "драйвер AddIn.DrvFR не установлен");
    EXPECT_EQ(fr->DriverState().rfind("симулятор (AddIn.DrvFR)", 0), 0u);
}

// The operator picks a line of the dialog; the register taken is the number written in it, not
// the place of the line (with devices 1, 3 and 4 the second line is device 3).
TEST_F(ShtrihConnectionTest, LogicalDeviceChoice) {
    struct Case {
        std::string numbers;
        std::deque<int> answer;
        int chosen;
        bool dialog;
    };
    for (const Case& c :
         {Case{"1", {}, 1, false}, Case{"1,3,4", {2}, 3, true}, Case{"1,3,4", {-1}, -1, true},
          Case{"1,3,4", {0}, 0, true}, Case{"2,7", {1}, 2, true}}) {
        SCOPED_TRACE(c.numbers);
        NextCommand();
        folder.Write("DrvFR.sim.state.ini", "LD_NUMBERS=" + c.numbers + "\r\nLD3_NAME=Бар\r\n");
        platform.logicalDeviceLists.clear();
        platform.logicalDevices = c.answer;
        ctx.device.LogicalDevice = c.numbers[0] - '0';
        ctx.ConnectPending = true;
        fr->FR_Prepare();
        EXPECT_EQ(fr->SelectLogicalDevice(), c.chosen);
        EXPECT_EQ(platform.logicalDeviceLists.size(), c.dialog ? 1u : 0u);
    }
    EXPECT_EQ(platform.logicalDeviceLists.back(),
              (Lines{"2.Штрих-М симулятор 2 COM2", "7.Штрих-М симулятор 7 COM7"}));

    // A driver that cannot count its devices: logged, nothing chosen.
    NextCommand();
    folder.Write("DrvFR.sim.faults.ini", "FAIL.GetCountLD=-1,Нет драйвера\r\n");
    ctx.ConnectPending = true;
    fr->FR_Prepare();
    EXPECT_EQ(fr->SelectLogicalDevice(), -1);
    EXPECT_EQ(ErrorTexts(), Lines{"Нет драйвера"});
}

TEST_F(ShtrihConnectionTest, TextLinesPairsAndWrapping) {
    Connect();
    ctx.param.PRN_WIDHT = 10;
    fr->FR_PrintPair("ИТОГО ПО ЧЕКУ", "=5.00");
    fr->FR_PrintPair("Х", "=5.00");
    ctx.param.PRN_WIDHT = 3;
    fr->FR_PrintPair("Х", "=5.00");  // no room: the left text goes
    ctx.param.PRN_WIDHT = 4;
    fr->FR_PrintWrapped("абвгдежзи");
    fr->FR_PrintWrapped("");
    // A width of 0 or below never loops: Name, then 100 characters.
    ctx.param.PRN_WIDHT = 0;
    ctx.param.Name = 6;
    fr->FR_PrintWrapped("абвгдежзи");
    ctx.param.PRN_WIDHT = -5;
    ctx.param.Name = 0;
    fr->FR_PrintWrapped(std::string(150, 'x'));
    fr->FR_PrintLine("Крупно", true);
    Lines printed;
    for (const auto& line : traffic.lines) {
        if (line.rfind("StringForPrinting:=", 0) == 0)
            printed.push_back(line.substr(20, line.size() - 21));
    }
    EXPECT_EQ(printed, (Lines{"ИТОГО=5.00", "Х    =5.00", "=5.00", "абвг", "дежз", "и", "абвгде",
                              "жзи", std::string(100, 'x'), std::string(50, 'x'), "Крупно"}));
    EXPECT_EQ(TrafficFrom("StringForPrinting:=\"Крупно\""),
              (Lines{"StringForPrinting:=\"Крупно\"", "PrintWideString()"}));

    traffic.lines.clear();
    fr->FR_Cut();
    EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "PrintString()"), 6);
    EXPECT_EQ(Lines(traffic.lines.end() - 3, traffic.lines.end()),
              (Lines{"Password:=1", "CutType:=true", "CutCheck()"}));
}

// A text line the register refused, or that had no driver to go to, fails the document.
TEST_F(ShtrihConnectionTest, TextLineFailuresFailTheDocument) {
    folder.Write("DrvFR.sim.faults.ini", "FAIL.PrintString=107,Принтер не отвечает\r\n");
    Connect();
    const auto failure = [&](const std::string& text) {
        try {
            fr->FR_PrintLine(text, false);
        } catch (const Failure& f) {
            return std::string(f.what());
        }
        return std::string();
    };
    EXPECT_EQ(failure("строка"), "Штрих: текст не напечатан: Принтер не отвечает");
    NextCommand();
    EXPECT_EQ(failure("без драйвера"), "Штрих: нет объекта драйвера AddIn.DrvFR");
    EXPECT_TRUE(ErrorTexts().empty()) << "the caller reports it";
}

TEST_F(ShtrihConnectionTest, TableFieldIsWrittenOnlyWhenItDiffers) {
    Connect();
    std::string value = "1";
    EXPECT_TRUE(fr->ShtrihToTable(30, 18, false, true, value, 1, 5));
    EXPECT_FALSE(Sent("WriteTable()"));
    value = "4";
    fr->ShtrihToTable(30, 18, false, true, value, 1, 5);
    EXPECT_TRUE(Sent("WriteTable()"));
    value = " кассир 1 ";
    traffic.lines.clear();
    fr->ShtrihToTable(30, 2, true, true, value, 1, 2);
    EXPECT_FALSE(Sent("WriteTable()")) << "text compared trimmed and without regard to case";
    value.clear();
    fr->ShtrihToTable(30, 18, false, false, value, 1, 5);
    EXPECT_EQ(value, "4");
    try {
        fr->ShtrihToTable(30, 44, false, false, value, 1, 1);
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "1 ShtrihToTable ResultCodeDescription:Таблица или поле не определены: таблица "
                  "44, поле 1");
    }
}

}  // namespace
}  // namespace orvenka
