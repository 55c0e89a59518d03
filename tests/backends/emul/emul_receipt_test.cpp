#include "backends/emul/emul_receipt.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "emul_fixture.h"

namespace orvenka::test {
namespace {

using EmulReceiptTest = EmulFixture;

TEST_F(EmulReceiptTest, SaleReceiptLineByLine) {
    TParam& p = ctx.param;
    p.CHECKSHAPKA1 = "ООО Ромашка";
    p.CHECKSHAPKA2 = "   ";
    p.CHECKSHAPKA4 = " Добро пожаловать";
    p.NumCheck = "15";
    p.AuthorName = "Кассир";
    p.AuthorCaption = " Иванов И.И. ";
    p.SNO = "DOH";
    p.EmailOrTel = "+79001234567";
    emul.BeginReceipt();
    emul.AddExtraLine("Заказ", " 42 ", true);
    emul.AddGoodsLine(Sale("Хлеб", 2, 10.5, 18), TTovar{});
    ASSERT_TRUE(emul.PrintReceipt("PRINT"));

    const auto& lines = emul.Document().lines;
    ASSERT_EQ(lines.size(), 29u);
    const int fpd = Find("ФПД");
    ASSERT_EQ(fpd, 26);
    const std::string sign = lines[fpd].text.substr(lines[fpd].text.size() - 10);
    const long long fpdValue = std::stoll(sign);
    EXPECT_GE(fpdValue, 1000000000LL);
    EXPECT_LT(fpdValue, 1999999999LL);

    const std::vector<std::string> expected = {
        "ООО Ромашка" + Blanks(21),
        " Добро пожаловать" + Blanks(15),
        "ЧЕК № 15" + Blanks(24),
        "Кассир:Иванов И.И." + Blanks(14),
        "ПРИХОД" + Blanks(26),
        "Заказ 42" + Blanks(24),
        "Хлеб" + Blanks(28),
        "1" + Blanks(11) + "2.000 * 10.50 =21.00",
        "НДС 20%" + Blanks(21) + "3.50",
        "ИТОГ" + Blanks(10) + "=21.00",
        "ОПЛАТА" + Blanks(26),
        "НАЛИЧНЫМИ" + Blanks(17) + "=21.00",
        "СНО:" + Blanks(19) + "УСН Доход",
        "НДС20%" + Blanks(22) + "3.50",
        "Телефон покупателя:" + Blanks(1) + "+79001234567",
        "ДАТА ВРЕМЯ" + Blanks(3) + "15.03.2024 10:20:30",
        "СМЕНА №" + Blanks(21) + "0001",
        "ЧЕК НОМЕР:" + Blanks(17) + "00000",
        "ИНН:" + Blanks(18) + "7700000000",
        "ПОЛЬЗОВАТЕЛЬ:" + Blanks(10) + "ИП Петров",
        "АДРЕС:Москва" + Blanks(20),
        Blanks(32),
        "^ЗН №" + Blanks(19) + "0012345^",
        "ККТ №" + Blanks(24) + "111",
        "ФН №" + Blanks(25) + "222",
        "ФПД" + Blanks(19) + sign,
        Blanks(32),
        "САЙТ ДЛЯ ПРОВЕРКИ ФПД:nalog.ru  ",
    };
    // "ФД №" sits between "ФН №" and "ФПД".
    std::vector<std::string> actual = Texts();
    ASSERT_EQ(actual[25], "ФД №" + Blanks(18) + "0000000000");
    actual.erase(actual.begin() + 25);
    EXPECT_EQ(actual, expected);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(CharCount(lines[i].text), i == 9 ? 20u : 32u) << i;
        EXPECT_EQ(lines[i].bold, i == 5 || i == 9) << i;
        EXPECT_EQ(lines[i].fontSize, i == 9 ? 12 : 8) << i;
    }
    EXPECT_EQ(emul.Document().fontName, "Orvenka");
    ASSERT_EQ(platform.printed.size(), 1u);
    EXPECT_EQ(platform.printed[0].lines.size(), lines.size());
    EXPECT_TRUE(platform.previews.empty());
    EXPECT_FALSE(emul.Receipt().Begun());
    EXPECT_TRUE(ctx.log.Errors().empty());
}

TEST_F(EmulReceiptTest, CashierAndBuyerLinesOnlyWhenGiven) {
    struct Row {
        std::string authorName, authorCaption, emailOrTel;
        std::string cashierLine, buyerLine;  // empty: no such line
    };
    const Row rows[] = {
        {"Кассир", "Петрова", "", "Кассир:Петрова", ""},
        {"Кассир", "   ", "", "", ""},
        {"", "Петрова", "", "", ""},
        {"", "", "shop@mail.ru", "", "Эл.адр.покупателя:" + Blanks(2) + "shop@mail.ru"},
        {"", "", "89001234567", "", "Телефон покупателя:" + Blanks(2) + "89001234567"},
        {"", "", "   ", "", ""},
    };
    for (const auto& r : rows) {
        ctx.param.AuthorName = r.authorName;
        ctx.param.AuthorCaption = r.authorCaption;
        ctx.param.EmailOrTel = r.emailOrTel;
        ASSERT_TRUE(Receipt("PRINT", {Sale("A", 1, 1)}));
        const auto t = Texts();
        // The cashier stands before the title, the buyer between the VAT totals and the date.
        const int title = Find("ПРИХОД");
        ASSERT_GE(title, 0);
        EXPECT_EQ(title == 0 ? "" : TrimText(t[0]), r.cashierLine) << r.authorName;
        const int date = Find("ДАТА ВРЕМЯ");
        ASSERT_GE(date, 1);
        const bool hasBuyer = t[date - 1].rfind("СНО:", 0) != 0;
        EXPECT_EQ(hasBuyer ? t[date - 1] : "", r.buyerLine) << r.emailOrTel;
    }
}

TEST_F(EmulReceiptTest, TitleAndCountingByCommandWord) {
    struct Row {
        std::string command, title;
        bool isReturn;
    };
    const Row rows[] = {{"PRINT", "ПРИХОД", false}, {"RETURN", "ВОЗВРАТ", true},
                        {"PRINTS", "", false},      {"PRINT_BUY", "", false},
                        {"RETURN_BUY", "", false},  {"RETURNS", "", false},
                        {"CORRECT_RASH", "", false}};
    int n = 0;
    for (const auto& r : rows) {
        ASSERT_TRUE(Receipt(r.command, {Sale("Чай", 1, 50)})) << r.command;
        ++n;
        const bool hasTitle = Find("ПРИХОД") >= 0 || Find("ВОЗВРАТ") >= 0;
        EXPECT_EQ(hasTitle, !r.title.empty()) << r.command;
        if (!r.title.empty()) {
            EXPECT_EQ(TrimText(emul.Document().lines[0].text), r.title);
        }
        EXPECT_EQ(ctx.emul.NUM_FISCAL_DOC, n);
        EXPECT_EQ(TrimText(At("ЧЕК НОМЕР:")),
                  "ЧЕК НОМЕР:" + Blanks(17) + PadZeros(5, std::to_string(n - 1)));
    }
    EXPECT_EQ(ctx.emul.NUM_CHECKRASHODINSMENA, 1);
    EXPECT_EQ(ctx.emul.NUM_CHECKPRIHODINSMENA, 6);
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_TOTAL_PRIHOD, 300);
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_CHECKRASHODINSMENA_NAL, 50);
    EXPECT_NE(folder.Read("E0012345.ini").find("NUM_FISCAL_DOC=7\r\n"), std::string::npos);
}

