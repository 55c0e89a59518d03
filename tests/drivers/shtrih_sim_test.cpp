#include "drivers/sim/shtrih_sim.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/failure.h"
#include "common/files.h"
#include "drivers/sim/simulators.h"
#include "support/list_logger.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using test::ListLogger;

// The simulated register as the back-end sees it: an automation object by name.
class ShtrihSimTest : public ::testing::Test {
  protected:
    ShtrihSimTest() { RegisterSimulators(factory); }

    std::unique_ptr<AutomationObject> Create() { return factory.Create("AddIn.DrvFR"); }
    AutomationObject& Fr() {
        if (!fr)
            fr = Create();
        return *fr;
    }
    // Sets name=value pairs, then calls the method; answers the result code.
    int Run(const std::string& method,
            const std::vector<std::pair<std::string, Variant>>& sets = {}) {
        for (const auto& [name, value] : sets)
            Fr().Set(name, value);
        return Fr().CallInt(method);
    }
    std::string Description() { return Fr().GetText("ResultCodeDescription"); }
    int Mode() {
        Run("GetECRStatus", {{"Password", 1}});
        return static_cast<int>(Fr().GetInt("ECRMode"));
    }
    // The next command's object; the last one is gone first, as after every command.
    void Restart() {
        fr.reset();
        fr = Create();
    }
    // An open sale receipt with the given lines (quantity, price).
    void Sale(const std::vector<std::pair<double, double>>& lines) {
        ASSERT_EQ(Run("OpenCheck", {{"Password", 1}, {"CheckType", 0}}), 0) << Description();
        for (const auto& [quantity, price] : lines) {
            ASSERT_EQ(Run("FNOperation", {{"quantity", quantity},
                                          {"Price", price},
                                          {"Tax1", 1},
                                          {"Department", 1},
                                          {"CheckType", 1},
                                          {"StringForPrinting", "Товар"}}),
                      0)
                << Description();
        }
    }
    int Close(double cash, double card = 0) {
        return Run("FNCloseCheckEx", {{"Summ1", cash}, {"Summ2", card}});
    }
    std::string Tape() { return folder.Read("DrvFR.sim.tape.txt"); }

    test::TempFolder folder;
    ListLogger log;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 15, 0})};
    DriverFactory factory{DriverEnvironment{folder.Path(), log, clock}};
    std::unique_ptr<AutomationObject> fr;
};

TEST_F(ShtrihSimTest, SaysItIsSimulatedAndMarksEveryDocument) {
    Fr();
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].find("симулятор"), std::string::npos);
    Run("PrintString",
        {{"Password", 1}, {"UseReceiptRibbon", true}, {"StringForPrinting", "ФПД 1234"}});
    Sale({{1, 10}});
    Close(10);
    const std::string tape = Tape();
    size_t marks = 0;
    for (size_t at = tape.find("СИМУЛЯТОР, НЕ ФИСКАЛЬНЫЙ ДОКУМЕНТ"); at != std::string::npos;
         at = tape.find("СИМУЛЯТОР, НЕ ФИСКАЛЬНЫЙ ДОКУМЕНТ", at + 1)) {
        ++marks;
    }
    EXPECT_EQ(marks, 3u) << "text, the shift opening, the receipt:\n" << tape;
    EXPECT_NE(tape.find("ФП: нет, документ симулятора"), std::string::npos);
}

TEST_F(ShtrihSimTest, PasswordsDecideWhoMayDoWhat) {
    struct Case {
        std::string method;
        int password;
        int code;
    };
    for (const Case& c :
         {Case{"GetECRStatus", 1, 0}, Case{"GetECRStatus", 30, 0}, Case{"GetECRStatus", 31, 0x4F},
          Case{"GetECRStatus", 0, 0x4F}, Case{"PrintReportWithCleaning", 1, 0x4F},
          Case{"WriteTable", 1, 0x4F}, Case{"SysAdminCancelCheck", 29, 0x4F}}) {
        SCOPED_TRACE(c.method + " " + std::to_string(c.password));
        EXPECT_EQ(Run(c.method, {{"Password", c.password}}), c.code);
        EXPECT_EQ(Fr().GetInt("ResultCode"), c.code);
        if (c.code == 0x4F) {
            EXPECT_EQ(Description(), "Неверный пароль");
        }
    }
}

