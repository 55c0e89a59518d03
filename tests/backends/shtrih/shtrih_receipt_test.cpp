#include <gtest/gtest.h>

#include <algorithm>

#include "backends/shtrih/shtrih_fixture.h"
#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {
namespace {

using test::Join;
using test::Lines;

class ShtrihReceiptTest : public test::ShtrihTest {
  protected:
    // The texts the register was asked to print, in order (wide ones marked).
    Lines Printed() const {
        Lines printed;
        std::string text;
        for (const auto& line : traffic.lines) {
            if (line.rfind("StringForPrinting:=", 0) == 0)
                text = line.substr(20, line.size() - 21);
            else if (line == "PrintString()")
                printed.push_back(text);
            else if (line == "PrintWideString()")
                printed.push_back("[wide]" + text);
        }
        return printed;
    }
    // A sale against SUMMADOC through cmd.ini, the traffic record holding it alone.
    void PrintAgainst(const std::string& summaDoc, const Lines& goods) {
        NextCommand();
        traffic.lines.clear();
        WriteParam({{"SUMMADOC", summaDoc}});
        WriteGoods(test::Groups(goods));
        Command("PRINT");
    }
    bool TapeHas(const std::string& text) const { return Tape().find(text) != std::string::npos; }
    // A tape line of the simulated register: caption, value at the right, 48 characters.
    static std::string TapePair(const std::string& caption, const std::string& value) {
        return FitText(caption, 48 - static_cast<long>(CharCount(value)), false) + value;
    }
};

Lines Zeroed(int from, int to) {
    Lines lines;
    for (int i = from; i <= to; ++i)
        lines.push_back("Summ" + std::to_string(i) + ":=0");
    return lines;
}

// A plain sale: one line, cash, OSN, nothing optional. Before the receipt opens come
// the two reads that keep a receipt's settings from leaking into the next one: table 17 field 7
// (already 0, so nothing is written) and table 18 field 5 (the tax system to restore).
TEST_F(ShtrihReceiptTest, PlainSaleTraffic) {
    WriteParam();
    WriteGoods({{"Хлеб", "2", "45.50", "20"}});
    ASSERT_TRUE(Receipt());
    const Lines expected = Join({
        // The register's last document, for a resend after a crash.
        {"Password:=30", "FNGetStatus()", "DocumentNumber?"},
        {"Password:=30", "TableNumber:=17", "RowNumber:=1", "FieldNumber:=7", "ReadTable()",
         "ValueOfFieldInteger?"},
        {"Password:=30", "TableNumber:=18", "RowNumber:=1", "FieldNumber:=5", "ReadTable()",
         "ValueOfFieldInteger?"},
        {"Password:=30", "TableNumber:=18", "FieldNumber:=5", "GetFieldStruct()", "Password:=30",
         "TableNumber:=18", "FieldNumber:=5", "RowNumber:=1", "ValueOfFieldInteger:=1",
         "WriteTable()"},
        {"Password:=1", "CheckType:=0", "OpenCheck()"},
        {"Password:=1", "DiscountValue:=0", "ChargeValue:=0", "Summ1Enabled:=false", "quantity:=2",
         "Price:=45.5", "TaxValueEnabled:=true", "Department:=1", "Tax1:=1", "Tax2:=0", "Tax3:=0",
         "Tax4:=0", "StringForPrinting:=\"Хлеб\"", "PaymentItemSign:=0", "PaymentTypeSign:=0",
         "CheckType:=1", "FNOperation()"},
        {"Password:=1", "CheckSubTotal()", "Summ1?"},
        {"Password:=1", "Department:=1"},
        Zeroed(1, 16),
        {"Summ1:=91", "Summ2:=0", "RoundingSumm:=0", "TaxType:=1", "StringForPrinting:=\"\"",
         "FNCloseCheckEx()"},
        {"Password:=30", "FNGetStatus()", "DocumentNumber?"},
    });
    EXPECT_EQ(traffic.lines, expected);
    // Document 1 is the shift the receipt opened.
    EXPECT_EQ(folder.Read("ResultNumCheck.txt"), "2\r\n");
    EXPECT_TRUE(TapeHas(TapePair("ИТОГ", "=91.00")));
    EXPECT_NE(folder.Read("orvenka.long.log").find("#KKM DocumentNumber=2 "), std::string::npos);
    EXPECT_NE(folder.Read("orvenka.long.log").find("#Message=OK\r\n"), std::string::npos);
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
}

TEST_F(ShtrihReceiptTest, FormatOneAndBelowRegistersLinesBySaleOrReturnAndClosesWithCloseCheck) {
    struct Case {
        std::string command;
        int checkType;
        std::string method;
    };
    for (const Case& c : {Case{"PRINT", 0, "SaleEx()"}, Case{"RETURN", 2, "returnSale()"},
                          Case{"PRINT_BUY", 1, "SaleEx()"}}) {
        SCOPED_TRACE(c.command);
        NextCommand();
        // A return and a purchase pay out of the drawer: put the money in first.
        if (c.checkType != 0)
            Command("CASHINCOME=500");
        WriteParam({{"VERSION_FFD", "1"}});
        WriteGoods({{"Хлеб", "2", "45.50", "20"}});
        ASSERT_TRUE(Receipt(c.command));
        EXPECT_EQ(TrafficFrom("CheckType:=" + std::to_string(c.checkType)),
                  (Lines{"CheckType:=" + std::to_string(c.checkType),
                         "OpenCheck()",
                         "Price:=45.5",
                         "Department:=1",
                         "quantity:=2",
                         "Tax1:=1",
                         "Tax2:=0",
                         "Tax3:=0",
                         "Tax4:=0",
                         "StringForPrinting:=\"Хлеб\"",
                         c.method,
                         "Password:=1",
                         "CheckSubTotal()",
                         "Summ1?",
                         "DiscountOnCheck:=0",
                         "Password:=1",
                         "Department:=1",
                         "Summ1:=91",
                         "Summ2:=0",
                         "Summ3:=0",
                         "Summ4:=0",
                         "Tax1:=1",
                         "Tax2:=0",
                         "Tax3:=0",
                         "Tax4:=0",
                         "StringForPrinting:=\"\"",
                         "CloseCheck()"}));
        // Asked once, before the receipt (for a resend after a crash), never for its number.
        EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "FNGetStatus()"), 1);
        EXPECT_EQ(folder.Read("ResultNumCheck.txt"), "0\r\n");
        EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
    }
}

