// The simulated ATOL register: the fiscal data byte forms it builds, and the register behaviour
// the back-end relies on (refusals, the state it keeps across objects, faults).
#include "drivers/sim/fptr10_sim.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/failure.h"
#include "drivers/sim/fiscal_tlv.h"
#include "drivers/sim/simulators.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

class NullLogger : public Logger {
  public:
    std::vector<std::string> messages;
    void LogMessage(const std::string& text) override { messages.push_back(text); }
    void LogError(const std::string& text) override { messages.push_back(text); }
};

Bytes B(std::initializer_list<int> bytes) {
    Bytes out;
    for (const int b : bytes)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

// Examples computed by hand from the fiscal data format: tag and length little-endian, texts in
// code page 866 (А-п 0x80-0xAF, р-я 0xE0-0xEF, Ё 0xF0, № 0xFC).
TEST(FiscalTlv, StructuresAsTheFormatLaysThemOut) {
    struct Row {
        const char* name;
        std::vector<std::pair<int, Variant>> tags;
        Bytes bytes;
    };
    const Row rows[] = {
        // 1085 = 0x043D, "Цвет" = 96 A2 A5 E2; 1086 = 0x043E, "Ёж №1" = F0 A6 20 FC 31.
        {"user_requisite",
         {{1085, "Цвет"}, {1086, "Ёж №1"}},
         B({0x3D, 0x04, 0x04, 0x00, 0x96, 0xA2, 0xA5, 0xE2, 0x3E, 0x04, 0x05, 0x00, 0xF0, 0xA6,
            0x20, 0xFC, 0x31})},
        // 1177 = 0x0499 "Акт"; 1178 = 0x049A, 1612137600 = 0x60174480 (01.02.2021 00:00) in 4
        // bytes; 1179 = 0x049B "7".
        {"correction_basis",
         {{1177, "Акт"}, {1178, 1612137600}, {1179, "7"}},
         B({0x99, 0x04, 0x03, 0x00, 0x80, 0xAA, 0xE2, 0x9A, 0x04, 0x04,
            0x00, 0x80, 0x44, 0x17, 0x60, 0x9B, 0x04, 0x01, 0x00, 0x37})},
        // 1225 = 0x04C9 "ООО «Я»": the quotes code page 866 lacks become '"'; 1171 = 0x0493.
        {"supplier",
         {{1225, "ООО «Я»"}, {1171, "+79001234567"}},
         B({0xC9, 0x04, 0x07, 0x00, 0x8E, 0x8E, 0x8E, 0x20, 0x22, 0x9F, 0x22, 0x93, 0x04, 0x0C,
            0x00, '+',  '7',  '9',  '0',  '0',  '1',  '2',  '3',  '4',  '5',  '6',  '7'})},
        // 1057 = 0x0421, one byte 64.
        {"byte_tag", {{1057, 64}}, B({0x21, 0x04, 0x01, 0x00, 0x40})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ToHex(FormTlv(row.tags)), ToHex(row.bytes));
    }
}

TEST(FiscalTlv, RefusesWhatTheFormatCannotHold) {
    const std::vector<std::vector<std::pair<int, Variant>>> refused = {
        {{1171, "+7900123456789012345"}},  // 20 bytes, the tag holds 19
        {{1085, std::string(65, 'x')}},
        {{1016, "7700000000001"}},  // an ИНН of 13
        {{1057, 300}},
        {{1178, -1}},
        {{0, "x"}},
    };
    for (const auto& tags : refused)
        EXPECT_THROW(FormTlv(tags), Failure) << tags[0].first;
    // The longest value a tag holds is taken, counted in bytes of code page 866, not UTF-8.
    EXPECT_EQ(FormTlv({{1171, "Телефон 12345678901"}}).size(), 4u + 19u);
}

TEST(FiscalTlv, NomenclatureCodeOfMarkedGoods) {
    // Tobacco 0x0005, big-endian; GTIN 04600000000017 = 0x042F055DB011 in 6 bytes; serial "ABC".
    EXPECT_EQ(ToHex(FormNomenclature(5, "04600000000017", "ABC")), "0005042F055DB011414243");

    // Shoes 0x1520, furs 0x0002, medicines 0x0003; GTIN 1 -> 00 00 00 00 00 01.
    EXPECT_EQ(ToHex(FormNomenclature(6, "1", "s")),
              "1520000000000001"
              "73");
    EXPECT_EQ(ToHex(FormNomenclature(2, "1", "s")).substr(0, 4), "0002");
    EXPECT_EQ(ToHex(FormNomenclature(3, "1", "s")).substr(0, 4), "0003");

    EXPECT_THROW(FormNomenclature(4, "1", "s"), Failure);
    EXPECT_THROW(FormNomenclature(5, "", "s"), Failure);
    EXPECT_THROW(FormNomenclature(5, "123456789012345", "s"), Failure);  // 15 digits
    EXPECT_THROW(FormNomenclature(5, "12a", "s"), Failure);
    EXPECT_THROW(FormNomenclature(5, "1", ""), Failure);
    EXPECT_THROW(FormNomenclature(5, "1", "серия"), Failure);
    EXPECT_THROW(FormNomenclature(5, "1", std::string(25, 'x')), Failure);  // over 32 bytes
}

TEST(FiscalTlv, HexBothWays) {
    EXPECT_EQ(ToHex(B({0x00, 0xAB, 0x5F})), "00AB5F");
    EXPECT_EQ(FromHex("00ab5F"), B({0x00, 0xAB, 0x5F}));
    EXPECT_THROW(FromHex("ABC"), Failure);
    EXPECT_THROW(FromHex("0G"), Failure);
}

class Fptr10Test : public ::testing::Test {
  protected:
    std::unique_ptr<AutomationObject> Create() { return factory.Create("AddIn.Fptr10"); }
    Variant C(const char* name) { return *SimulatedFptr10::Constant(name); }
    // Opens a sale with one line of `quantity` x `price`.
    void OpenSale(AutomationObject& f, double quantity, double price) {
        f.Call("open");
        f.Call("setParam", {C("LIBFPTR_PARAM_RECEIPT_TYPE"), C("LIBFPTR_RT_SELL")});
        ASSERT_EQ(f.CallInt("openReceipt"), 0);
        f.Call("setParam", {C("LIBFPTR_PARAM_COMMODITY_NAME"), "Хлеб"});
        f.Call("setParam", {C("LIBFPTR_PARAM_PRICE"), price});
        f.Call("setParam", {C("LIBFPTR_PARAM_QUANTITY"), quantity});
        f.Call("setParam", {C("LIBFPTR_PARAM_TAX_TYPE"), C("LIBFPTR_TAX_VAT20")});
        ASSERT_EQ(f.CallInt("registration"), 0);
    }
    int Pay(AutomationObject& f, const Variant& type, double sum) {
        f.Call("setParam", {C("LIBFPTR_PARAM_PAYMENT_TYPE"), type});
        f.Call("setParam", {C("LIBFPTR_PARAM_PAYMENT_SUM"), sum});
        return f.CallInt("payment");
    }

    test::TempFolder folder;
    NullLogger log;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 15, 0})};
    DriverFactory factory{DriverEnvironment{folder.Path(), log, clock}};

    Fptr10Test() { RegisterSimulators(factory); }
};