TEST_F(EmulReceiptTest, VatLinesByCode) {
    // Code 18 is the basic rate of 20 %: 120.00 holds 20.00 of VAT, not the 18.31 of 18 %.
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 1, 120, 18), Sale("B", 1, 110, 10), Sale("C", 1, 5, 0),
                                  Sale("D", 1, 7, -1), Sale("E", 1, 240, 18)}));
    const auto t = Texts();
    EXPECT_EQ(At("НДС 20%"), "НДС 20%" + Blanks(20) + "20.00");
    EXPECT_EQ(At("НДС 10%"), "НДС 10%" + Blanks(20) + "10.00");
    EXPECT_EQ(t[Find("C") + 2], "Без НДС" + Blanks(25));
    EXPECT_EQ(t[Find("D") + 2].substr(0, 1), "E");  // -1: no VAT line at all
    EXPECT_EQ(At("НДС20%"), "НДС20%" + Blanks(21) + "60.00");
    EXPECT_EQ(At("НДС10%"), "НДС10%" + Blanks(21) + "10.00");
    EXPECT_EQ(std::count(t.begin(), t.end(), "Без НДС" + Blanks(25)), 1);
}

TEST_F(EmulReceiptTest, LongNameIsCutAndDecoded) {
    ctx.param.Name = 20;
    const std::string name = "Молоко ультрапастеризованное 3.2%";  // 33 characters
    ASSERT_TRUE(Receipt("PRINT", {Sale(name, 1, 80), Sale("Сыр", 1, 1)}));
    const int i = Find("Молоко");
    ASSERT_GE(i, 0);
    const auto t = Texts();
    EXPECT_EQ(t[i], "Молоко ультрапастери" + Blanks(12));
    EXPECT_EQ(t[i + 2], "Расшифровка:Молоко у" + Blanks(12));
    EXPECT_EQ(t[i + 3], "льтрапастеризованное" + Blanks(12));
    EXPECT_EQ(t[i + 4], " 3.2%" + Blanks(27));
    EXPECT_EQ(t[i + 5], "----" + Blanks(28));
    // A name that fits gets no decoding.
    EXPECT_EQ(t[i + 6], "Сыр" + Blanks(29));
    EXPECT_EQ(std::count(t.begin(), t.end(), "----" + Blanks(28)), 1);
}

