// ATOL receipts against the simulated register: the driver traffic of each receipt kind, the
// tags, marking codes and payments, the non-fiscal imitation, and what keeps a receipt from
// sending wrong money, reporting a refusal as success or hanging.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "atol_fixture.h"
#include "backends/atol/atol_item_code.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "drivers/sim/fiscal_tlv.h"

namespace orvenka::test {
namespace {

using Lines = std::vector<std::string>;

class AtolReceiptTest : public AtolTest {
  protected:
    AtolReceiptTest() {
        ctx.param.SNO = "OSN";
        ctx.param.PRN_WIDHT = 40;
        ctx.param.PRN_WIDHT_ITOG = 20;
        ctx.ConnectPending = true;
    }

    // Connects (the connection's traffic is the connection test's), then prints the receipt.
    std::string Print(const std::string& command, const std::vector<TTovar>& goods) {
        const std::string failure = Attempt([&] { atol->ATOL_Connect(); });
        EXPECT_EQ(failure, "");
        traffic.lines.clear();
        atol->BeginReceipt();
        for (const TTovar& t : goods)
            AddGoods(t);
        return Attempt([&] { made = atol->PrintReceipt(command); });
    }

    // How often a line starting with `prefix` (LIBFPTR_ names allowed) is in the traffic.
    int Count(const std::string& prefix) const {
        const std::string p = Expected({prefix})[0];
        int n = 0;
        for (const auto& line : Traffic())
            n += line.rfind(p, 0) == 0;
        return n;
    }

    // The texts printed with printText, in order.
    Lines PrintedTexts() const {
        const std::string text = Expected({"setParam(LIBFPTR_PARAM_TEXT,"})[0];
        Lines out;
        for (const auto& line : Traffic()) {
            if (line.rfind(text, 0) == 0)
                out.push_back(line.substr(text.size() + 1, line.size() - text.size() - 3));
        }
        return out;
    }