TEST_F(Fptr10Test, ConstantsAreReadOnlyPropertiesAndUnknownNamesFail) {
    auto f = Create();
    EXPECT_EQ(f->Get("libfptr_param_text"), C("LIBFPTR_PARAM_TEXT"));
    EXPECT_THROW(f->Set("LIBFPTR_PARAM_TEXT", 1), Failure);
    EXPECT_THROW(f->Get("LIBFPTR_PARAM_NO_SUCH"), Failure);
    // Parameter ids lie above every fiscal tag number.
    for (const auto& [name, value] : SimulatedFptr10::Constants()) {
        if (name.rfind("LIBFPTR_PARAM_", 0) == 0) {
            EXPECT_GE(value.ToInt(), 65536) << name;
        }
    }
}

TEST_F(Fptr10Test, ReceiptRefusesAShortPaymentAndClosesWithChange) {
    auto f = Create();
    // 0.5 x 2.01 is 1.005: the register counts 1.01, never the 1.00 of binary arithmetic.
    OpenSale(*f, 0.5, 2.01);
    Pay(*f, C("LIBFPTR_PT_ELECTRONICALLY"), 0.60);
    Pay(*f, C("LIBFPTR_PT_CASH"), 0.40);
    EXPECT_EQ(f->CallInt("closeReceipt"), -1);
    EXPECT_EQ(f->Call("errorDescription").ToText(),
              "Недостаточно средств для закрытия чека: сумма чека 1.01, оплачено 1.00");
    EXPECT_FALSE(f->Call("getParamBool", {C("LIBFPTR_PARAM_DOCUMENT_CLOSED")}).ToBool());

    Pay(*f, C("LIBFPTR_PT_CASH"), 5);
    EXPECT_EQ(f->CallInt("closeReceipt"), 0);
    EXPECT_EQ(f->Call("errorDescription").ToText(), "Ошибок нет");
    EXPECT_TRUE(f->Call("getParamBool", {C("LIBFPTR_PARAM_DOCUMENT_CLOSED")}).ToBool());
    const std::string tape = folder.Read("Fptr10.sim.tape.txt");
    EXPECT_NE(tape.find("СИМУЛЯТОР, НЕ ФИСКАЛЬНЫЙ ДОКУМЕНТ"), std::string::npos);
    EXPECT_NE(tape.find("ИТОГ =1.01"), std::string::npos) << tape;
    EXPECT_NE(tape.find("СДАЧА =4.99"), std::string::npos) << tape;

    // Card payments above the total cannot be given back in cash.
    OpenSale(*f, 1, 10);
    Pay(*f, C("LIBFPTR_PT_ELECTRONICALLY"), 11);
    EXPECT_EQ(f->CallInt("closeReceipt"), -1);

    // The receipt number of the last receipt, from the fiscal storage: shift opening 1,
    // receipt 2.
    EXPECT_EQ(f->CallInt("cancelReceipt"), 0);
    f->Call("setParam", {C("LIBFPTR_PARAM_FN_DATA_TYPE"), C("LIBFPTR_FNDT_LAST_RECEIPT")});
    ASSERT_EQ(f->CallInt("fnQueryData"), 0);
    EXPECT_EQ(f->Call("getParamInt", {C("LIBFPTR_PARAM_DOCUMENT_NUMBER")}).ToInt(), 2);
}