TEST_F(EmulReceiptTest, NegativeOrHugeNameWidthsNeitherLoopNorExplode) {
    const std::string name = RepeatText("ш", 10000);
    for (int width : {-7, 2000000000}) {
        ctx.param.Name = width;
        ASSERT_TRUE(Receipt("PRINT", {Sale(name, 1, 1)})) << width;
        EXPECT_EQ(Texts()[1], RepeatText("ш", 32)) << width;
        EXPECT_EQ(Find("Расшифровка"), -1) << width;
    }
    ctx.param.HandMade = true;
    ctx.param.Kolvo = 2000000000;
    ASSERT_TRUE(Receipt("PRINT", {Sale(name, 1, 1)}));
    EXPECT_EQ(Texts()[1], RepeatText("-", 32));
    EXPECT_TRUE(ctx.log.Errors().empty());
}

TEST_F(EmulReceiptTest, SummaDocDifference) {
    // Above the goods: the difference is printed as a line of its own and paid.
    ctx.param.SUMMADOC = 100;
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 3, 33.3)}));
    int i = Find("Погрешность");
    ASSERT_GE(i, 0);
    EXPECT_EQ(Texts()[i + 1], "1" + Blanks(13) + "1.000 * 0.10 =0.10");
    EXPECT_EQ(Texts()[i + 2], "Без НДС" + Blanks(25));
    EXPECT_EQ(At("ИТОГ"), "ИТОГ" + Blanks(9) + "=100.00");
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_CHECKPRIHODINSMENA_NAL, 100);

    // Exactly the goods, also when floating point leaves a residue (0.1 * 3 != 0.3).
    for (double summadoc : {21.0, 0.3}) {
        ctx.param.SUMMADOC = summadoc;
        const TSale sale = summadoc == 21.0 ? Sale("A", 2, 10.5) : Sale("B", 3, 0.1);
        ASSERT_TRUE(Receipt("PRINT", {sale})) << summadoc;
        i = Find("Погрешность");
        ASSERT_GE(i, 0);
        EXPECT_EQ(Texts()[i + 1], "1" + Blanks(13) + "1.000 * 0.00 =0.00");
        EXPECT_EQ(Texts()[i + 2], "Без НДС" + Blanks(25));
    }

    // Below the goods: the receipt fails, is not counted and not printed.
    const int before = ctx.emul.NUM_FISCAL_DOC;
    ctx.param.SUMMADOC = 20;
    platform.printed.clear();
    EXPECT_FALSE(Receipt("PRINT", {Sale("A", 2, 10.5)}));
    ASSERT_EQ(ctx.log.Errors().size(), 1u);
    EXPECT_NE(ctx.log.Errors()[0].find(
                  ":EMUL:Погрешность отрицательная!Контрольная сумма(Сумма документа)=20.00 "
                  "Расчетная сумма в списке товаров=21.00"),
              std::string::npos);
    EXPECT_EQ(ctx.emul.NUM_FISCAL_DOC, before);
    EXPECT_TRUE(platform.printed.empty());
    EXPECT_FALSE(emul.Receipt().Begun());
    EXPECT_FALSE(emul.PrintReceipt("PRINT"));  // the lists went with the failure
}

