#include "shell/dispatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "backends/unsupported/unsupported_backend.h"
#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using test::ShellTest;
using Calls = std::vector<std::string>;

struct RowCase {
    std::string line;  // as in cmd.ini, with `kind` as start-up and previous kind
    DeviceKind kind;
    Calls calls;
};

class DispatchRowTest : public ShellTest, public ::testing::WithParamInterface<RowCase> {};

// No calls: a word that matches no row, which is refused with its own spelling quoted.
TEST_P(DispatchRowTest, RunsTheOperationsOfTheMatchingRows) {
    const RowCase& c = GetParam();
    ctx.device.Kind = c.kind;  // the previous command's kind, kept by a long form
    const CommandText cmd = ParseCommandLine(c.line, ctx.device, c.kind);
    if (c.calls.empty()) {
        try {
            RunDispatch(ctx, cmd);
            ADD_FAILURE() << "no failure for " << c.line;
        } catch (const Failure& f) {
            EXPECT_EQ(std::string(f.what()),
                      "Неизвестная команда \"" + cmd.original + "\". Команда не выполнена");
        }
    } else {
        RunDispatch(ctx, cmd);
    }
    EXPECT_EQ(Operations(), c.calls) << c.line;
}

// Every row calls its operation on the kind's back-end; what it means there (the emulator does
// nothing for most service rows) is the back-end's own business.
INSTANTIATE_TEST_SUITE_P(
    Rows, DispatchRowTest,
    ::testing::Values(
        RowCase{"LoadPicture=/srv/Logo.bmp",
                DeviceKind::Atol,
                {"A:LoadPicture(LoadPicture=/srv/Logo.bmp)"}},
        RowCase{"LOADPICTURE=/srv/Logo.bmp",
                DeviceKind::Emul,
                {"E:LoadPicture(LOADPICTURE=/srv/Logo.bmp)"}},
        RowCase{"PRINTQRCODE=https://Example.org/AbC",
                DeviceKind::Shtrih,
                {"S:PrintQRCode(PRINTQRCODE=https://Example.org/AbC)"}},
        RowCase{"PRINTQRCODE=x", DeviceKind::Emul, {"E:PrintQRCode(PRINTQRCODE=x)"}},
        RowCase{"PRINTLASTCHECK", DeviceKind::Atol, {"A:PrintCopyLastCheck()"}},
        RowCase{"PRINTLASTCHECK", DeviceKind::Emul, {"E:PrintCopyLastCheck()"}},
        RowCase{"SHOWPROPERTIES", DeviceKind::Shtrih, {"S:ShowProperties()"}},
        RowCase{"SHOWPROPERTIES", DeviceKind::Emul, {"E:ShowProperties()"}},
        RowCase{"CASHINCOME=1 500.50", DeviceKind::Atol, {"A:CashIn(1500.5)"}},
        RowCase{"CASHINCOME", DeviceKind::Shtrih, {"S:CashIn(0)"}},
        RowCase{"CASHINCOME=abc", DeviceKind::Shtrih, {"S:CashIn(0)"}},
        RowCase{"CASHINCOME=12р", DeviceKind::Shtrih, {"S:CashIn(0)"}},
        RowCase{"CASHINCOME=1-2", DeviceKind::Shtrih, {"S:CashIn(0)"}},
        RowCase{"CASHINCOME=2'000", DeviceKind::Emul, {"E:CashIn(2000)"}},
        RowCase{"CASHOUTCOME=10.25", DeviceKind::Atol, {"A:CashOut(10.25)"}},
        RowCase{"OPENSESSION", DeviceKind::Shtrih, {"S:OpenShift()"}},
        RowCase{"ZOTCHET", DeviceKind::Shtrih, {"S:ZReport()"}},
        RowCase{"ZOTCHET", DeviceKind::Emul, {"E:ZReport()"}},
        RowCase{"XOTCHET", DeviceKind::Atol, {"A:XReport()"}},
        RowCase{"ZOTCHETEMUL", DeviceKind::Atol, {"A:ZReportEmul()"}},
        RowCase{"XOTCHETEMUL", DeviceKind::Shtrih, {"S:XReportEmul()"}},
        RowCase{"ZOTCHETEMUL", DeviceKind::Emul, {"E:ZReportEmul()"}},
        RowCase{"PrintDepartmentReport", DeviceKind::Atol, {"A:DepartmentReport()"}},
        RowCase{" printdepartmentreport ", DeviceKind::Shtrih, {"S:DepartmentReport()"}},
        RowCase{"OPENBOXMANY", DeviceKind::Atol, {"A:OpenDrawer()"}},
        RowCase{"OPENBOXMANY", DeviceKind::Emul, {"E:OpenDrawer()"}},
        // Equal rows need the word exactly; contains rows find it anywhere.
        RowCase{"ZOTCHET ", DeviceKind::Shtrih, {}}, RowCase{"XZOTCHET", DeviceKind::Shtrih, {}},
        RowCase{"PRINTDEPARTMENTREPORTS", DeviceKind::Shtrih, {}},
        RowCase{"MY_CASHOUTCOME=5", DeviceKind::Shtrih, {"S:CashOut(5)"}},
        RowCase{"NOSUCHCOMMAND", DeviceKind::Atol, {}},
        // Typos that must not pass for a printed receipt.
        RowCase{"PRINT ", DeviceKind::Emul, {}}, RowCase{"PRINTTXTFI", DeviceKind::Emul, {}},
        RowCase{"printtxtfi=/srv/a.txt", DeviceKind::Emul, {}},
        RowCase{"ATOL,1,PRNT", DeviceKind::Emul, {}},
        // One word, several independent rows.
        RowCase{"LOADPICTURE+PRINTQRCODE=Q",
                DeviceKind::Atol,
                {"A:LoadPicture(LOADPICTURE+PRINTQRCODE=Q)",
                 "A:PrintQRCode(LOADPICTURE+PRINTQRCODE=Q)"}},
        RowCase{"CASHINCOME+CASHOUTCOME=7", DeviceKind::Shtrih, {"S:CashIn(7)", "S:CashOut(7)"}},
        // Long form: the device word chooses the kind.
        RowCase{"ATOL,2,ZOTCHET", DeviceKind::Shtrih, {"A:ZReport()"}},
        RowCase{"PRN,Office,XOTCHET", DeviceKind::Atol, {"E:XReport()"}},
        RowCase{"CASHINCOME=1500,50", DeviceKind::Shtrih, {"S:CashIn(1500.5)"}}));