TEST_F(Fptr10Test, ARegisterAnswersOnlyOnAnOpenConnectionAndRefusesBadLines) {
    auto f = Create();
    EXPECT_EQ(f->CallInt("openShift"), -1);
    EXPECT_EQ(f->Call("errorDescription").ToText(), "Соединение с ККТ не установлено");
    f->Call("open");
    f->Call("setParam", {C("LIBFPTR_PARAM_RECEIPT_TYPE"), C("LIBFPTR_RT_SELL")});
    ASSERT_EQ(f->CallInt("openReceipt"), 0);
    struct Row {
        const char* name;
        double quantity, price;
        bool tax;
        std::string refusal;
    };
    const Row rows[] = {
        {"Хлеб", 0, 10, true, "Неверное количество 0"},
        {"Хлеб", 1, -1, true, "Неверная цена -1"},
        {"Хлеб", 1, 10, false, "Не указана или неверна ставка НДС"},
        {"", 1, 10, true, "Не указано наименование товара"},
    };
    for (const Row& row : rows) {
        f->Call("setParam", {C("LIBFPTR_PARAM_COMMODITY_NAME"), row.name});
        f->Call("setParam", {C("LIBFPTR_PARAM_PRICE"), row.price});
        f->Call("setParam", {C("LIBFPTR_PARAM_QUANTITY"), row.quantity});
        if (row.tax)
            f->Call("setParam", {C("LIBFPTR_PARAM_TAX_TYPE"), C("LIBFPTR_TAX_VAT10")});
        EXPECT_EQ(f->CallInt("registration"), -1);
        EXPECT_EQ(f->Call("errorDescription").ToText(), row.refusal);
    }
    EXPECT_EQ(f->CallInt("closeReceipt"), -1) << "no line";
}