TEST_F(EmulReceiptTest, PaymentLines) {
    struct Row {
        std::string oplata;
        bool split;
        double nal, visa;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"", false, 0, 0, {"НАЛИЧНЫМИ" + Blanks(17) + "=21.00"}},
        {"VISA", false, 0, 0, {"ЭЛЕКТРОННЫМИ" + Blanks(14) + "=21.00"}},
        {"",
         true,
         1,
         20,
         {"НАЛИЧНЫМИ" + Blanks(18) + "=1.00", "ЭЛЕКТРОННЫМИ" + Blanks(14) + "=20.00"}},
        {"", true, 0, 21, {"ЭЛЕКТРОННЫМИ" + Blanks(14) + "=21.00"}},
    };
    for (const auto& r : rows) {
        ctx.param.Oplata = r.oplata;
        ctx.param.OplataBreak = r.split;
        ctx.param.BreakSumNAL = r.nal;
        ctx.param.BreakSumVISA = r.visa;
        ASSERT_TRUE(Receipt("PRINT", {Sale("A", 2, 10.5)}));
        const auto t = Texts();
        const int i = Find("ОПЛАТА");
        ASSERT_GE(i, 0);
        EXPECT_EQ(std::vector<std::string>(t.begin() + i + 1, t.begin() + i + 1 + r.lines.size()),
                  r.lines)
            << r.oplata << r.split;
        EXPECT_EQ(t[i + 1 + r.lines.size()].substr(0, 7), "СНО:");
    }
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_CHECKPRIHODINSMENA_NAL, 22);
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_CHECKPRIHODINSMENA_VISA, 62);
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_TOTAL_PRIHOD, 84);
}