TEST_F(ShellTest, EveryRowOfTheTableIsThere) {
    std::set<std::string> names;
    for (const DispatchRow& row : DispatchTable())
        names.insert(row.name);
    EXPECT_EQ(DispatchTable().size(), 23u);
    EXPECT_EQ(names.size(), 23u);
    for (const char* word : {"PRINTS", "PRINT", "PRINT_BUY", "CORRECT_PRIH", "CORRECT_RASH",
                             "RETURN", "RETURN_BUY", "RETURNS"}) {
        int matches = 0;
        for (const DispatchRow& row : DispatchTable())
            matches += RowMatches(row, word) ? 1 : 0;
        EXPECT_EQ(matches, 1) << word;
    }
}

TEST_F(ShellTest, ReceiptRowsRunTheReceiptJob) {
    for (const char* word : {"PRINTS", "PRINT", "PRINT_BUY", "CORRECT_PRIH", "CORRECT_RASH",
                             "RETURN", "RETURN_BUY", "RETURNS"}) {
        journal.clear();
        folder.Write("Param.ini", "Oplata=\r\n");
        folder.Write("Tovar.ini", "Хлеб\r\n1\r\n30\r\n20\r\n");
        RunDispatch(
            ctx, ParseCommandLine(std::string("ATOL,1,") + word, ctx.device, DeviceKind::Shtrih));
        ASSERT_FALSE(Operations().empty()) << word;
        EXPECT_EQ(Operations().back().rfind("A:PrintReceipt(", 0), 0u) << word;
        EXPECT_FALSE(folder.Exists("Tovar.ini")) << word;
    }
}