TEST_F(Fptr10Test, AnOpenReceiptOutlivesTheObjectAndTheShiftExpires) {
    {
        auto f = Create();
        OpenSale(*f, 1, 10);
    }  // the program died here
    auto f = Create();
    f->Call("open");
    f->Call("setParam", {C("LIBFPTR_PARAM_DATA_TYPE"), C("LIBFPTR_DT_STATUS")});
    ASSERT_EQ(f->CallInt("queryData"), 0);
    EXPECT_EQ(f->Call("getParamInt", {C("LIBFPTR_PARAM_RECEIPT_TYPE")}), C("LIBFPTR_RT_SELL"));
    EXPECT_EQ(f->Call("getParamInt", {C("LIBFPTR_PARAM_SHIFT_STATE")}), C("LIBFPTR_SS_OPENED"));
    EXPECT_EQ(f->CallInt("cancelReceipt"), 0);

    clock.AdvanceSeconds(24 * 3600);
    f->Call("setParam", {C("LIBFPTR_PARAM_DATA_TYPE"), C("LIBFPTR_DT_STATUS")});
    f->Call("queryData");
    EXPECT_EQ(f->Call("getParamInt", {C("LIBFPTR_PARAM_SHIFT_STATE")}), C("LIBFPTR_SS_EXPIRED"));
    f->Call("setParam", {C("LIBFPTR_PARAM_RECEIPT_TYPE"), C("LIBFPTR_RT_SELL")});
    EXPECT_EQ(f->CallInt("openReceipt"), -1);
    EXPECT_EQ(f->Call("errorDescription").ToText(), "Смена превысила 24 часа");
}

TEST_F(Fptr10Test, FaultsFromTheFileAndTheOnesBuiltIn) {
    folder.Write("Fptr10.sim.faults.ini",
                 "FAIL.report=115,Нет связи с ФН\r\nPAPER_OUT=1\r\nBUSY=1\r\n");
    auto f = Create();
    f->Call("open");
    EXPECT_EQ(f->CallInt("report"), -1);
    EXPECT_EQ(f->Call("errorCode").ToInt(), 115);
    EXPECT_EQ(f->Call("errorDescription").ToText(), "Нет связи с ФН");
    f->Call("setParam", {C("LIBFPTR_PARAM_TEXT"), "строка"});
    EXPECT_EQ(f->CallInt("printText"), -1);
    EXPECT_EQ(f->Call("errorDescription").ToText(), "Нет бумаги");
    EXPECT_FALSE(f->Call("getParamBool", {C("LIBFPTR_PARAM_DOCUMENT_PRINTED")}).ToBool());
    EXPECT_EQ(f->CallInt("continuePrint"), -1);
}

TEST_F(Fptr10Test, UtilitiesAnswerTheBytesAndTheirHexText) {
    auto f = Create();
    f->Call("setParam", {1085, "Цвет"});
    f->Call("setParam", {1086, "Ёж №1"});
    ASSERT_EQ(f->CallInt("utilFormTlv"), 0);
    EXPECT_EQ(f->Call("getParamString", {C("LIBFPTR_PARAM_TAG_VALUE")}).ToText(),
              "3D04040096A2A5E23E040500F0A620FC31");
    EXPECT_EQ(f->Call("getParamByteArray", {C("LIBFPTR_PARAM_TAG_VALUE")}).ToBytes().size(), 17u);
    EXPECT_EQ(f->CallInt("utilFormTlv"), -1) << "the tags went with the last operation";
    f->Call("setParam", {1085, "Цвет"});
    f->Call("resetParams");
    EXPECT_EQ(f->CallInt("utilFormTlv"), -1) << "resetParams drops what was set";

    f->Call("setParam", {1171, "+7900123456789012345"});
    EXPECT_EQ(f->CallInt("utilFormTlv"), -1);
    EXPECT_EQ(f->Call("errorDescription").ToText(),
              "Значение, тег 1171, длиннее допустимого: 20 байт при наибольшей длине 19");
    EXPECT_EQ(f->CallInt("setParamStrHex", {1224, "ABC"}), -1);
}

}  // namespace
}  // namespace orvenka