TEST_F(EmulReceiptTest, HandMadeTable) {
    TParam& p = ctx.param;
    HandMadeColumns(12);
    p.PRN_WIDHT = 40;
    p.isNotFiscal = false;
    p.Oplata = "VISA";
    ASSERT_TRUE(Receipt("RETURN", {Sale("Карандаш простой", 2, 7.5), Sale("Ручка", 1, 12)}));
    const std::vector<std::string> expected = {
        "ВОЗВРАТ" + Blanks(33),
        RepeatText("-", 32) + Blanks(8),
        "Наименование" + Blanks(0) + "Кол-во" + "  Цена" + "   Сумма" + Blanks(8),
        RepeatText("-", 32) + Blanks(8),
        "Карандаш про"
        "2.00  "
        "  7.50"
        "   15.00" +
            Blanks(8),
        "Ручка       "
        "1.00  "
        " 12.00"
        "   12.00" +
            Blanks(8),
        "Возврат" + Blanks(33),
        "1" + Blanks(19) + "1.000 * 27.00 =27.00",
        "Без НДС" + Blanks(33),
        RepeatText("=", 32) + Blanks(8),
        Blanks(11) + " Сумма по чеку: 27.00" + Blanks(8),
        Blanks(14) + "Безналичные: 27.00" + Blanks(8),
        "ИТОГ" + Blanks(10) + "=27.00",
        "ОПЛАТА" + Blanks(34),
        "ЭЛЕКТРОННЫМИ" + Blanks(22) + "=27.00",
    };
    const auto t = Texts();
    ASSERT_GE(t.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(t.begin(), t.begin() + expected.size()), expected);
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_CHECKRASHODINSMENA_VISA, 27);

    // A non-fiscal hand-made receipt shows and counts no payment.
    p.isNotFiscal = true;
    ASSERT_TRUE(Receipt("PRINT", {Sale("Ручка", 1, 12)}));
    EXPECT_EQ(At("1 "), "1" + Blanks(21) + "1.000 * 0.00 =0.00");
    EXPECT_EQ(Find("ЭЛЕКТРОННЫМИ"), -1);
    EXPECT_EQ(Find("НАЛИЧНЫМИ"), -1);
}

TEST_F(EmulReceiptTest, CenaAsSummaPrintsAndTotalsTheLineSumGiven) {
    ctx.param.CENA_AS_SUMMA = true;
    // The price column holds each line's sum: 2 pieces for 21.00, 3 pieces for 0.10 (no
    // two-decimal unit price gives it: one unit of the whole sum), and the plain layout's VAT.
    ASSERT_TRUE(Receipt("PRINT", {Sale("Сок", 2, 21.00, 18), Sale("Вода", 3, 0.10)}));
    const std::vector<std::string> goods = {
        "Сок" + Blanks(29),
        "1" + Blanks(11) + "2.000 * 10.50 =21.00",
        "НДС 20%" + Blanks(21) + "3.50",
        "Вода (кол-во=3.00)" + Blanks(14),
        "1" + Blanks(13) + "1.000 * 0.10 =0.10",
    };
    const auto t = Texts();
    const int first = Find("Сок");
    ASSERT_GE(first, 0);
    EXPECT_EQ(std::vector<std::string>(t.begin() + first, t.begin() + first + 5), goods);
    EXPECT_EQ(At("ИТОГ"), "ИТОГ" + Blanks(10) + "=21.10");
    EXPECT_EQ(At("НАЛИЧНЫМИ"), "НАЛИЧНЫМИ" + Blanks(17) + "=21.10");
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_TOTAL_PRIHOD, 21.10);

    // The hand-made table shows the same quantity, price and sum.
    HandMadeColumns(8);
    ASSERT_TRUE(Receipt("PRINT", {Sale("Сок", 2, 21.00)}));
    EXPECT_EQ(At("Сок"), "Сок     2.00   10.50   21.00" + Blanks(4));
    EXPECT_EQ(At("ИТОГ"), "ИТОГ" + Blanks(10) + "=21.00");

    // Without a quantity there is no unit price: the receipt is refused, not counted.
    const int made = ctx.emul.NUM_FISCAL_DOC;
    EXPECT_FALSE(Receipt("PRINT", {Sale("Сок", 0, 21.00)}));
    EXPECT_EQ(ctx.emul.NUM_FISCAL_DOC, made);
    ASSERT_FALSE(ctx.log.Errors().empty());
    EXPECT_NE(ctx.log.Errors().back().find(":EMUL:"), std::string::npos);
}