TEST_F(ShtrihSimTest, ModesFollowTheShiftTheClockAndTheOpenDocument) {
    EXPECT_EQ(Mode(), 4) << "a new register: shift closed";
    EXPECT_EQ(Run("OpenSession"), 0);
    EXPECT_EQ(Mode(), 2);
    EXPECT_EQ(Run("OpenSession"), 0x16) << "already open";
    Sale({{1, 10}});
    EXPECT_EQ(Mode(), 8);
    EXPECT_EQ(Run("PrintReportWithCleaning", {{"Password", 30}}), 0x4A) << "document open";
    EXPECT_EQ(Close(10), 0);
    clock.AdvanceSeconds(24 * 3600 + 60);
    EXPECT_EQ(Mode(), 3);
    EXPECT_EQ(Run("OpenCheck", {{"CheckType", 0}}), 0x4E);
    EXPECT_EQ(Description(), "Смена превысила 24 часа");
    EXPECT_EQ(Run("PrintReportWithCleaning", {{"Password", 30}}), 0);
    EXPECT_EQ(Mode(), 4);
    EXPECT_EQ(Run("PrintReportWithCleaning", {{"Password", 30}}), 0x18);

    folder.Write("DrvFR.sim.state.ini", "DATE_CONFIRM=1\r\nADVANCED_MODE=3\r\n");
    Restart();
    EXPECT_EQ(Mode(), 6);
    EXPECT_EQ(Fr().GetInt("ECRAdvancedMode"), 3);
    EXPECT_EQ(Run("OpenCheck", {{"Password", 1}, {"CheckType", 0}}), 0x58);
    EXPECT_EQ(Run("ContinuePrint"), 0);
    EXPECT_EQ(Run("OpenCheck", {{"CheckType", 0}}), 0xC0);
    EXPECT_EQ(Run("ConfirmDate"), 0);
    EXPECT_EQ(Mode(), 4);
}

// Sums as a register counts them: each line the exact decimal product in kopecks.
TEST_F(ShtrihSimTest, SubtotalIsTheSumOfExactLineSums) {
    struct Case {
        std::vector<std::pair<double, double>> lines;
        double subtotal;
    };
    for (const Case& c :
         {Case{{{0.5, 2.01}}, 1.01}, Case{{{3, 0.1}}, 0.3}, Case{{{0.5, 2.01}, {0.5, 2.01}}, 2.02},
          Case{{{1.005, 1}}, 1.01}, Case{{{2, 45.5}, {1, 89.9}}, 180.9}}) {
        Sale(c.lines);
        ASSERT_EQ(Run("CheckSubTotal"), 0);
        EXPECT_DOUBLE_EQ(Fr().GetFloat("Summ1"), c.subtotal);
        EXPECT_EQ(Close(c.subtotal), 0) << Description();
    }
}

