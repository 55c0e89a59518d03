#include <gtest/gtest.h>

#include "backends/shtrih/shtrih_fixture.h"

namespace orvenka {
namespace {

using test::Join;
using test::Lines;

class ShtrihTagsTest : public test::ShtrihTest {
  protected:
    // The traffic from the first `from` up to (not including) the first `to` after it.
    Lines Between(const std::string& from, const std::string& to) const {
        const Lines after = TrafficFrom(from);
        const auto end = std::find(after.begin() + 1, after.end(), to);
        return Lines(after.begin() + 1, end);
    }
};

Lines TextTag(int password, int tag, const std::string& value, const char* method = "FNSendTag()") {
    return {"Password:=" + std::to_string(password), "TagNumber:=" + std::to_string(tag),
            "TagType:=7", "TagValueStr:=\"" + value + "\"", method};
}

TEST_F(ShtrihTagsTest, ReceiptTagsAfterOpening) {
    struct Case {
        std::string command;
        std::map<std::string, std::string> param;
        Lines tags;
    };
    const std::vector<Case> cases = {
        {"RETURN_BUY",
         {{"AuthorINN", "7701234567"},
          {"PoluchatelName", "ООО Покупатель"},
          {"PoluchatelINN", "7702"},
          {"AgentInfoINN1016", "7703"},
          {"AgentInfoName1026", "Агент"}},
         Join({{"Password:=1", "TagNumber:=1057", "TagType:=0", "TagValueInt:=64", "FNSendTag()"},
               TextTag(1, 1192, "ЗАКАЗ 15 "),
               TextTag(1, 1203, "7701234567"),
               TextTag(1, 1227, "ООО Покупатель"),
               TextTag(1, 1228, "7702")})},
        // 1192 goes with returns only; an agent needs both values.
        {"PRINT", {{"AgentInfoINN1016", "7703"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        NextCommand();
        ctx.device.Arguments = "ЗАКАЗ 15 ";
        WriteParam(c.param);
        WriteGoods({{"Хлеб", "1", "10", "20"}});
        ASSERT_TRUE(Receipt(c.command));
        Lines tags = TrafficFrom("OpenCheck()");
        tags.erase(tags.begin());
        tags.resize(c.tags.size() + 1);
        EXPECT_EQ(tags.back(), "Password:=1") << "then the goods line";
        tags.pop_back();
        EXPECT_EQ(tags, c.tags);
    }
}

TEST_F(ShtrihTagsTest, AgentAndSupplierOfEveryLine) {
    WriteParam({{"AgentInfoINN1016", "7703"},
                {"AgentInfoName1026", "Агент"},
                {"suplierInfoINN1226", "7704"},
                {"suplierInfoName1225", "Поставщик"}});
    WriteGoods({{"Хлеб", "1", "10", "20"}, {"Вода", "1", "5", "20"}});
    ASSERT_TRUE(Receipt());
    const Lines perLine = {"TagNumber:=1223",
                           "FNBeginSTLVTag()",
                           "TagID?",
                           "TagID:=1",
                           "TagNumber:=1016",
                           "TagType:=7",
                           "TagValueStr:=\"7703\"",
                           "FNAddTag()",
                           "TagID:=1",
                           "TagNumber:=1026",
                           "TagType:=7",
                           "TagValueStr:=\"Агент\"",
                           "FNAddTag()",
                           "FNSendSTLVTagOperation()",
                           "Password:=30",
                           "TagNumber:=1222",
                           "TagType:=0",
                           "TagValueInt:=64",
                           "FNSendTagOperation()",
                           "TagNumber:=1226",
                           "TagType:=7",
                           "TagValueStr:=\"7704\"",
                           "FNSendTagOperation()",
                           "TagNumber:=1224",
                           "FNBeginSTLVTag()",
                           "TagID?",
                           "TagID:=2",
                           "TagNumber:=1225",
                           "TagType:=7",
                           "TagValueStr:=\"Поставщик\"",
                           "FNAddTag()",
                           "FNSendSTLVTagOperation()"};
    EXPECT_EQ(Between("FNOperation()", "Password:=1"), perLine);
    EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "TagNumber:=1223"), 2);
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
    EXPECT_NE(Tape().find("тег 1225: Поставщик"), std::string::npos);
}

TEST_F(ShtrihTagsTest, RefusedTagsAreLoggedAndTheReceiptGoesOn) {
    struct Case {
        std::string faults;
        std::map<std::string, std::string> param;
        std::string logged;
    };
    const std::vector<Case> cases = {
        {"",
         {{"suplierInfoINN1226", "7704"},
          {"suplierInfoName1225", "Поставщик"},
          {"suplierInfoTel1171", "8-900-1"}},
         "Не удалось передать тэг 1224 поставщик:(Возможно номер телефона поставщика указан не в "
         "формате +7ХХХХХХХХХХ) 51: Некорректные параметры в команде: тег 1171 \"8-900-1\" не в "
         "формате +7ХХХХХХХХХХ"},
        {"FAIL.FNSendTag=51,Тег не принят\r\n",
         {{"AuthorINN", "7701"}},
         "FR_FNSendTag Передача тэга:1203 передача ИНН кассира :Тег не принят"},
        {"FAIL.FNSendSTLVTagOperation=51,Тег не принят\r\n",
         {{"AgentInfoINN1016", "7703"}, {"AgentInfoName1026", "Агент"}},
         "Не удалось передать тэг 1223:51: Тег не принят"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        NextCommand();
        folder.Write("DrvFR.sim.faults.ini", c.faults);
        WriteParam(c.param);
        WriteGoods({{"Хлеб", "1", "10", "20"}});
        EXPECT_TRUE(Receipt());
        EXPECT_EQ(ErrorTexts(), Lines{c.logged});
        EXPECT_TRUE(Sent("FNCloseCheckEx()"));
    }
}

TEST_F(ShtrihTagsTest, CompositeLineSendsItsMarkingAndItsOwnTags) {
    WriteParam({{"Predmet", "1"}, {"Sposob", "4"}});
    WriteGoods(
        {{"##5##04600##SN1##Сигареты##12.5##643##шт##ДТ1##2##Доп##3##123##", "1", "150", "20"},
         {"Хлеб", "1", "10", "20"}});
    ASSERT_TRUE(Receipt());
    EXPECT_EQ(Between("FNOperation()", "Password:=1"),
              (Lines{"MarkingType:=5", "SerialNumber:=\"SN1\"", "GTIN:=\"04600\"",
                     "FNSendItemCodeData()"}));
    const Lines tags = Join({TextTag(1, 1191, "Доп", "TagValueLength:=3"),
                             {"FNSendTagOperation()"},
                             TextTag(1, 1197, "шт", "TagValueLength:=2"),
                             {"FNSendTagOperation()"},
                             TextTag(1, 1229, "12.5", "TagValueLength:=4"),
                             {"FNSendTagOperation()"},
                             TextTag(1, 1230, "643", "TagValueLength:=3"),
                             {"FNSendTagOperation()"},
                             TextTag(1, 1231, "ДТ1", "TagValueLength:=3"),
                             {"FNSendTagOperation()"}});
    Lines after = TrafficFrom("FNSendItemCodeData()");
    after.erase(after.begin());
    after.resize(tags.size());
    EXPECT_EQ(after, tags);
    // The composite line has its own subject and method; a plain line the receipt's.
    EXPECT_EQ(TrafficFrom("PaymentItemSign:=2")[1], "PaymentTypeSign:=3");
    EXPECT_EQ(TrafficFrom("PaymentItemSign:=1")[1], "PaymentTypeSign:=4");
    EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "FNSendItemCodeData()"), 1);
}

TEST_F(ShtrihTagsTest, CorrectionReceiptFromParamIniWithItsOwnNumber) {
    WriteParam();
    WriteGoods({{"Хлеб", "1", "10", "20"}});
    ASSERT_TRUE(Receipt());
    ASSERT_EQ(folder.Read("ResultNumCheck.txt"), "2\r\n");

    NextCommand();
    WriteParam({{"Oplata", "BREAK"},
                {"BreakSumm0", "10"},
                {"BreakSumm1", "5"},
                {"CheckCorrect_NAME", "Предписание"},
                {"CheckCorrect_DATE", "01.02.2021"},
                {"CheckCorrect_NUM", "7"},
                {"CheckCorrect_NDS", "1.67,0.45"}});
    ASSERT_TRUE(Receipt("CORRECT_PRIH"));
    // The sum, the five payment kinds, then the VAT amounts.
    const char* const values[] = {"15",   "10",   "5", "0", "0", "0",
                                  "1.67", "0.45", "0", "0", "0", "0"};
    Lines sums;
    for (int i = 1; i <= 12; ++i)
        sums.push_back("Summ" + std::to_string(i) + ":=" + values[i - 1]);
    EXPECT_EQ(traffic.lines, Join({{"Password:=30", "FNBeginCorrectionReceipt()"},
                                   TextTag(1, 1177, "Предписание"),
                                   {"Password:=1", "TagNumber:=1178", "TagType:=6",
                                    "TagValueDateTime:=01.02.2021 00:00:00", "FNSendTag()"},
                                   TextTag(1, 1179, "7"),
                                   {"Password:=30", "CorrectionType:=0", "CalculationSign:=1"},
                                   sums,
                                   {"TaxType:=1", "FNBuildCorrectionReceipt2()", "Password:=30",
                                    "FNGetStatus()", "DocumentNumber?"}}));
    // Its own number, not the receipt's before it.
    EXPECT_EQ(folder.Read("ResultNumCheck.txt"), "3\r\n");
    EXPECT_TRUE(folder.Exists("Tovar.oldini"));
    EXPECT_NE(Tape().find("КАССОВЫЙ ЧЕК КОРРЕКЦИИ ПРИХОД"), std::string::npos);
    EXPECT_NE(Tape().find("тег 1178: 01.02.2021"), std::string::npos);
}

TEST_F(ShtrihTagsTest, CorrectionVariantsAndRefusals) {
    struct Case {
        std::string command;
        std::map<std::string, std::string> param;
        std::string faults;
        bool made;
        Lines errors;
    };
    const std::map<std::string, std::string> base = {
        {"Oplata", "BREAK"}, {"BreakSumm0", "10"}, {"CheckCorrect_DATE", "01.02.2021"}};
    const auto with = [&](std::map<std::string, std::string> more) {
        auto all = base;
        for (auto& [k, v] : more)
            all[k] = v;
        return all;
    };
    const std::vector<Case> cases = {
        {"CORRECT_RASH", base, "", true, {}},
        {"CORRECT_PRIH",
         with({{"CheckCorrect_DATE", "32.13.2021"}}),
         "",
         false,
         {"StrToDateInt:Плохая дата(32.13.2021)"}},
        {"CORRECT_PRIH",
         with({{"CheckCorrect_DATE", ""}}),
         "",
         false,
         {"CheckCorrect_DATE: не указана дата документа основания для коррекции"}},
        {"CORRECT_PRIH",
         base,
         "FAIL.FNBuildCorrectionReceipt2=51,Сумма не сходится\r\n",
         false,
         {"Сумма не сходится"}},
        // Every amount of a correction is held to the limits of a goods total.
        {"CORRECT_PRIH",
         with({{"BreakSumm0", "5000000000"}, {"BreakSumm1", "5000000005"}}),
         "",
         false,
         {"Чек не напечатан: сумма чека коррекции (BreakSumm0 … BreakSumm4) = 10000000005.00 "
          "вне допустимых пределов (по модулю не более 9999999999.99)"}},
        {"CORRECT_PRIH",
         with({{"CheckCorrect_NDS", "1.67,1e300"}}),
         "",
         false,
         {"Чек не напечатан: CheckCorrect_NDS, сумма №2 = 1E300 вне допустимых пределов (по "
          "модулю не более 9999999999.99)"}},
        {"CORRECT_PRIH",
         with({{"CheckCorrect_NDS", "inf"}}),
         "",
         false,
         {"Чек не напечатан: CheckCorrect_NDS, сумма №1 = INF вне допустимых пределов (по "
          "модулю не более 9999999999.99)"}},
        {"CORRECT_PRIH",
         with({{"CheckCorrect_NDS", "nan"}}),
         "",
         false,
         {"Чек не напечатан: CheckCorrect_NDS, сумма №1 = NAN вне допустимых пределов (по "
          "модулю не более 9999999999.99)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command + " " + c.faults);
        NextCommand();
        folder.Write("DrvFR.sim.faults.ini", c.faults);
        folder.Write("ResultNumCheck.txt", "99\r\n");
        WriteParam(c.param);
        EXPECT_EQ(Receipt(c.command), c.made);
        EXPECT_EQ(ErrorTexts(), c.errors);
        EXPECT_EQ(Sent("CalculationSign:=3"), c.command == "CORRECT_RASH");
        EXPECT_FALSE(Sent("TagNumber:=1179")) << "no basis number: no tag";
        EXPECT_EQ(folder.Read("ResultNumCheck.txt") == "99\r\n", !c.made);
        if (c.errors.size() == 1 && (c.errors[0].find("дата") != std::string::npos ||
                                     c.errors[0].find("пределов") != std::string::npos)) {
            EXPECT_TRUE(traffic.lines.empty()) << "nothing reaches the register";
        }
    }
}

}  // namespace
}  // namespace orvenka