TEST_F(EmulReceiptTest, QrMarkLine) {
    ctx.param.PRN_SIZEFONT_QR = 30;
    ctx.param.PRN_SPACE_LEFT_QR = 3;
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 1, 1)}));
    const auto& last = emul.Document().lines.back();
    EXPECT_EQ(last.text, "   `");
    EXPECT_EQ(last.fontSize, 30);
    ctx.param.PRN_SPACE_LEFT_QR = -4;
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 1, 1)}));
    EXPECT_EQ(emul.Document().lines.back().text, "`");
}

TEST_F(EmulReceiptTest, BeginAndLinesOutsideAReceipt) {
    emul.AddGoodsLine(Sale("Лишний", 1, 1), TTovar{});  // not begun: dropped
    EXPECT_FALSE(emul.PrintReceipt("PRINT"));
    EXPECT_TRUE(platform.printed.empty());
    emul.BeginReceipt();
    emul.AddGoodsLine(Sale("Первый", 1, 1), TTovar{});
    emul.BeginReceipt();  // a second begin keeps the lines
    emul.AddGoodsLine(Sale("Второй", 1, 1), TTovar{});
    ASSERT_TRUE(emul.PrintReceipt("PRINT"));
    EXPECT_GE(Find("Первый"), 0);
    EXPECT_GE(Find("Второй"), 0);
    EXPECT_EQ(Find("Лишний"), -1);
}

TEST_F(EmulReceiptTest, UnsetWidthFailsWithPrefixAndPrintsNothing) {
    ctx.param.PRN_WIDHT = 0;
    EXPECT_FALSE(Receipt("PRINT", {Sale("A", 1, 1)}));
    ASSERT_EQ(ctx.log.Errors().size(), 1u);
    EXPECT_NE(
        ctx.log.Errors()[0].find(":EMUL:EMULPARAM:не задан EMUL_PRN_WIDHT ширина бумаги эмулятора"),
        std::string::npos);
    EXPECT_TRUE(platform.printed.empty());
    EXPECT_EQ(ctx.emul.NUM_FISCAL_DOC, 0);
    EXPECT_FALSE(emul.Receipt().Begun());
}

TEST_F(EmulReceiptTest, PreviewWithAndWithoutScreen) {
    ctx.param.ISPREVIEW = true;
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 1, 1)}));
    EXPECT_EQ(platform.previews.size(), 1u);
    EXPECT_TRUE(platform.printed.empty());
    EXPECT_TRUE(ctx.log.Messages().empty());

    platform.screen = false;
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 1, 1)}));
    EXPECT_EQ(platform.previews.size(), 1u);
    ASSERT_EQ(platform.printed.size(), 1u);
    ASSERT_EQ(ctx.log.Messages().size(), 1u);
    EXPECT_NE(ctx.log.Messages()[0].find("просмотр"), std::string::npos);
    EXPECT_NE(ctx.log.Messages()[0].find("нет экрана"), std::string::npos);
}

// Not on paper, not counted: the receipt sent again gets the same numbers.
TEST_F(EmulReceiptTest, PrintFailureIsLoggedAndNotCounted) {
    platform.printFailure = "Принтер Office недоступен";
    EXPECT_FALSE(Receipt("PRINT", {Sale("A", 1, 1)}));
    ASSERT_EQ(ctx.log.Errors().size(), 1u);
    EXPECT_NE(ctx.log.Errors()[0].find(":EMUL:Принтер Office недоступен. Документ не напечатан"),
              std::string::npos);
    EXPECT_EQ(ctx.emul.NUM_FISCAL_DOC, 0);
    EXPECT_NE(folder.Read("E0012345.ini").find("NUM_FISCAL_DOC=0"), std::string::npos);
    EXPECT_GT(emul.Document().lines.size(), 10u);

    platform.printFailure.clear();
    EXPECT_TRUE(Receipt("PRINT", {Sale("A", 1, 1)}));
    EXPECT_EQ(ctx.emul.NUM_FISCAL_DOC, 1);
    EXPECT_NE(folder.Read("E0012345.ini").find("NUM_FISCAL_DOC=1"), std::string::npos);
}