TEST_F(ShellTest, EmulatedReportsReadParamIniFirst) {
    folder.Write("Param.ini", "Oplata=\r\nZN=0012345\r\n");
    Fake(DeviceKind::Emul).onCall = [&](const std::string&) { EXPECT_EQ(ctx.param.ZN, "0012345"); };
    RunDispatch(ctx, ParseCommandLine("ZOTCHETEMUL", ctx.device, DeviceKind::Emul));
    EXPECT_EQ(Operations(), Calls{"E:ZReportEmul()"});
    journal.clear();

    folder.Write("Param.ini", "Oplata=\r\nZN=777\r\n");
    Fake(DeviceKind::Shtrih).onCall = [&](const std::string&) { EXPECT_EQ(ctx.param.ZN, "777"); };
    RunDispatch(ctx, ParseCommandLine("XOTCHETEMUL", ctx.device, DeviceKind::Shtrih));
    EXPECT_EQ(Operations(), Calls{"S:XReportEmul()"});
}

TEST_F(ShellTest, EmulatedReportGoesOnWhenParamIniFails) {
    RunDispatch(ctx, ParseCommandLine("ZOTCHETEMUL", ctx.device, DeviceKind::Atol));
    EXPECT_EQ(Operations(), Calls{"A:ZReportEmul()"});
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0].rfind("ReadParam:" + folder.File("Param.ini") + " ", 0), 0u);
}

TEST_F(ShellTest, PrintTextFileTakesTheNameAsWrittenAndCuts) {
    std::filesystem::create_directories(folder.File("Чеки/Copy"));
    folder.Write("Чеки/Copy/Чек.txt", "Первая строка\r\n\r\n  ИТОГ 100.00\r\n");
    const std::string name = folder.File("Чеки/Copy/Чек.txt");
    RunDispatch(ctx, ParseCommandLine("printtxtfile=" + name, ctx.device, DeviceKind::Atol));
    EXPECT_EQ(Operations(), (Calls{"A:PrintLine(Первая строка)", "A:PrintLine()",
                                   "A:PrintLine(  ИТОГ 100.00)", "A:FeedAndCut()"}));
    EXPECT_TRUE(ctx.log.Errors().empty());
}

// The process may have been started from any folder; the exchange files live in the program's.
TEST_F(ShellTest, PrintTextFileLooksForANameWithoutFolderInTheProgramFolder) {
    std::filesystem::create_directories(folder.File("Чеки"));
    folder.Write("Копия.txt", "из папки программы\r\n");
    folder.Write("Чеки/Чек 2.txt", "из подпапки\r\n");
    RunDispatch(ctx,
                ParseCommandLine("PRINTTXTFILENOCUT=Копия.txt", ctx.device, DeviceKind::Shtrih));
    RunDispatch(
        ctx, ParseCommandLine("PRINTTXTFILENOCUT=Чеки/Чек 2.txt", ctx.device, DeviceKind::Shtrih));
    EXPECT_EQ(Operations(), (Calls{"S:PrintLine(из папки программы)", "S:PrintLine(из подпапки)"}));
    EXPECT_TRUE(ctx.log.Errors().empty());

    // An empty name names no file: the error says so, not that a folder is no file.
    RunDispatch(ctx, ParseCommandLine("PRINTTXTFILENOCUT=", ctx.device, DeviceKind::Shtrih));
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0].find(folder.Path()), std::string::npos) << ErrorTexts()[0];
}

TEST_F(ShellTest, NoCutStopsTheTableAndCashIncomeInAFileNameDeposits) {
    folder.Write("cashincome.txt", "line\r\n");
    const std::string name = folder.File("cashincome.txt");

    RunDispatch(ctx, ParseCommandLine("PRINTTXTFILENOCUT=" + name, ctx.device, DeviceKind::Shtrih));
    EXPECT_EQ(Operations(), Calls{"S:PrintLine(line)"});

    journal.clear();
    RunDispatch(ctx, ParseCommandLine("PRINTTXTFILE=" + name, ctx.device, DeviceKind::Shtrih));
    EXPECT_EQ(Operations(), (Calls{"S:PrintLine(line)", "S:FeedAndCut()", "S:CashIn(0)"}));
}