TEST_F(ShtrihSimTest, ClosingRefusesAShortPaymentAndGivesChangeFromCashOnly) {
    Sale({{1, 100}});
    EXPECT_EQ(Close(60, 39.99), 0x45);
    // The register quotes no sums: only the program knows what it meant to pay.
    EXPECT_EQ(Description(), "Сумма всех видов оплаты меньше итога чека");
    EXPECT_EQ(Close(0, 100.01), 0x4D) << "card above the total";
    EXPECT_EQ(Run("FNCloseCheckEx", {{"Summ1", 50.0}, {"Summ2", 0.0}, {"Summ14", 50.0}}), 0);
    EXPECT_NE(Tape().find("ОПЛАТА 14"), std::string::npos);
    Fr().Set("Summ14", 0.0);

    Sale({{1, 100}});
    EXPECT_EQ(Close(150, 0), 0);
    EXPECT_NE(Tape().find("СДАЧА"), std::string::npos);

    // Paying out of the drawer needs the money in it.
    ASSERT_EQ(Run("OpenCheck", {{"CheckType", 2}}), 0);
    ASSERT_EQ(Run("FNOperation", {{"CheckType", 2}, {"quantity", 1.0}, {"Price", 500.0}}), 0);
    EXPECT_EQ(Close(500), 0x46);
    EXPECT_EQ(Run("SysAdminCancelCheck", {{"Password", 30}}), 0);
    EXPECT_EQ(Run("CashOutcome", {{"Summ1", 149.99}}), 0);
    EXPECT_EQ(Run("CashOutcome", {{"Summ1", 0.02}}), 0x46) << "50 + 100 in cash, 149.99 paid out";
}

TEST_F(ShtrihSimTest, RefusesLinesAndPaymentsARegisterWouldRefuse) {
    Sale({});
    struct Case {
        std::string what;
        std::vector<std::pair<std::string, Variant>> sets;
        int code;
    };
    const std::vector<Case> cases = {
        {"zero quantity", {{"quantity", 0.0}}, 0x33},
        {"negative price", {{"Price", -1.0}}, 0x33},
        {"tax 7", {{"Tax1", 7}}, 0x33},
        {"department 0", {{"Department", 0}}, 0x33},
        {"return in a sale", {{"CheckType", 2}}, 0x33},
        {"absurd quantity", {{"quantity", 1e12}}, 0x33},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::pair<std::string, Variant>> sets = {
            {"quantity", 1.0}, {"Price", 10.0}, {"Tax1", 1}, {"Department", 1}, {"CheckType", 1}};
        sets.insert(sets.end(), c.sets.begin(), c.sets.end());
        EXPECT_EQ(Run("FNOperation", sets), c.code);
        EXPECT_NE(Description().find("Некорректные параметры в команде: "), std::string::npos);
    }
    EXPECT_EQ(Run("SaleEx", {{"quantity", 1.0}}), 0);
    EXPECT_EQ(Run("returnSale"), 0x73) << "a return line in a sale";
    EXPECT_EQ(Close(10, 0), 0);
    EXPECT_EQ(Run("FNCloseCheckEx"), 0x73) << "no document open";
    EXPECT_EQ(Run("OpenCheck", {{"CheckType", 0}}), 0);
    EXPECT_EQ(Close(0), 0x8E) << "a receipt without lines";
}

// What a killed program leaves: the next object finds the document still open and can cancel it;
// shift and numbers go on.
TEST_F(ShtrihSimTest, StateSurvivesARestart) {
    Sale({{1, 10}});
    ASSERT_EQ(Close(10), 0);
    Sale({{2, 5}});
    Restart();
    EXPECT_EQ(Mode(), 8);
    EXPECT_EQ(Run("CheckSubTotal"), 0);
    EXPECT_DOUBLE_EQ(Fr().GetFloat("Summ1"), 0) << "its lines went with the program";
    EXPECT_EQ(Run("SysAdminCancelCheck", {{"Password", 30}}), 0);
    EXPECT_NE(Tape().find("(документ был открыт до перезапуска программы)"), std::string::npos);
    Restart();
    EXPECT_EQ(Mode(), 2);
    EXPECT_EQ(Run("FNGetStatus"), 0);
    EXPECT_EQ(Fr().GetInt("DocumentNumber"), 2) << "shift opening and one receipt";
}