TEST_F(EmulReceiptTest, ReceiptTheCountersCouldNotHoldIsNeitherCountedNorPrinted) {
    folder.Write("E0012345.ini", "SUM_TOTAL_PRIHOD=999999999999.00\r\n");
    EXPECT_TRUE(Receipt("PRINT", {Sale("A", 1, 0.99)}));  // exactly fills the counter
    const std::string full = folder.ReadBytes("E0012345.ini");
    EXPECT_NE(full.find("SUM_TOTAL_PRIHOD=999999999999.99"), std::string::npos);
    EXPECT_FALSE(Receipt("PRINT", {Sale("B", 1, 1)}));
    ASSERT_EQ(ctx.log.Errors().size(), 1u);
    EXPECT_NE(ctx.log.Errors()[0].find(":EMUL:Чек не напечатан: счетчик эмулятора "
                                       "SUM_TOTAL_PRIHOD = 1000000000000.99 вне допустимых "
                                       "пределов (по модулю не более 999999999999.99)"),
              std::string::npos)
        << ctx.log.Errors()[0];
    EXPECT_EQ(ctx.emul.NUM_FISCAL_DOC, 1);
    EXPECT_EQ(platform.printed.size(), 1u);
    EXPECT_EQ(folder.ReadBytes("E0012345.ini"), full);
}

TEST_F(EmulReceiptTest, DocumentsThePrinterRefusedAreKeptEachInAFileOfItsOwn) {
    platform.printFailure = "Принтер Office не принял задание печати: not accepting jobs";
    for (const char* name : {"Unprinted_20240315_102030.txt", "Unprinted_20240315_102030_2.txt",
                             "Unprinted_20240315_102030_3.txt"}) {
        ctx.log.ClearErrors();
        EXPECT_FALSE(Receipt("PRINT", {Sale(name, 1, 1)}));
        ASSERT_EQ(ctx.log.Errors().size(), 1u);
        EXPECT_EQ(ctx.log.Errors()[0],
                  "15.03.2024 10:20:30:EMUL:" + platform.printFailure +
                      ". Документ не напечатан, его текст сохранён для повторной печати в файле " +
                      folder.File(name));
        std::vector<std::string> text;
        for (const auto& line : emul.Document().lines)
            text.push_back(line.text);
        EXPECT_EQ(LoadLines(folder.File(name)), text);
        EXPECT_NE(folder.Read(name).find(name), std::string::npos);
    }

    // A name taken by anything else is not used either.
    std::filesystem::create_directory(folder.File("Unprinted_20240315_102030_4.txt"));
    EXPECT_FALSE(Receipt("PRINT", {Sale("A", 1, 1)}));
    EXPECT_TRUE(folder.Exists("Unprinted_20240315_102030_5.txt"));
}

TEST_F(EmulReceiptTest, CountersSaveFailureFailsTheReceipt) {
    emul.BeginReceipt();
    emul.AddGoodsLine(Sale("A", 1, 1), TTovar{});
    std::filesystem::create_directory(folder.File("E0012345.ini"));
    EXPECT_FALSE(emul.PrintReceipt("PRINT"));
    ASSERT_EQ(ctx.log.Errors().size(), 1u);
    EXPECT_NE(ctx.log.Errors()[0].find(":EMUL:Не удалось сохранить счетчики эмулятора"),
              std::string::npos);
    EXPECT_TRUE(platform.printed.empty());
    // The next receipt cannot load the counters and does not begin.
    EXPECT_THROW(emul.BeginReceipt(), Failure);
    EXPECT_FALSE(emul.Receipt().Begun());
}

}  // namespace
}  // namespace orvenka::test