TEST_F(ShtrihReceiptTest, VatCodesAndCommandsAsTheRegisterTakesThem) {
    struct Case {
        std::string vat;
        std::string tax1;
    };
    for (const Case& c : {Case{"20", "Tax1:=1"}, Case{"10", "Tax1:=2"}, Case{"0", "Tax1:=3"},
                          Case{"-1", "Tax1:=4"}}) {
        SCOPED_TRACE(c.vat);
        NextCommand();
        WriteParam();
        WriteGoods({{"Товар", "1", "10", c.vat}});
        ASSERT_TRUE(Receipt());
        EXPECT_EQ(TrafficFrom("Department:=1")[1], c.tax1);
    }
    struct Kind {
        std::string command;
        std::string openType;
        std::string operationType;
    };
    Command("CASHINCOME=100");
    for (const Kind& k : {Kind{"PRINT", "CheckType:=0", "CheckType:=1"},
                          Kind{"PRINT_BUY", "CheckType:=1", "CheckType:=3"},
                          Kind{"RETURN", "CheckType:=2", "CheckType:=2"},
                          Kind{"RETURN_BUY", "CheckType:=3", "CheckType:=4"}}) {
        SCOPED_TRACE(k.command);
        NextCommand();
        WriteParam();
        WriteGoods({{"Товар", "1", "10", "20"}});
        ASSERT_TRUE(Receipt(k.command));
        EXPECT_EQ(TrafficFrom("OpenCheck()").size() + 1, TrafficFrom(k.openType).size());
        EXPECT_TRUE(Sent(k.operationType));
    }
}