    bool made = false;
};

const Lines kSaleTail = {
    "setParam(LIBFPTR_PARAM_FN_DATA_TYPE,LIBFPTR_FNDT_LAST_RECEIPT)",
    "fnQueryData()",
    "getParamInt(LIBFPTR_PARAM_DOCUMENT_NUMBER)",
    "close()",
};

TEST_F(AtolReceiptTest, PlainSale) {
    EXPECT_EQ(Print("PRINT", {Goods("Молоко", 2, 45.50, 10)}), "");
    EXPECT_TRUE(made);
    EXPECT_EQ(Traffic(), Expected(Concat(
                             {
                                 "open()",
                                 "getParamBool(LIBFPTR_PARAM_DOCUMENT_CLOSED)",
                                 "getParamBool(LIBFPTR_PARAM_DOCUMENT_PRINTED)",
                                 "setParam(LIBFPTR_PARAM_RECEIPT_TYPE,LIBFPTR_RT_SELL)",
                                 "setParam(LIBFPTR_PARAM_RECEIPT_ELECTRONICALLY,false)",
                                 "setParam(1187,\"\")",
                                 "setParam(1055,LIBFPTR_TT_OSN)",
                                 "openReceipt()",
                                 "setParam(LIBFPTR_PARAM_COMMODITY_NAME,\"Молоко\")",
                                 "setParam(LIBFPTR_PARAM_PRICE,45.5)",
                                 "setParam(LIBFPTR_PARAM_QUANTITY,2)",
                                 "setParam(LIBFPTR_PARAM_DEPARTMENT,1)",
                                 "setParam(LIBFPTR_PARAM_TAX_TYPE,LIBFPTR_TAX_VAT10)",
                                 "registration()",
                                 "setParam(LIBFPTR_PARAM_PAYMENT_TYPE,LIBFPTR_PT_CASH)",
                                 "setParam(LIBFPTR_PARAM_PAYMENT_SUM,91)",
                                 "payment()",
                                 "closeReceipt()",
                             },
                             kSaleTail)));
    // Shift opening is document 1, the receipt document 2.
    EXPECT_EQ(folder.Read("ResultNumCheck.txt"), "2\r\n");
    EXPECT_NE(folder.Read("orvenka.long.log").find("#KKM DocumentNumber=2"), std::string::npos);
    EXPECT_NE(folder.Read("orvenka.long.log").find("#Message=OK"), std::string::npos);
    EXPECT_NE(Tape().find("ИТОГ =91.00"), std::string::npos) << Tape();
    EXPECT_TRUE(Errors().empty());
    EXPECT_FALSE(atol->State().CheckBegun);
}

TEST_F(AtolReceiptTest, ReceiptKindsTagsAndOptions) {
    struct Row {
        const char* name;
        std::function<void(TParam&, TDeviceParam&)> setup;
        std::string command;
        Lines expected;  // from the first line of the segment to the one before openReceipt()
    };
    const Row rows[] = {
        {"return_sends_1192_first",
         [](TParam&, TDeviceParam& d) { d.Arguments = "ORDER 15 "; },
         "RETURN",
         {"setParam(1192,\"ORDER 15 \")",
          "setParam(LIBFPTR_PARAM_RECEIPT_TYPE,LIBFPTR_RT_SELL_RETURN)"}},
        {"purchase_return_buyer_and_email",
         [](TParam& p, TDeviceParam&) {
             p.PoluchatelName = "ООО Покупатель";
             p.PoluchatelINN = "7701234567";
             p.EmailOrTel = "a@b.ru";
             p.ECheck = true;
         },
         "RETURN_BUY",
         {"setParam(LIBFPTR_PARAM_RECEIPT_TYPE,LIBFPTR_RT_BUY_RETURN)",
          "setParam(1227,\"ООО Покупатель\")", "setParam(1228,\"7701234567\")",
          "setParam(1008,\"a@b.ru\")", "setParam(LIBFPTR_PARAM_RECEIPT_ELECTRONICALLY,true)"}},
        {"cashier_place_and_tax_system",
         [](TParam& p, TDeviceParam&) {
             p.AuthorCaption = "Иванова А.П.";
             p.AuthorINN = "770123456789";
             p.MESTORASCHETA = "Магазин №1";
             p.SNO = "DOHRASH";
         },
         "PRINT_BUY",
         {"setParam(1021,\"Иванова А.П.\")", "setParam(1203,\"770123456789\")", "operatorLogin()",
          "setParam(LIBFPTR_PARAM_RECEIPT_TYPE,LIBFPTR_RT_BUY)",
          "setParam(LIBFPTR_PARAM_RECEIPT_ELECTRONICALLY,false)", "setParam(1187,\"Магазин №1\")",
          "setParam(1055,LIBFPTR_TT_USN_INCOME_OUTCOME)"}},
        {"user_requisite",
         [](TParam& p, TDeviceParam&) {
             p.t1085 = "Цвет";
             p.t1086 = "Ёж №1";
         },
         "PRINT",
         {"setParam(1085,\"Цвет\")", "setParam(1086,\"Ёж №1\")", "utilFormTlv()",
          "getParamByteArray(LIBFPTR_PARAM_TAG_VALUE)",
          "setParam(1084,[3D 04 04 00 96 A2 A5 E2 3E 04 05 00 F0 A6 20 FC 31])",
          "setParam(LIBFPTR_PARAM_RECEIPT_TYPE,LIBFPTR_RT_SELL)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AtolRig rig;
        rig.ctx.param.SNO = "OSN";
        rig.ctx.param.PRN_WIDHT = 40;
        row.setup(rig.ctx.param, rig.ctx.device);
        rig.ctx.ConnectPending = true;
        rig.atol->BeginReceipt();
        rig.AddGoods(Goods("Хлеб", 1, 30));
        EXPECT_EQ(rig.Attempt([&] { rig.atol->PrintReceipt(row.command); }), "");
        const auto segment = rig.Between(row.expected.front(), row.expected.back());
        Lines got = segment;
        got.push_back(rig.Expected({row.expected.back()})[0]);
        EXPECT_EQ(got, Expected(row.expected));
        EXPECT_NE(rig.Tape().find("ИТОГ =30.00"), std::string::npos) << "made";
    }
}

// A user requisite the driver cannot pack is reported and leaves nothing behind: its parts are
// not tags of the receipt.
TEST_F(AtolReceiptTest, AUserRequisiteThatCannotBePackedLeavesNoTagsBehind) {
    folder.Write("Fptr10.sim.faults.ini", "FAIL.utilFormTlv=2,Неверная структура\r\n");
    ctx.param.t1085 = "Цвет";
    ctx.param.t1086 = "Красный";
    EXPECT_EQ(Print("PRINT", {Goods("Хлеб", 1, 30)}), "");
    EXPECT_TRUE(made);
    EXPECT_EQ(Errors(), Lines{"Не удалось передать тег 1084 (t1085, t1086): Неверная структура"});
    EXPECT_EQ(Tape().find("1085="), std::string::npos) << Tape();
    EXPECT_EQ(Tape().find("1086="), std::string::npos) << Tape();
    EXPECT_NE(Tape().find("ИТОГ =30.00"), std::string::npos) << Tape();
}

TEST_F(AtolReceiptTest, ElectronicReceiptWithoutAnAddressIsMadeWithOneErrorLine) {
    ctx.param.ECheck = true;
    EXPECT_EQ(Print("PRINT", {Goods("Хлеб", 1, 30)}), "");
    EXPECT_TRUE(made);
    EXPECT_EQ(Errors(),
              Lines{"При печати электронного чека должен быть указан email или телефон!"});
}

TEST_F(AtolReceiptTest, SplitPaymentsInTheStatedOrder) {
    struct Row {
        const char* name;
        std::function<void(TParam&)> setup;
        Lines payments;
        std::string failure;
    };
    const Row rows[] = {
        {"further_kinds_from_9_down_to_0",
         [](TParam& p) {
             p.OplataBreak = true;
             p.BreakSummUsed = true;
             p.BreakSumm[3] = 100;
             p.BreakSumm[0] = 50;
         },
         {"setParam(LIBFPTR_PARAM_PAYMENT_TYPE,3)", "setParam(LIBFPTR_PARAM_PAYMENT_SUM,100)",
          "payment()", "setParam(LIBFPTR_PARAM_PAYMENT_TYPE,0)",
          "setParam(LIBFPTR_PARAM_PAYMENT_SUM,50)", "payment()", "closeReceipt()"},
         ""},
        // The parts are sent as given, never each raised to the total.
        {"card_then_cash",
         [](TParam& p) {
             p.OplataBreak = true;
             p.BreakSumVISA = 90;
             p.BreakSumNAL = 60;
         },
         {"setParam(LIBFPTR_PARAM_PAYMENT_TYPE,LIBFPTR_PT_ELECTRONICALLY)",
          "setParam(LIBFPTR_PARAM_PAYMENT_SUM,90)", "payment()",
          "setParam(LIBFPTR_PARAM_PAYMENT_TYPE,LIBFPTR_PT_CASH)",
          "setParam(LIBFPTR_PARAM_PAYMENT_SUM,60)", "payment()", "closeReceipt()"},
         ""},
        {"short_split_refused_at_closing",
         [](TParam& p) {
             p.OplataBreak = true;
             p.BreakSumVISA = 100;
         },
         {"setParam(LIBFPTR_PARAM_PAYMENT_TYPE,LIBFPTR_PT_ELECTRONICALLY)",
          "setParam(LIBFPTR_PARAM_PAYMENT_SUM,100)", "payment()",
          "setParam(LIBFPTR_PARAM_PAYMENT_TYPE,LIBFPTR_PT_CASH)",
          "setParam(LIBFPTR_PARAM_PAYMENT_SUM,0)", "payment()", "closeReceipt()"},
         "Не удалось закрыть чек: Недостаточно средств для закрытия чека: сумма чека 150.00, "
         "оплачено 100.00"},
        {"card",
         [](TParam& p) { p.Oplata = "VISA"; },
         {"setParam(LIBFPTR_PARAM_PAYMENT_TYPE,LIBFPTR_PT_ELECTRONICALLY)",
          "setParam(LIBFPTR_PARAM_PAYMENT_SUM,150)", "payment()", "closeReceipt()"},
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AtolRig rig;
        row.setup(rig.ctx.param);
        rig.ctx.ConnectPending = true;
        rig.atol->BeginReceipt();
        rig.AddGoods(Goods("Сыр", 1, 100));
        rig.AddGoods(Goods("Хлеб", 2, 25));
        EXPECT_EQ(rig.Attempt([&] { rig.atol->PrintReceipt("PRINT"); }), row.failure);
        Lines got = rig.Between(row.payments.front(), "closeReceipt()");
        got.push_back(Expected({"closeReceipt()"})[0]);
        EXPECT_EQ(got, Expected(row.payments));
        EXPECT_EQ(rig.folder.Exists("ResultNumCheck.txt"), row.failure.empty());
    }
}

TEST_F(AtolReceiptTest, MarkedGoodsSendTheirTagsAndBothCodes) {
    TTovar t = Goods("Сигареты «Ява»", 1, 150, 18);
    t.CompositeMark = "##";
    t.NomenclatureType = 5;
    t.GTIN = "04600000000017";
    t.SerialNumber = "ABC";
    t.Country1230 = "643";
    t.Unit1197 = "пачка";
    t.Rekvizit1191 = "акциз";
    t.Excise1229 = 12.5;
    t.Declaration1231 = "10702070/010121/0000001";
    t.Predmet1212 = 1;
    t.Sposob1214 = 4;
    t.NomenclatureCode1162 = "4600000000017";
    EXPECT_EQ(Print("PRINT", {t}), "");
    EXPECT_EQ(
        Between("setParam(LIBFPTR_PARAM_NOMENCLATURE_TYPE,LIBFPTR_NT_TOBACCO)", "registration()"),
        Expected({
            "setParam(LIBFPTR_PARAM_NOMENCLATURE_TYPE,LIBFPTR_NT_TOBACCO)",
            "setParam(LIBFPTR_PARAM_NOMENCLATURE_TYPE,5)",
            "setParam(LIBFPTR_PARAM_GTIN,\"04600000000017\")",
            "setParam(LIBFPTR_PARAM_SERIAL_NUMBER,\"ABC\")",
            "utilFormNomenclature()",
            "getParamByteArray(LIBFPTR_PARAM_TAG_VALUE)",
            "setParam(1162,[00 05 04 2F 05 5D B0 11 41 42 43])",
            "setParam(1230,\"643\")",
            "setParam(1191,\"акциз\")",
            "setParam(1197,\"пачка\")",
            "setParam(1229,12.5)",
            "setParam(1231,\"10702070/010121/0000001\")",
            // 4600000000017 = 0x42F055DB011: twelve digits, six bytes.
            "setParam(1162,[45 0D 04 2F 05 5D B0 11])",
            "setParam(LIBFPTR_PARAM_COMMODITY_NAME,\"Сигареты «Ява»\")",
            "setParam(LIBFPTR_PARAM_PRICE,150)",
            "setParam(LIBFPTR_PARAM_QUANTITY,1)",
            "setParam(LIBFPTR_PARAM_DEPARTMENT,1)",
            "setParam(LIBFPTR_PARAM_TAX_TYPE,LIBFPTR_TAX_VAT20)",
            "setParam(1212,1)",
            "setParam(1214,4)",
        }));
    // Every line tag reaches the registration: the register keeps what it was given there.
    for (const char* tag : {"1162=450D042F055DB011", "1230=643", "1191=акциз", "1197=пачка",
                            "1229=12.5", "1231=10702070/010121/0000001", "1212=1", "1214=4"})
        EXPECT_NE(Tape().find(tag), std::string::npos) << tag << "\n" << Tape();
}

TEST_F(AtolReceiptTest, AMarkingCodeTheRegisterRefusesIsReportedAndTheReceiptGoesOn) {
    TTovar t = Goods("Туфли", 1, 3000, 18);
    t.CompositeMark = "##";
    t.NomenclatureType = 6;
    t.GTIN = "0460000000001X";
    t.SerialNumber = "S1";
    EXPECT_EQ(Print("PRINT", {t}), "");
    EXPECT_TRUE(made);
    EXPECT_EQ(Errors(), Lines{"Передача Atol_Send_teg_1162 utilFormNomenclature:GTIN "
                              "\"0460000000001X\" должен содержать только цифры"});
    EXPECT_EQ(Count("setParam(1162,"), 0) << "no empty code is sent";
}

TEST_F(AtolReceiptTest, SubjectAndMethodOfSettlementAreSentOncePerLine) {
    ctx.param.Predmet = 3;
    ctx.param.Sposob = 0;
    TTovar marked = Goods("Маркированный", 1, 10);
    marked.CompositeMark = "##";
    marked.Predmet1212 = 1;
    marked.Sposob1214 = 4;
    TTovar compositeWithout = Goods("Составной", 1, 10);
    compositeWithout.CompositeMark = "##";
    EXPECT_EQ(Print("PRINT", {marked, compositeWithout, Goods("Простой", 1, 10)}), "");
    // Line 1 its own 1 and 4; lines 2 and 3 the document's 3 and no method at all.
    EXPECT_EQ(Count("setParam(1212,1)"), 1);
    EXPECT_EQ(Count("setParam(1212,3)"), 2);
    EXPECT_EQ(Count("setParam(1214,"), 1);
    EXPECT_EQ(Count("setParam(1214,0)"), 0);
}

TEST_F(AtolReceiptTest, NomenclatureCodeBytesStayWhole) {
    struct Row {
        std::string decimal;
        std::optional<std::string> hex;
    };
    const Row rows[] = {
        {"4600000000017", "450D042F055DB011"},  // 13 digits: six bytes
        // 100000000000 = 0x174876E800: eleven digits at least, one zero more to make pairs.
        {"100000000000", "450D00174876E800"},
        {"12", "450D0C"},
        {"0", "450D00"},
        {"18446744073709551615", "450D0000FFFFFFFFFFFFFFFF"},
        {"18446744073709551616", std::nullopt},
        {"12a", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        const auto bytes = AtolItemCodeBytes(row.decimal);
        EXPECT_EQ(bytes ? std::optional<std::string>(ToHex(*bytes)) : std::nullopt, row.hex)
            << row.decimal;
    }
}

TEST_F(AtolReceiptTest, CorrectionReceiptCarriesItsOwnBasisAndTheReceiptTags) {
    ctx.param.CheckCorrect_NAME = "Акт";
    ctx.param.CheckCorrect_DATE = "01.02.2021";
    ctx.param.CheckCorrect_NUM = "7";
    ctx.param.EmailOrTel = "a@b.ru";
    ctx.param.SNO = "DOH";
    EXPECT_EQ(Print("CORRECT_PRIH", {Goods("Выручка", 1, 500, 18)}), "");
    EXPECT_TRUE(made);
    EXPECT_EQ(Between("setParam(1177,\"Акт\")", "openReceipt()"),
              Expected({
                  "setParam(1177,\"Акт\")",
                  "setParam(1178,1612137600)",
                  "setParam(1179,\"7\")",
                  "utilFormTlv()",
                  "getParamByteArray(LIBFPTR_PARAM_TAG_VALUE)",
                  "setParam(1008,\"a@b.ru\")",
                  "setParam(LIBFPTR_PARAM_RECEIPT_ELECTRONICALLY,false)",
                  "setParam(1187,\"\")",
                  "setParam(1055,LIBFPTR_TT_USN_INCOME)",
                  "setParam(1173,0)",
                  "setParam(1174,[99 04 03 00 80 AA E2 9A 04 04 00 80 44 17 60 9B 04 01 00 37])",
                  "setParam(LIBFPTR_PARAM_RECEIPT_TYPE,LIBFPTR_RT_SELL_CORRECTION)",
              }));
    // The e-mail and the tax system are the receipt's, not packed into the basis.
    const std::string tape = Tape();
    EXPECT_NE(tape.find("ЧЕК КОРРЕКЦИИ. ПРИХОД"), std::string::npos) << tape;
    EXPECT_NE(tape.find("1008=a@b.ru"), std::string::npos) << tape;
    EXPECT_NE(tape.find("1055=2"), std::string::npos) << tape;

    NewCommand();
    ctx.param.CheckCorrect_DATE = "31.02.2021";
    atol->BeginReceipt();
    AddGoods(Goods("Выручка", 1, 500, 18));
    EXPECT_EQ(Attempt([&] { atol->PrintReceipt("CORRECT_RASH"); }),
              "Чек коррекции: дата документа основания CheckCorrect_DATE=\"31.02.2021\" не "
              "является датой. Чек не напечатан");
    EXPECT_TRUE(traffic.lines.empty()) << "nothing reaches the register";
}

TEST_F(AtolReceiptTest, SupplierAndAgentStructuresGoWithEveryLine) {
    ctx.param.suplierInfoName1225 = "ООО Я";
    ctx.param.suplierInfoINN1226 = "7701234567";
    ctx.param.suplierInfoTel1171 = "+79001234567";
    ctx.param.AgentInfoINN1016 = "7709876543";
    ctx.param.AgentInfoName1026 = "Агент";
    EXPECT_EQ(Print("PRINT", {Goods("Товар", 1, 10)}), "");
    EXPECT_EQ(Count("setParam(1057,64)"), 1);
    EXPECT_EQ(Between("openReceipt()", "setParam(LIBFPTR_PARAM_COMMODITY_NAME,\"Товар\")"),
              Expected({
                  "openReceipt()",
                  "setParam(1225,\"ООО Я\")",
                  "setParam(1171,\"+79001234567\")",
                  "utilFormTlv()",
                  "getParamString(LIBFPTR_PARAM_TAG_VALUE)",
                  "setParam(1016,\"7709876543\")",
                  "setParam(1026,\"Агент\")",
                  "utilFormTlv()",
                  "getParamString(LIBFPTR_PARAM_TAG_VALUE)",
              }));
    const std::string supplier = ToHex(FormTlv({{1225, "ООО Я"}, {1171, "+79001234567"}}));
    const std::string agent = ToHex(FormTlv({{1016, "7709876543"}, {1026, "Агент"}}));
    EXPECT_EQ(
        Between("setParamStrHex(1223,\"" + agent + "\")", "registration()"),
        Expected({"setParamStrHex(1223,\"" + agent + "\")", "setParam(1222,64)",
                  "setParam(1226,\"7701234567\")", "setParamStrHex(1224,\"" + supplier + "\")"}));

    // A telephone too long for tag 1171: the receipt is cancelled with the register's reason.
    NewCommand();
    ctx.param.suplierInfoTel1171 = "+7900123456789012345";
    atol->BeginReceipt();
    AddGoods(Goods("Товар", 1, 10));
    EXPECT_EQ(Attempt([&] { atol->PrintReceipt("PRINT"); }),
              "Не удалось передать тэг 1224: Значение, тег 1171, длиннее допустимого: 20 байт "
              "при наибольшей длине 19");
    EXPECT_EQ(Traffic().back(), "cancelReceipt()");
}

TEST_F(AtolReceiptTest, LongNamesAreCutForTheRegisterAndPrintedWhole) {
    const std::string name = RepeatText("Ж", 150);
    EXPECT_EQ(Print("PRINT", {Goods(name, 1, 10)}), "");
    EXPECT_EQ(Count("setParam(LIBFPTR_PARAM_COMMODITY_NAME,\"" + RepeatText("Ж", 120) + "\")"), 1);
    EXPECT_TRUE(PrintedTexts().empty()) << "no Расшифровка with Name 0";

    NewCommand();
    ctx.param.Name = 30;
    atol->BeginReceipt();
    AddGoods(Goods(name, 1, 10));
    EXPECT_EQ(Attempt([&] { atol->PrintReceipt("PRINT"); }), "");
    EXPECT_EQ(Count("setParam(LIBFPTR_PARAM_COMMODITY_NAME,\"" + RepeatText("Ж", 30) + "\")"), 1);
    // "Расшифровка:" and the name, 162 characters, in pieces of PRN_WIDHT 40.
    const auto zh = [](int n) { return RepeatText("Ж", n); };
    EXPECT_EQ(PrintedTexts(),
              (Lines{"Расшифровка:" + zh(28), zh(40), zh(40), zh(40), zh(2), "----"}))
        << "cut by characters, not bytes";
}

TEST_F(AtolReceiptTest, ReceiptBeginsOnlyWithBegin) {
    AddGoods(Goods("Хлеб", 1, 30));
    EXPECT_FALSE(atol->PrintReceipt("PRINT"));
    EXPECT_TRUE(traffic.lines.empty());
}

// Money: every line sum is the exact decimal product rounded half away from zero, as the register
// counts it, and a price column that holds the line sum is split into quantity and price.
TEST_F(AtolReceiptTest, PaymentIsWhatTheRegisterCounts) {
    struct Row {
        const char* name;
        bool cenaAsSumma;
        std::vector<TTovar> goods;
        std::string payment;  // PAYMENT_SUM sent
        Lines registered;     // quantity and price pairs sent last for each line
    };
    const Row rows[] = {
        // 0.5 x 2.01 = 1.005 is 1.00499... in binary; the register charges 1.01.
        {"binary_artefact", false, {Goods("Гвозди", 0.5, 2.01)}, "1.01", {}},
        // 2 x 0.335: the register takes the price as 0.34 and charges 0.68 (0.67 is short).
        {"three_decimal_price", false, {Goods("А", 1, 1.0049), Goods("Б", 2, 0.335)}, "1.68", {}},
        // 2 units for 10.00 in the price column: 2 x 5.00, not 2 x 10.00.
        {"cena_as_summa_splits",
         true,
         {Goods("Мука", 2, 10), Goods("Соль", 3, 10)},
         "20",
         {"setParam(LIBFPTR_PARAM_PRICE,5)", "setParam(LIBFPTR_PARAM_QUANTITY,2)",
          "setParam(LIBFPTR_PARAM_PRICE,10)", "setParam(LIBFPTR_PARAM_QUANTITY,1)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AtolRig rig;
        rig.ctx.param.CENA_AS_SUMMA = row.cenaAsSumma;
        rig.ctx.ConnectPending = true;
        rig.atol->BeginReceipt();
        for (const auto& t : row.goods)
            rig.AddGoods(t);
        EXPECT_EQ(rig.Attempt([&] { rig.atol->PrintReceipt("PRINT"); }), "");
        const auto t = rig.Traffic();
        EXPECT_NE(
            std::find(t.begin(), t.end(),
                      Expected({"setParam(LIBFPTR_PARAM_PAYMENT_SUM," + row.payment + ")"})[0]),
            t.end());
        if (!row.registered.empty()) {
            Lines sent;
            const Lines figures =
                Expected({"setParam(LIBFPTR_PARAM_PRICE,", "setParam(LIBFPTR_PARAM_QUANTITY,"});
            for (const auto& line : t) {
                if (line.rfind(figures[0], 0) == 0 || line.rfind(figures[1], 0) == 0)
                    sent.push_back(line);
            }
            // The first price and quantity of each line are the file's; the split ones follow.
            EXPECT_EQ(Lines(sent.begin() + 2, sent.begin() + 4),
                      Expected({row.registered[0], row.registered[1]}));
            EXPECT_EQ(Lines(sent.end() - 2, sent.end()),
                      Expected({row.registered[2], row.registered[3]}));
            EXPECT_NE(std::find(t.begin(), t.end(),
                                Expected({"setParam(LIBFPTR_PARAM_COMMODITY_NAME,\"Соль "
                                          "(кол-во=3.00)\")"})[0]),
                      t.end());
        }
        EXPECT_EQ(rig.Errors(), Lines{});
    }
}

// A declared document sum is the register's total to the kopeck, or the receipt is refused
// before the register sees it.
TEST_F(AtolReceiptTest, DeclaredDocumentSumIsMetOrRefused) {
    struct Row {
        double summaDoc;
        std::vector<TTovar> goods;
        std::string failure;  // empty: paid SUMMADOC
    };
    const Row rows[] = {
        {100, {Goods("Вода", 3, 33.33), Goods("Пакет", 1, 0.01), Goods("Сок", 2, 0.5)}, ""},
        {1, {Goods("Спички", 3, 0.3333)}, ""},
        {40,
         {Goods("Стол", 1, 50), Goods("Стул", 1, 50)},
         "Чек не напечатан: сумму документа SUMMADOC=40.00 нельзя получить из строк чека (сумма "
         "товаров 100.00, ближайшая сумма, которую может пробить ККМ, 50.01). Проверьте SUMMADOC "
         "и суммы строк"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.summaDoc);
        AtolRig rig;
        rig.ctx.param.SUMMADOC = row.summaDoc;
        rig.ctx.ConnectPending = true;
        rig.atol->BeginReceipt();
        for (const auto& t : row.goods)
            rig.AddGoods(t);
        EXPECT_EQ(rig.Attempt([&] { rig.atol->PrintReceipt("PRINT"); }), row.failure);
        if (!row.failure.empty()) {
            EXPECT_TRUE(rig.traffic.lines.empty()) << "nothing reaches the register";
            continue;
        }
        const auto t = rig.Traffic();
        const std::string paid = FormatGeneral(row.summaDoc);
        EXPECT_NE(std::find(t.begin(), t.end(),
                            Expected({"setParam(LIBFPTR_PARAM_PAYMENT_SUM," + paid + ")"})[0]),
                  t.end());
        EXPECT_NE(rig.Tape().find("ИТОГ =" + FormatMoney(row.summaDoc)), std::string::npos)
            << rig.Tape();
    }
}

TEST_F(AtolReceiptTest, LinesTheRegisterCannotTakeFailBeforeTheReceiptOpens) {
    struct Row {
        const char* name;
        TTovar goods;
        bool cenaAsSumma;
        std::string failure;
    };
    TTovar badCode = Goods("Пиво", 1, 80, 18);
    badCode.CompositeMark = "##";
    badCode.NomenclatureCode1162 = "46O1";
    const Row rows[] = {
        {"unknown_vat", Goods("Хлеб", 1, 30, 5), false,
         "Ставка НДС 5 в строке \"Хлеб\" не известна ККМ АТОЛ (допустимы 20, 10, 0 и -1). Чек не "
         "напечатан"},
        {"code_not_a_number", badCode, false,
         "Код товара (тег 1162) \"46O1\" в строке \"Пиво\" должен быть десятичным числом не "
         "больше 18446744073709551615. Чек не напечатан"},
        {"line_sum_without_quantity", Goods("Соль", 0, 10), true,
         "Ошибка при расчете цены по сумме строки: количество равно 0 в строке \"Соль\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ctx.param.CENA_AS_SUMMA = row.cenaAsSumma;
        NewCommand();
        atol->BeginReceipt();
        AddGoods(row.goods);
        EXPECT_EQ(Attempt([&] { atol->PrintReceipt("PRINT"); }), row.failure);
        EXPECT_TRUE(traffic.lines.empty()) << "nothing reaches the register";
        EXPECT_FALSE(atol->State().CheckBegun);
    }
}

TEST_F(AtolReceiptTest, ARefusedLineCancelsTheReceipt) {
    folder.Write("Fptr10.sim.faults.ini", "FAIL.registration=3,Неверная цена\r\n");
    EXPECT_EQ(Print("PRINT", {Goods("Хлеб", 1, 30), Goods("Сыр", 1, 300)}),
              "Не удалось зарегистрировать товар \"Хлеб\": Неверная цена. Чек аннулирован");
    EXPECT_EQ(Between("registration()"),
              Expected({"registration()", "errorDescription()", "cancelReceipt()"}));
    EXPECT_EQ(Count("payment()"), 0) << "the full total is never paid over a missing line";
    EXPECT_FALSE(folder.Exists("ResultNumCheck.txt"));
    EXPECT_NE(Tape().find("ЧЕК АННУЛИРОВАН"), std::string::npos);
}

TEST_F(AtolReceiptTest, AReceiptThatWasClosedStaysMadeWhenItsNumberCannotBeRead) {
    folder.Write("ResultNumCheck.txt", "17\r\n");
    folder.Write("Fptr10.sim.faults.ini", "FAIL.fnQueryData=231,Нет связи с ФН\r\n");
    EXPECT_EQ(Print("PRINT", {Goods("Хлеб", 1, 30)}), "");
    EXPECT_TRUE(made);
    EXPECT_TRUE(Errors().empty()) << "the accounting system must not charge again";
    EXPECT_EQ(folder.Read("ResultNumCheck.txt"), "0\r\n") << "not the previous receipt's 17";
    EXPECT_NE(folder.Read("orvenka.long.log").find("#KKM DocumentNumber=0"), std::string::npos);
    EXPECT_NE(ctx.log.Messages().back().find("Чек напечатан, но его номер не получен: "
                                             "Atol_SaveNumCheckToFile ErrorDescription:Нет связи "
                                             "с ФН. В ResultNumCheck.txt записан 0"),
              std::string::npos)
        << ctx.log.Messages().back();
}

TEST_F(AtolReceiptTest, AReceiptThatDoesNotOpenIsReportedAsSuch) {
    folder.Write("Fptr10.sim.faults.ini", "PAPER_OUT=1\r\n");
    EXPECT_EQ(Print("PRINT", {Goods("Хлеб", 1, 30)}), "Не удалось открыть чек: Нет бумаги");
    EXPECT_EQ(Count("registration()"), 0);
}

TEST_F(AtolReceiptTest, ARegisterThatNeverFinishesPrintingDoesNotHoldTheCommand) {
    folder.Write("Fptr10.sim.faults.ini", "BUSY=1\r\n");
    EXPECT_EQ(Print("PRINT", {Goods("Хлеб", 1, 30)}),
              "ККМ не допечатала предыдущий документ: 5 попыток продолжить печать "
              "(continuePrint) не помогли: Документ не допечатан: принтер занят");
    EXPECT_EQ(Count("continuePrint()"), 5);
    EXPECT_EQ(Count("openReceipt()"), 0);
}

TEST_F(AtolReceiptTest, KeepAliveLeavesTheConnectionOpenAfterAReceipt) {
    ctx.KeepAtolDriver = true;
    EXPECT_EQ(Print("PRINT", {Goods("Хлеб", 1, 30)}), "");
    EXPECT_NE(Traffic().back(), "close()");
    EXPECT_EQ(Count("close()"), 0);
}

TEST_F(AtolReceiptTest, HandMadeLayoutRegistersOneSummaryLine) {
    ctx.param.HandMade = true;
    ctx.param.Name = 10;
    ctx.param.Kolvo = 6;
    ctx.param.Cena = 8;
    ctx.param.Summa = 8;
    EXPECT_EQ(Print("RETURN", {Goods("Молоко 3,2%", 2, 45.5), Goods("Хлеб", 1, 30)}), "");
    EXPECT_EQ(Count("registration()"), 1);
    EXPECT_EQ(Count("setParam(LIBFPTR_PARAM_COMMODITY_NAME,\"Возврат\")"), 1);
    EXPECT_EQ(Count("setParam(LIBFPTR_PARAM_PRICE,121)"), 1);
    EXPECT_EQ(Count("setParam(LIBFPTR_PARAM_TAX_TYPE,LIBFPTR_TAX_VAT20)"), 1)
        << "the goods' common rate";
    EXPECT_EQ(PrintedTexts(),
              (Lines{std::string(32, '-'), "НаименованКол-во    Цена   Сумма",
                     "Молоко 3,22.00     45.50   91.00", "Хлеб      1.00     30.00   30.00",
                     std::string(32, '='), FitText(" Сумма по чеку: 121.00", 32, true),
                     FitText("Наличные: 121.00", 32, true)}));
}

// One summary line cannot state two rates: goods with differing VAT are refused before the
// register sees anything.
TEST_F(AtolReceiptTest, HandMadeGoodsOfDifferentRatesAreRefused) {
    ctx.param.HandMade = true;
    const std::string failure = Print(
        "PRINT", {Goods("Молоко", 2, 45.5, 10), Goods("Хлеб", 1, 30), Goods("Вода", 1, 20, 10)});
    EXPECT_EQ(
        failure,
        "Чек не напечатан: при HandMade=+ все товары регистрируются одной строкой с одной "
        "ставкой НДС, а у товаров чека разные ставки НДС (10%, 20%). Разделите товары на чеки "
        "по ставкам");
    EXPECT_TRUE(traffic.lines.empty());
}

// A caption and a value on a line of `width`, the value at the right edge.
std::string Pair(const std::string& label, const std::string& value, long width = 40) {
    return FitText(label, width - static_cast<long>(CharCount(value)), false) + value;
}

TEST_F(AtolReceiptTest, NonFiscalImitationEndsWithTheFiscalQrText) {
    TParam& p = ctx.param;
    p.isNotFiscal = true;
    p.ZN = "0012345";
    p.REGNUMFN = "9999078900001234";
    p.USER = "ООО Ромашка";
    p.INN = "7701234567";
    p.ADDRES = "г. Москва";
    p.EmailOrTel = "+79001234567";
    p.AuthorName = "Кассир";
    p.AuthorCaption = " Иванова ";
    EXPECT_EQ(Print("PRINT", {Goods("Молоко", 2, 45.50, 18)}), "");
    EXPECT_TRUE(made);

    Lines texts = PrintedTexts();
    ASSERT_EQ(texts.size(), 24u);
    std::smatch sign;
    const std::string signLine = texts[22];
    ASSERT_TRUE(std::regex_match(signLine, sign, std::regex("ФП: +(1\\d{9})"))) << signLine;
    texts.erase(texts.begin() + 22);
    // 91.00 at the basic rate holds 91.00 - 91.00 / 1.2 = 15.17 of VAT.
    EXPECT_EQ(texts, (Lines{
                         "ПРИХОД",
                         "Молоко",
                         "ПОЛНЫЙ РАСЧЕТ",
                         Pair("01", "2.000 * 45.50 =91.00"),
                         Pair("НДС 20%", "15.17"),
                         Pair("ИТОГ", "=91.00", 20),
                         Pair("НДС20%", "15.17"),
                         Pair("НАЛИЧНЫМИ", "=91.00"),
                         Pair("СНО:", "ОСН"),
                         Pair("Пользователь:", "ООО Ромашка"),
                         Pair("ИНН:", "7701234567"),
                         "Адрес:г. Москва",
                         Pair("Кассир:", "Иванова"),
                         Pair("Сайт ФНС:", "www.nalog.gov.ru"),
                         Pair("Телефон покупателя:", "+79001234567"),
                         Pair("Дата Время", "12.02.2021 10:30:15"),
                         Pair("Смена №", "00001"),
                         Pair("Чек №:", "00001"),
                         Pair("^ЗН №", "0012345^"),
                         Pair("РН ККТ №", ""),
                         Pair("ФН №", "9999078900001234"),
                         Pair("ФД №", "0000000001"),
                         "",
                     }));
    const Lines traffic = Traffic();
    ASSERT_GE(traffic.size(), 2u);
    EXPECT_EQ(Lines(traffic.begin(), traffic.begin() + 2),
              (Lines{"open()", "beginNonfiscalDocument()"}));
    const std::string qr =
        "t=20210212T1452&s=91.00&fn=9999078900001234&i=18&fp=" + sign[1].str() + "&n=1";
    EXPECT_EQ(Between("setParam(LIBFPTR_PARAM_BARCODE,\"" + qr + "\")"),
              Expected({
                  "setParam(LIBFPTR_PARAM_BARCODE,\"" + qr + "\")",
                  "setParam(LIBFPTR_PARAM_BARCODE_TYPE,LIBFPTR_BT_QR)",
                  "setParam(LIBFPTR_PARAM_ALIGNMENT,LIBFPTR_ALIGNMENT_CENTER)",
                  "setParam(LIBFPTR_PARAM_SCALE,4)",
                  "printBarcode()",
                  "endNonfiscalDocument()",
                  "close()",
              }));
    EXPECT_EQ(Count("openReceipt()") + Count("registration()"), 0) << "nothing fiscal";
    EXPECT_EQ(folder.Read("ResultNumCheck.txt"), "1\r\n");
    const std::string counters = folder.Read("A0012345.ini");
    EXPECT_NE(counters.find("NUM_CHECKINSMENA=1"), std::string::npos) << counters;
    EXPECT_NE(counters.find("SUM_CHECKPRIHODINSMENA_NAL=91.00"), std::string::npos) << counters;
    EXPECT_NE(Tape().find("[QR-КОД: " + qr + "]"), std::string::npos);
}

TEST_F(AtolReceiptTest, NonFiscalLineSumInThePriceColumnIsSplitToo) {
    ctx.param.isNotFiscal = true;
    ctx.param.CENA_AS_SUMMA = true;
    ctx.param.Oplata = "VISA";
    EXPECT_EQ(Print("PRINT", {Goods("Соль", 3, 10, 10)}), "");
    const Lines texts = PrintedTexts();
    // 3 units for 10.00 in all: one unit of 10.00, the quantity in the name; never 3 x 10.00.
    EXPECT_EQ(Lines(texts.begin() + 1, texts.begin() + 5),
              (Lines{"Соль (кол-во=3.00)", "ПОЛНЫЙ РАСЧЕТ", Pair("01", "1.000 * 10.00 =10.00"),
                     Pair("НДС 10%", "0.91")}));
    EXPECT_EQ(texts[5], Pair("ИТОГ", "=10.00", 20));
    EXPECT_EQ(texts[7], Pair("БЕЗНАЛИЧНЫМИ", "=10.00"));
}

// Whether any printed line holds `part`.
bool Shows(const Lines& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// A split payment shows its parts under the imitation's total.
TEST_F(AtolReceiptTest, NonFiscalSplitPaymentShowsItsParts) {
    ctx.param.isNotFiscal = true;
    ctx.param.OplataBreak = true;
    ctx.param.BreakSumNAL = 60;
    ctx.param.BreakSumVISA = 40;
    EXPECT_EQ(Print("PRINT", {Goods("Сыр", 1, 100)}), "");
    const Lines texts = PrintedTexts();
    EXPECT_TRUE(Shows(texts, Pair("НАЛИЧНЫМИ", "=60.00")));
    EXPECT_TRUE(Shows(texts, Pair("БЕЗНАЛИЧНЫМИ", "=40.00")));
}

// A hand-made summary on an imitation registers nothing, so no part of a split is shown paid.
TEST_F(AtolReceiptTest, NonFiscalHandMadeSummaryShowsNoPayment) {
    ctx.param.isNotFiscal = true;
    ctx.param.HandMade = true;
    ctx.param.Name = 10;
    ctx.param.Kolvo = 6;
    ctx.param.Cena = 8;
    ctx.param.Summa = 8;
    ctx.param.OplataBreak = true;
    ctx.param.BreakSumNAL = 60;
    ctx.param.BreakSumVISA = 40;
    EXPECT_EQ(Print("PRINT", {Goods("Сыр", 1, 100)}), "");
    const Lines texts = PrintedTexts();
    EXPECT_TRUE(Shows(texts, "Сумма по чеку: 100.00"));
    EXPECT_FALSE(Shows(texts, "НАЛИЧНЫМИ"));
    EXPECT_FALSE(Shows(texts, "Наличные:"));
    EXPECT_FALSE(Shows(texts, "Безналичные:"));
}

}  // namespace
}  // namespace orvenka::test