TEST_F(ShtrihSimTest, GarbageStateGivesANewRegister) {
    folder.WriteBytes("DrvFR.sim.state.ini", std::string("\xFF\xFE") + std::string(1, '\0') +
                                                 "DOC_OPEN=yes\r\nSHIFT_OPEN=2\r\nDOC_NUMBER=-x\r\n"
                                                 "LD_NUMBERS=,,0,-3\r\nT2.30.1=abc\r\n");
    EXPECT_EQ(Mode(), 4);
    EXPECT_EQ(Run("GetActiveLD"), 0);
    EXPECT_EQ(Fr().GetInt("LDNumber"), 1);
    EXPECT_EQ(Run("PrintReportWithCleaning", {{"Password", 30}}), 0x4F)
        << "a password that is no number matches nothing";
    EXPECT_EQ(Run("FNGetStatus", {{"Password", 1}}), 0);
    EXPECT_EQ(Fr().GetInt("DocumentNumber"), 0);
}

TEST_F(ShtrihSimTest, InjectedFaults) {
    folder.Write("DrvFR.sim.faults.ini",
                 "FAIL.OpenCheck=115,Нет связи\r\nCLOCK_OFFSET_MINUTES=150\r\n");
    EXPECT_EQ(Run("OpenCheck", {{"CheckType", 0}}), 115);
    EXPECT_EQ(Description(), "Нет связи");
    Run("GetECRStatus", {{"Password", 1}});
    const TDateTime shown = Fr().Get("Date").ToDateTime() + Fr().Get("Time").ToDateTime();
    EXPECT_NEAR(shown, clock.Now() + 150.0 / 1440, 1e-6);

    folder.Write("DrvFR.sim.faults.ini", "PAPER_OUT=1\r\n");
    Restart();
    EXPECT_EQ(Run("PrintString", {{"UseReceiptRibbon", true}}), 0x6B);
    EXPECT_EQ(Run("OpenCheck"), 0x6B);
    Run("GetECRStatus");
    EXPECT_EQ(Fr().GetInt("ECRAdvancedMode"), 2);
    EXPECT_EQ(Run("FNGetStatus"), 0) << "what does not print still works";

    folder.Write("DrvFR.sim.faults.ini", "BUSY=1\r\n");
    Restart();
    EXPECT_EQ(Run("GetECRStatus"), 0);
    EXPECT_EQ(Run("OpenSession"), 0);
    for (const char* method : {"GetECRStatus", "FNGetStatus", "Beep"}) {
        EXPECT_EQ(Run(method), 0x50) << method;
        EXPECT_EQ(Description(), "Идет печать результатов выполнения предыдущей команды");
    }
}

TEST_F(ShtrihSimTest, TablesKeepWhatIsWrittenAndRefuseWhatDoesNotExist) {
    const auto field = [](int table, int row, int f) {
        return std::vector<std::pair<std::string, Variant>>{
            {"Password", 30}, {"TableNumber", table}, {"RowNumber", row}, {"FieldNumber", f}};
    };
    ASSERT_EQ(Run("ReadTable", field(18, 1, 5)), 0);
    EXPECT_EQ(Fr().GetInt("ValueOfFieldInteger"), 1);
    Fr().Set("ValueOfFieldInteger", 4);
    ASSERT_EQ(Run("WriteTable"), 0);
    Fr().Set("ValueOfFieldString", "Петрова");
    ASSERT_EQ(Run("WriteTable", field(2, 1, 2)), 0);
    ASSERT_EQ(Run("GetFieldStruct", field(2, 1, 2)), 0);
    EXPECT_TRUE(Fr().GetBool("FieldType")) << "a text field";
    Restart();
    ASSERT_EQ(Run("ReadTable", field(18, 1, 5)), 0);
    EXPECT_EQ(Fr().GetInt("ValueOfFieldInteger"), 4);
    ASSERT_EQ(Run("ReadTable", field(2, 1, 2)), 0);
    EXPECT_EQ(Fr().GetText("ValueOfFieldString"), "Петрова");
    ASSERT_EQ(Run("ReadTable", field(20, 1, 3)), 0);
    EXPECT_EQ(Fr().GetText("ValueOfFieldString"), "0") << "a number field reads as text too";

    EXPECT_EQ(Run("ReadTable", field(99, 1, 1)), 0x5D);
    EXPECT_EQ(Run("ReadTable", field(2, 31, 1)), 0x33);
    EXPECT_EQ(Run("WriteTable", field(20, 1, 3)), 0x33) << "read-only";
    Fr().Set("ValueOfFieldInteger", 256);
    EXPECT_EQ(Run("WriteTable", field(17, 1, 7)), 0x33) << "a one-byte field";
}

