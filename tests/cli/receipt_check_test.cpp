#include "cli/receipt_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "support/temp_folder.h"

namespace orvenka {
namespace {

using Files = std::map<std::string, std::string>;  // name -> UTF-8 text (written in CP1251)

// 2 x 45.50 + 1 x 100.00 = 191.00
const char* const kTovar = "Хлеб\r\n2\r\n45,50\r\n10\r\nСигареты\r\n1\r\n100\r\n20\r\n";
const char* const kDop = "Заказ\r\n42\r\n+\r\n";

struct CheckRow {
    std::string name;
    Files files;
    std::vector<std::string> printers;
    bool printersKnown;
    std::vector<std::string> errorsStartWith;  // each error line begins with its entry
    size_t goods;
    std::string total;
    double cash;
    double electronic;
    size_t notes;
};

void PrintTo(const CheckRow& row, std::ostream* os) {
    *os << row.name;
}

class ReceiptCheckRows : public ::testing::TestWithParam<CheckRow> {};

// Everything in the folder, bytes and all.
std::map<std::string, std::string> Snapshot(const test::TempFolder& folder) {
    std::map<std::string, std::string> all;
    for (const auto& e : std::filesystem::directory_iterator(folder.Path())) {
        const std::string name = e.path().filename().string();
        all[name] = folder.ReadBytes(name);
    }
    return all;
}

TEST_P(ReceiptCheckRows, AnswersAsTheReceiptCommandWouldAndTouchesNothing) {
    const CheckRow& row = GetParam();
    test::TempFolder folder;
    for (const auto& [name, text] : row.files)
        folder.Write(name, text);
    const auto before = Snapshot(folder);

    const ReceiptCheck check =
        CheckReceiptFiles(folder.Path(), row.printers, row.printersKnown, DeviceKind::Shtrih);

    EXPECT_EQ(Snapshot(folder), before) << "nothing moved, written or counted";
    ASSERT_EQ(check.errors.size(), row.errorsStartWith.size())
        << ::testing::PrintToString(check.errors);
    for (size_t i = 0; i < check.errors.size(); ++i)
        EXPECT_EQ(check.errors[i].rfind(row.errorsStartWith[i], 0), 0u) << check.errors[i];
    EXPECT_EQ(check.refused, !row.errorsStartWith.empty());
    EXPECT_EQ(check.goodsLines, row.goods);
    std::ostringstream total;
    total.setf(std::ios::fixed);
    total.precision(2);
    total << check.goodsTotal;
    EXPECT_EQ(total.str(), row.total);
    EXPECT_DOUBLE_EQ(check.cash, row.cash);
    EXPECT_DOUBLE_EQ(check.electronic, row.electronic);
    EXPECT_EQ(check.notes.size(), row.notes);
}

const char* const kEmpty = "Список Товаров/Услуг пуст. Печать чека отменена!";

INSTANTIATE_TEST_SUITE_P(
    Rows, ReceiptCheckRows,
    ::testing::Values(
        CheckRow{"cash",
                 {{"Param.ini", "Oplata=\r\nDocumStr=Д-1\r\n"},
                  {"Tovar.ini", kTovar},
                  {"Dop.ini", kDop}},
                 {},
                 true,
                 {},
                 2,
                 "191.00",
                 191,
                 0,
                 0},
        CheckRow{"electronic",
                 {{"Param.ini", "Oplata=VISA\r\n"}, {"Tovar.ini", kTovar}},
                 {},
                 true,
                 {},
                 2,
                 "191.00",
                 0,
                 191,
                 0},
        CheckRow{"split",
                 {{"Param.ini", "Oplata=Break\r\nBreakSumNAL=91\r\nBreakSumVISA=100\r\n"},
                  {"Tovar.ini", kTovar}},
                 {},
                 true,
                 {},
                 2,
                 "191.00",
                 91,
                 100,
                 0},
        CheckRow{"upper_case_names",
                 {{"PARAM.INI", "Oplata=\r\n"}, {"TOVAR.INI", kTovar}, {"DOP.INI", kDop}},
                 {},
                 true,
                 {},
                 2,
                 "191.00",
                 191,
                 0,
                 0},
        CheckRow{"no_goods_file",
                 {{"Param.ini", "Oplata=\r\n"}},
                 {},
                 true,
                 {"ReadTovar.ini: ", kEmpty},
                 0,
                 "0.00",
                 0,
                 0,
                 0},
        CheckRow{"broken_goods_and_no_payment_key",
                 {{"Param.ini", "SNO=OSN\r\n"}, {"Tovar.ini", "Хлеб\r\n2\r\nдва\r\n10\r\n"}},
                 {},
                 true,
                 {"ReadParam:", "ReadTovar.ini: Цена товара №1", kEmpty},
                 0,
                 "0.00",
                 0,
                 0,
                 0},
        CheckRow{"already_printed",
                 {{"Param.ini", "Oplata=\r\nDocumStr=Заказ-42\r\n"},
                  {"Tovar.ini", kTovar},
                  {"CheckList.txt", "ЗАКАЗ-42\r\nЗаказ-43\r\n"}},
                 {},
                 true,
                 {"Чек Заказ-42 уже был напечатан"},
                 2,
                 "191.00",
                 191,
                 0,
                 0},
        CheckRow{"two_spellings",
                 {{"Param.ini", "Oplata=\r\n"}, {"Tovar.ini", kTovar}, {"TOVAR.INI", kTovar}},
                 {},
                 true,
                 {"ReadTovar.ini: В папке ", kEmpty},
                 0,
                 "0.00",
                 0,
                 0,
                 0},
        CheckRow{"printer_missing",
                 {{"Param.ini", "Oplata=\r\nPRN_NAME=Kitchen\r\n"}, {"Tovar.ini", kTovar}},
                 {"Office"},
                 true,
                 {"ReadParam:"},
                 2,
                 "191.00",
                 191,
                 0,
                 0},
        CheckRow{"printer_there",
                 {{"Param.ini", "Oplata=\r\nPRN_NAME= kitchen \r\n"}, {"Tovar.ini", kTovar}},
                 {"Office", "Kitchen"},
                 true,
                 {},
                 2,
                 "191.00",
                 191,
                 0,
                 0},
        CheckRow{"printers_unknown",
                 {{"Param.ini", "Oplata=\r\nPRN_NAME=Kitchen\r\n"}, {"Tovar.ini", kTovar}},
                 {},
                 false,
                 {},
                 2,
                 "191.00",
                 191,
                 0,
                 1}),
    [](const auto& info) { return info.param.name; });

TEST(ReceiptCheck, PrintsTheAnswerAndExitsNonZeroWhenRefused) {
    ReceiptCheck check;
    check.goodsLines = 2;
    check.goodsTotal = 191;
    check.cash = 91;
    check.electronic = 80;
    std::ostringstream out;
    EXPECT_EQ(PrintReceiptCheck(check, out), 0);
    EXPECT_EQ(out.str(),
              "Товаров: 2, сумма 191.00\n"
              "Доп. строк: 0\n"
              "Оплата: наличными 91.00, электронными 80.00\n"
              "Примечание: оплата меньше суммы товаров; ККМ откажет в закрытии такого чека\n"
              "Чек был бы напечатан\n");

    check.errors = {"ReadParam:x Не указан обязательный параметр Oplata"};
    check.refused = true;
    out.str("");
    EXPECT_EQ(PrintReceiptCheck(check, out), 1);
    EXPECT_EQ(out.str().rfind("ReadParam:x Не указан обязательный параметр Oplata\n", 0), 0u);
    EXPECT_NE(out.str().find("Чек не был бы напечатан\n"), std::string::npos);
}

}  // namespace
}  // namespace orvenka