TEST_F(ShellTest, MissingTextFileIsAnErrorLineAndLaterRowsStillRun) {
    const std::string name = folder.File("Нет/CASHINCOME.txt");
    RunDispatch(ctx, ParseCommandLine("PRINTTXTFILE=" + name, ctx.device, DeviceKind::Emul));
    EXPECT_EQ(Operations(), Calls{"E:CashIn(0)"});
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_NE(ErrorTexts()[0].find(name), std::string::npos);
}

TEST_F(ShellTest, LinesPrintedBeforeAFailureStayPrinted) {
    folder.Write("t.txt", "a\r\nb\r\n");
    Fake(DeviceKind::Atol).failOn = "FeedAndCut";
    RunDispatch(ctx, ParseCommandLine("PRINTTXTFILE=" + folder.File("t.txt"), ctx.device,
                                      DeviceKind::Atol));
    EXPECT_EQ(Operations(), (Calls{"A:PrintLine(a)", "A:PrintLine(b)", "A:FeedAndCut()"}));
    EXPECT_EQ(ErrorTexts(), Calls{"отказ устройства в операции FeedAndCut"});
}

TEST_F(ShellTest, AFailingOperationSkipsTheRestOfTheTable) {
    Fake(DeviceKind::Shtrih).failOn = "LoadPicture";
    EXPECT_THROW(RunDispatch(ctx, ParseCommandLine("LOADPICTURE;PRINTQRCODE", ctx.device,
                                                   DeviceKind::Shtrih)),
                 Failure);
    EXPECT_EQ(Operations(), Calls{"S:LoadPicture(LOADPICTURE;PRINTQRCODE)"});
}

TEST_F(ShellTest, ACommandForNoKnownKindIsRefusedNotDropped) {
    try {
        RunDispatch(ctx, ParseCommandLine("KASSA,1,ZOTCHET", ctx.device, DeviceKind::Shtrih));
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("ZOTCHET"), std::string::npos);
    }
    EXPECT_TRUE(Operations().empty());
    // A word that matches no row is refused whatever the kind.
    EXPECT_THROW(
        RunDispatch(ctx, ParseCommandLine("KASSA,1,NOTHING", ctx.device, DeviceKind::Shtrih)),
        Failure);
}

TEST_F(ShellTest, UnsupportedKindAnswersWithItsOwnText) {
    ctx.SetBackend(std::make_unique<UnsupportedBackend>(DeviceKind::Atol, "АТОЛ", false));
    try {
        RunDispatch(ctx, ParseCommandLine("ATOL,1,XOTCHET", ctx.device, DeviceKind::Shtrih));
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "X-отчет: поддержка ККМ АТОЛ в этой версии программы ещё не реализована. "
                  "Команда не выполнена");
    }
}

struct AmountCase {
    std::string word;
    double amount;
};

class CommandAmountTest : public ::testing::TestWithParam<AmountCase> {};

TEST_P(CommandAmountTest, ReadsTheAmountAfterTheFirstEquals) {
    EXPECT_DOUBLE_EQ(CommandAmount(GetParam().word), GetParam().amount) << GetParam().word;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommandAmountTest,
    ::testing::Values(AmountCase{"CASHINCOME=1 500.50", 1500.5},
                      AmountCase{"CASHINCOME=1500,50", 1500.5}, AmountCase{"CASHINCOME", 0},
                      AmountCase{"CASHINCOME=", 0}, AmountCase{"CASHINCOME=abc", 0},
                      AmountCase{"CASHINCOME=-5", -5}, AmountCase{"CASHINCOME=5=6", 0},
                      AmountCase{"CASHINCOME=1\xc2\xa0"
                                 "000",
                                 1000},
                      AmountCase{"CASHINCOME=1.2.3", 0},
                      // only the first 100 characters after "=" count
                      AmountCase{"CASHINCOME=" + std::string(99, '0') + "12", 1}));

TEST(TextAfterEquals, CountsCharactersNotBytes) {
    EXPECT_EQ(TextAfterEquals("A=Чек", 2), "Че");
    EXPECT_EQ(TextAfterEquals("NOEQUALS", 3), "NOE");
    EXPECT_EQ(TextAfterEquals("A=b=c", 10), "b=c");
}

}  // namespace
}  // namespace orvenka