// An unknown VAT code is refused instead of being registered at the rate of the line
// before it; nothing reaches the register.
TEST_F(ShtrihReceiptTest, UnknownVatCodeIsRefusedBeforeTheReceiptIsOpened) {
    WriteParam();
    WriteGoods({{"Хлеб", "1", "10", "20"}, {"Вода", "1", "5", "5"}});
    Command("PRINT");
    EXPECT_EQ(ErrorTexts(), (Lines{"Чек не напечатан: у строки \"Вода\" неизвестная ставка НДС 5 "
                                   "(допустимы 20, 10, 0 и -1)"}));
    EXPECT_FALSE(Sent("OpenCheck()"));
    EXPECT_FALSE(folder.Exists("ResultNumCheck.txt"));
}

// With CENA_AS_SUMMA the price column is the line sum on every path, the SUMMADOC
// spread included: what is paid is the goods total.
TEST_F(ShtrihReceiptTest, PriceColumnAsLineSumIsTheLineSumOnEveryPath) {
    struct Case {
        std::string what;
        std::map<std::string, std::string> param;
        std::string quantity;
        Lines sent;        // to the register
        std::string paid;  // on the register's tape (fiscal paths)
    };
    const std::vector<Case> cases = {
        {"spread against SUMMADOC",
         {{"SUMMADOC", "10.00"}},
         "2",
         {"quantity:=2", "Price:=5", "Summ1:=10"},
         TapePair("ИТОГ", "=10.00")},
        {"format 1.0, no exact unit price",
         {{"VERSION_FFD", "1"}},
         "3",
         {"quantity:=1", "Price:=10", "StringForPrinting:=\"Услуга (кол-во=3.00)\"", "Summ1:=10"},
         TapePair("ИТОГ", "=10.00")},
        {"non-fiscal imitation",
         {{"Fiscal", "-"}, {"PRN_WIDHT", "40"}, {"PRN_WIDHT_ITOG", "20"}},
         "4",
         {"StringForPrinting:=\"1" + std::string(20, ' ') + "4.000 X 2.50 =10.00\"",
          "StringForPrinting:=\"ИТОГ" + std::string(10, ' ') + "=10.00\""},
         ""},
        {"hand-made layout",
         {{"HandMade", "+"}},
         "4",
         {"quantity:=1", "Price:=10", "StringForPrinting:=\"Продажа\"", "Summ1:=10"},
         TapePair("ИТОГ", "=10.00")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NextCommand();
        auto param = c.param;
        param["CENA_AS_SUMMA"] = "+";
        WriteParam(param);
        WriteGoods({{"Услуга", c.quantity, "10.00", "20"}});
        ASSERT_TRUE(Receipt());
        for (const std::string& line : c.sent)
            EXPECT_TRUE(Sent(line)) << line;
        EXPECT_TRUE(c.paid.empty() || TapeHas(c.paid)) << Tape();
        EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
    }
}

// A split payment is sent as given; only one kind of payment is raised to the
// subtotal, and a shortfall of line roundings is made up in cash.
TEST_F(ShtrihReceiptTest, SplitPaymentIsSentAsGiven) {
    struct Case {
        std::string what;
        std::map<std::string, std::string> param;
        Lines goods;
        Lines sent;
        std::string error;  // empty: the receipt is made
    };
    const Lines hundred = {"Стол", "1", "100", "20"};
    const std::vector<Case> cases = {
        {"cash and card",
         {{"Oplata", "BREAK"}, {"BreakSumNAL", "60"}, {"BreakSumVISA", "40"}},
         hundred,
         {"Summ1:=60", "Summ2:=40"},
         ""},
        {"one kind a kopeck short is raised",
         {{"Oplata", "BREAK"}, {"BreakSumNAL", "99.99"}},
         hundred,
         {"Summ1:=100", "Summ2:=0"},
         ""},
        {"card alone a kopeck short is raised",
         {{"Oplata", "BREAK"}, {"BreakSumVISA", "99.99"}},
         hundred,
         {"Summ1:=0", "Summ2:=100"},
         ""},
        {"a short split is refused with the sums",
         {{"Oplata", "BREAK"}, {"BreakSumNAL", "50"}, {"BreakSumVISA", "40"}},
         hundred,
         {"Summ1:=50", "Summ2:=40"},
         "FNCloseCheckEx Ошибка:Сумма всех видов оплаты меньше итога чека Штрих ответил, что "
         "должна быть сумма:100 summ1=50 summ2=40 summ3=0 summ4=0 summ5=0 summ6=0 summ7=0 summ8=0 "
         "summ9=0 summ10=0 summ11=0 summ12=0 summ13=0 summ14=0 summ15=0 summ16=0 "
         "Tax1Value=16.67 Tax2Value=0 Tax3Value=0 Tax4Value=0 Tax5Value=0 Tax6Value=0"},
        // The register rounds 0.5 x 2.01 to 1.01 twice; the accounting system split 2.01.
        {"a rounding shortfall goes to cash",
         {{"Oplata", "BREAK"}, {"BreakSumNAL", "1.01"}, {"BreakSumVISA", "1.00"}},
         {"Вода", "0.5", "2.01", "20", "Сок", "0.5", "2.01", "20"},
         {"Summ1:=1.02", "Summ2:=1"},
         ""},
        {"format 1.0: both parts as computed",
         {{"VERSION_FFD", "1"}, {"Oplata", "BREAK"}, {"BreakSumNAL", "60"}, {"BreakSumVISA", "40"}},
         hundred,
         {"Summ1:=60", "Summ4:=40"},
         ""},
        {"format 1.0: a short split is refused with the sums",
         {{"VERSION_FFD", "1"}, {"Oplata", "BREAK"}, {"BreakSumNAL", "50"}, {"BreakSumVISA", "40"}},
         hundred,
         {"Summ1:=50", "Summ4:=40"},
         "CloseCheck Штрих ответил, что должна быть сумма:100, а вносим:90 Ошибка:Сумма всех видов "
         "оплаты меньше итога чека"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NextCommand();
        WriteParam(c.param);
        WriteGoods(test::Groups(c.goods));
        Command("PRINT");
        for (const std::string& line : c.sent)
            EXPECT_TRUE(Sent(line)) << line;
        EXPECT_EQ(ErrorTexts(), c.error.empty() ? Lines{} : Lines{c.error});
        traffic.lines.clear();
    }
}

// A line that the SUMMADOC spread takes to nothing, or a zero goods total against
// SUMMADOC, fails the receipt before the register sees it.
TEST_F(ShtrihReceiptTest, WorthlessLinesFailBeforeTheReceiptIsOpened) {
    struct Case {
        std::string summaDoc;
        Lines goods;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"200.02",
         {"Стол", "1", "100.00", "20", "Пакет", "1", "0.01", "20"},
         "Чек не напечатан: строка \"Пакет\" на сумму 0.01 после распределения погрешности "
         "(SUMMADOC=200.02) стала "},
        {"10",
         {"Подарок", "1", "0", "20"},
         "Ошибка при расчете погрешности: сумма товаров равна 0, а SummaDoc=10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summaDoc);
        PrintAgainst(c.summaDoc, c.goods);
        ASSERT_FALSE(ErrorTexts().empty());
        EXPECT_EQ(ErrorTexts().back().rfind(c.error, 0), 0u) << ErrorTexts().back();
        // The register was asked for its last document only: no receipt was opened.
        ASSERT_FALSE(traffic.lines.empty());
        EXPECT_EQ(traffic.lines.back(), "DocumentNumber?");
        EXPECT_FALSE(Sent("OpenCheck()"));
        EXPECT_FALSE(Sent("FNOperation()"));
    }
}

// The register's total is SUMMADOC to the kopeck once the lines are adjusted, or the receipt
// is refused before the register sees it.
TEST_F(ShtrihReceiptTest, DeclaredDocumentSumIsMetOrRefused) {
    struct Case {
        std::string summaDoc;
        Lines goods;
        std::string error;  // empty: made, paid SUMMADOC
    };
    const std::vector<Case> cases = {
        {"100.00",
         {"Вода", "3", "33.33", "20", "Пакет", "1", "0.01", "20", "Сок", "2", "0.50", "20"},
         ""},
        {"1.00", {"Спички", "3", "0.3333", "20"}, ""},
        {"40.00",
         {"Стол", "1", "50.00", "20", "Стул", "1", "50.00", "20"},
         "Чек не напечатан: сумму документа SUMMADOC=40.00 нельзя получить из строк чека (сумма "
         "товаров 100.00, ближайшая сумма, которую может пробить ККМ, 50.01). Проверьте "
         "SUMMADOC и суммы строк"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summaDoc);
        PrintAgainst(c.summaDoc, c.goods);
        if (!c.error.empty()) {
            ASSERT_EQ(ErrorTexts().size(), 1u);
            EXPECT_EQ(ErrorTexts()[0].rfind(c.error, 0), 0u) << ErrorTexts()[0];
            EXPECT_FALSE(Sent("OpenCheck()"));
            continue;
        }
        EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
        EXPECT_TRUE(Sent("Summ1:=" + FormatGeneral(std::stod(c.summaDoc))));
        EXPECT_TRUE(TapeHas(TapePair("ИТОГ", "=" + c.summaDoc))) << Tape();
    }
}

// The hand-made summary line states the goods' common VAT; goods of different rates are refused
// before the receipt opens.
TEST_F(ShtrihReceiptTest, HandMadeSummaryCarriesTheGoodsVat) {
    struct Case {
        Lines goods;
        std::string tax1;   // of the summary line
        std::string error;  // empty: made
    };
    const std::vector<Case> cases = {
        {{"Молоко", "1", "50", "10", "Кефир", "1", "40", "10"}, "Tax1:=2", ""},
        {{"Вода", "1", "20", "-1"}, "Tax1:=4", ""},
        {{"Молоко", "1", "50", "10", "Хлеб", "1", "30", "20"},
         "",
         "Чек не напечатан: при HandMade=+ все товары регистрируются одной строкой с одной "
         "ставкой НДС, а у товаров чека разные ставки НДС (10%, 20%). Разделите товары на чеки по "
         "ставкам"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.goods[3]);
        NextCommand();
        traffic.lines.clear();
        WriteParam({{"HandMade", "+"}});
        WriteGoods(test::Groups(c.goods));
        Command("PRINT");
        if (!c.error.empty()) {
            EXPECT_EQ(ErrorTexts(), Lines{c.error});
            EXPECT_FALSE(Sent("OpenCheck()"));
            continue;
        }
        EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
        const Lines line = TrafficFrom("StringForPrinting:=\"Продажа\"");
        ASSERT_FALSE(line.empty());
        EXPECT_NE(std::find(traffic.lines.begin(), traffic.lines.end() - line.size(), c.tax1),
                  traffic.lines.end() - line.size())
            << c.tax1;
    }
}

// Once the register closed the receipt, a failing number query does not fail it.
TEST_F(ShtrihReceiptTest, ClosedReceiptStaysMadeWhenItsNumberCannotBeRead) {
    folder.Write("DrvFR.sim.faults.ini", "FAIL.FNGetStatus=3,Нет связи с ФН\r\n");
    WriteParam();
    WriteGoods({{"Хлеб", "1", "10", "20"}});
    Command("PRINT");
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
    EXPECT_EQ(folder.Read("ResultNumCheck.txt"), "0\r\n");
    EXPECT_EQ(folder.Read("CheckList.txt"), "D-1\r\n") << "a retry asks before printing again";
    const std::string longLog = folder.Read("orvenka.long.log");
    EXPECT_NE(longLog.find("#KKM DocumentNumber=0 "), std::string::npos) << longLog;
    EXPECT_NE(longLog.find("#Message=OK"), std::string::npos);
    const Lines messages = MessageTexts();
    EXPECT_NE(std::find_if(messages.begin(), messages.end(),
                           [](const std::string& m) {
                               return m.find("номер не получен (Нет связи с ФН)") !=
                                      std::string::npos;
                           }),
              messages.end());
}

// An electronic receipt's "do not print" and a receipt's tax system do not stay
// behind for the next receipt.
TEST_F(ShtrihReceiptTest, OneReceiptsSettingsDoNotLeakIntoTheNext) {
    WriteParam({{"ECheck", "ON"}, {"SNO", "DOH"}});
    WriteGoods({{"Хлеб", "1", "10", "20"}});
    Command("PRINT");
    EXPECT_EQ(StateValue("T17.1.7"), "0") << "paper is back on right after the receipt";
    EXPECT_EQ(StateValue("T18.1.5"), "1") << "the register's own tax system is back";
    EXPECT_TRUE(TapeHas("электронный чек"));
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];

    traffic.lines.clear();
    WriteParam({{"SNO", ""}});
    WriteGoods({{"Молоко", "1", "20", "10"}});
    Command("PRINT");
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
    EXPECT_EQ(StateValue("T17.1.7"), "0");
    EXPECT_FALSE(Sent("ValueOfFieldInteger:=0")) << "nothing was left to switch back";
    EXPECT_FALSE(Sent("TaxType:=2"));
    EXPECT_TRUE(TapeHas("Молоко")) << "printed on paper again";
    EXPECT_TRUE(TapeHas(TapePair("СНО:", "ОСН")));

    // Table steps that fail do not make a receipt that was made look failed.
    NextCommand();
    folder.Write("DrvFR.sim.faults.ini", "FAIL.WriteTable=93,Таблица занята\r\n");
    WriteParam({{"ECheck", "ON"}, {"SNO", "DOH"}});
    WriteGoods({{"Хлеб", "1", "10", "20"}});
    Command("PRINT");
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
    const Lines messages = MessageTexts();
    for (const char* note : {"Ошибка записи в таблицу 17:Таблица занята",
                             "Ошибка записи в таблицу СНО:Таблица занята"})
        EXPECT_NE(std::find(messages.begin(), messages.end(), note), messages.end()) << note;
}

TEST_F(ShtrihReceiptTest, ClosingAndLineRefusalsCarryTheRegistersText) {
    struct Case {
        std::string faults;
        std::map<std::string, std::string> param;
        Lines errors;
    };
    const std::vector<Case> cases = {
        // Table 18 only logs; the cashier's name in table 2 fails the receipt.
        {"FAIL.WriteTable=93,Таблица занята\r\n",
         {{"AuthorCaption", "Иванова"}},
         {"Ошибка записи в таблицу СНО:Таблица занята", "Таблица занята"}},
        {"FAIL.SaleEx=51,Некорректная цена\r\n", {{"VERSION_FFD", "1"}}, {"Некорректная цена"}},
        {"FAIL.FNOperation=51,Некорректная цена\r\n", {}, {"51:Некорректная цена"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        NextCommand();
        folder.Write("DrvFR.sim.faults.ini", c.faults);
        WriteParam(c.param);
        WriteGoods({{"Хлеб", "1", "10", "20"}});
        Command("PRINT");
        EXPECT_EQ(ErrorTexts(), c.errors);
        EXPECT_FALSE(folder.Exists("ResultNumCheck.txt"));
    }
    // The receipt the failure left open is cancelled by the next command's state repair.
    folder.Write("DrvFR.sim.faults.ini", "");
    traffic.lines.clear();
    Command("XOTCHET");
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
    EXPECT_TRUE(Sent("SysAdminCancelCheck()"));
    EXPECT_TRUE(TapeHas("ЧЕК АННУЛИРОВАН"));
}

TEST_F(ShtrihReceiptTest, LinesOutsideABegunReceiptAreDroppedAndASecondBeginKeepsThem) {
    Connect();
    EXPECT_FALSE(fr->PrintReceipt("PRINT"));
    EXPECT_TRUE(traffic.lines.empty());

    TTovar t;
    TSale line;
    line.Name = "Хлеб";
    line.Kolvo = 1;
    line.Cena = 10;
    line.NDS = 18;
    fr->AddGoodsLine(line, t);  // not begun: dropped
    fr->BeginReceipt();
    fr->AddGoodsLine(line, t);
    fr->BeginReceipt();
    line.Name = "Вода";
    fr->AddGoodsLine(line, t);
    ctx.param.SNO = "OSN";
    EXPECT_TRUE(fr->PrintReceipt("PRINT"));
    EXPECT_TRUE(Sent("StringForPrinting:=\"Хлеб\""));
    EXPECT_TRUE(Sent("StringForPrinting:=\"Вода\""));
    EXPECT_TRUE(Sent("Summ1:=20"));
    EXPECT_FALSE(fr->PrintReceipt("PRINT")) << "the lists went with the receipt";
}

// Code 18 is the basic rate of 20 %, and the imitation prints it so.
TEST_F(ShtrihReceiptTest, NonFiscalImitationPrintsTheReceiptAsTextWithEmulatedCounters) {
    WriteParam({{"Fiscal", "-"},
                {"USER", "ООО Ромашка"},
                {"INN", "7701"},
                {"ADDRES", "Москва"},
                {"ZN", "00123"},
                {"PRN_WIDHT", "32"},
                {"PRN_WIDHT_ITOG", "16"},
                {"NumCheck", "7"}});
    WriteGoods({{"Хлеб", "1", "91", "20"}, {"Вода", "2", "5.50", "-1"}});
    ASSERT_TRUE(Receipt());
    const auto pair = [](const std::string& left, const std::string& right) {
        return left + std::string(32 - CharCount(left) - CharCount(right), ' ') + right;
    };
    Lines printed = Printed();
    ASSERT_GT(printed.size(), 24u);
    EXPECT_EQ(printed[23].rfind("ФПД ", 0), 0u) << "a pseudo-random sign";
    printed.resize(23);
    EXPECT_EQ(printed, (Lines{
                           "ООО Ромашка",
                           "ИНН:7701",
                           "АДРЕС:Москва",
                           "ПРИХОД",
                           "ЧЕК № 7",
                           "Хлеб",
                           pair("1", "1.000 X 91.00 =91.00"),
                           pair("НДС 20%", "15.17"),
                           "Вода",
                           pair("1", "2.000 X 5.50 =11.00"),
                           "Без НДС",
                           "[wide]ИТОГ     =102.00",
                           "ОПЛАТА",
                           pair("НАЛИЧНЫМИ", "=102.00"),
                           pair("СНО:", "ОСН"),
                           pair("НДС20%", "15.17"),
                           pair("ДАТА ВРЕМЯ", "12.02.2021 10:30:15"),
                           pair("СМЕНА №", "0001"),
                           pair("ЧЕК НОМЕР:", "00001"),
                           pair("^ЗН №", "00123^"),
                           pair("ККТ №", ""),
                           pair("ФН №", ""),
                           pair("ФД №", "0000000001"),
                       }));
    EXPECT_FALSE(Sent("OpenCheck()"));
    EXPECT_FALSE(Sent("FNGetStatus()"));
    EXPECT_TRUE(Sent("CutCheck()"));
    EXPECT_EQ(folder.Read("ResultNumCheck.txt"), "1\r\n");
    EXPECT_NE(folder.Read("S00123.ini").find("SUM_CHECKPRIHODINSMENA_NAL=102.00"),
              std::string::npos);
}

}  // namespace
}  // namespace orvenka