TEST_F(ShtrihSimTest, LateBoundCallsFailLikeAnAutomationObject) {
    EXPECT_THROW(Fr().Call("NoSuchMethod"), Failure);
    EXPECT_THROW(Fr().Get("NoSuchProperty"), Failure);
    EXPECT_THROW(Fr().Set("quantity", "два"), Failure);
    EXPECT_THROW(Fr().Set("LineData", 5), Failure);
    EXPECT_EQ(Run("getecrstatus", {{"PASSWORD", 1}}), 0) << "names without regard to case";
}

TEST_F(ShtrihSimTest, PictureMemoryAndTwoDimensionalCodes) {
    EXPECT_EQ(Run("LoadLineData", {{"LineNumber", 0}, {"LineData", Bytes(40, 0xFF)}}), 0);
    EXPECT_EQ(Run("LoadLineData", {{"LineNumber", 200}}), 0x33);
    EXPECT_EQ(Run("LoadLineData", {{"LineNumber", 1}, {"LineData", Bytes(41, 1)}}), 0x33);
    Restart();  // the picture memory is kept
    EXPECT_EQ(Run("Draw", {{"FirstLineNumber", 0}, {"LastLineNumber", 3}}), 0);
    EXPECT_NE(Tape().find(std::string(40, '#')), std::string::npos);
    EXPECT_EQ(Run("Draw", {{"FirstLineNumber", 5}, {"LastLineNumber", 4}}), 0x33);

    EXPECT_EQ(Run("LoadBlockData", {{"BlockNumber", 0}, {"BlockDataHex", "616263"}}), 0);
    EXPECT_EQ(Run("Print2DBarcode", {{"BarcodeType", 3}, {"BarcodeDataLength", 3}}), 0);
    EXPECT_NE(Tape().find("[QR-код: abc]"), std::string::npos);
    EXPECT_EQ(Run("Print2DBarcode", {{"BarcodeDataLength", 65}}), 0x08) << "one block only";
    EXPECT_EQ(Run("LoadBlockData", {{"BlockDataHex", "6G"}}), 0x33);
}

TEST_F(ShtrihSimTest, LogicalDevicesFromTheStateFile) {
    folder.Write("DrvFR.sim.state.ini", "LD_NUMBERS=1,3,4\r\nLD3_NAME=Касса 2\r\n");
    ASSERT_EQ(Run("GetCountLD"), 0);
    EXPECT_EQ(Fr().GetInt("LDCount"), 3);
    ASSERT_EQ(Run("EnumLD", {{"LDIndex", 1}}), 0);
    EXPECT_EQ(Fr().GetInt("LDNumber"), 3);
    EXPECT_EQ(Fr().GetText("LDName"), "Касса 2");
    EXPECT_EQ(Run("EnumLD", {{"LDIndex", 3}}), -16);
    EXPECT_EQ(Run("SetActiveLD", {{"LDNumber", 2}}), -16);
    EXPECT_EQ(Description(), "Логическое устройство не найдено: номер 2");
    ASSERT_EQ(Run("SetActiveLD", {{"LDNumber", 4}}), 0);
    Restart();
    ASSERT_EQ(Run("GetActiveLD"), 0);
    EXPECT_EQ(Fr().GetInt("LDNumber"), 4);
}

}  // namespace
}  // namespace orvenka
