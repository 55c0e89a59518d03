#include "backends/emul/emul_reports.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/text.h"
#include "emul_fixture.h"

namespace orvenka::test {
namespace {

class EmulReportsTest : public EmulFixture {
  protected:
    // A label and a value on a 32-character line.
    static std::string Row(const std::string& label, const std::string& value = "") {
        const long gap = 32 - static_cast<long>(CharCount(label) + CharCount(value));
        EXPECT_GE(gap, 0) << label;
        return label + Blanks(static_cast<int>(gap)) + value;
    }
    std::vector<std::string> Report(bool closing, const std::string& sign,
                                    const std::vector<std::string>& sums) {
        const std::string rule = Row("--------------");
        std::vector<std::string> r = {
            Row("ПОЛЬЗОВАТЕЛЬ:", "ИП Петров"),
            Row("АДРЕС:Москва"),
            closing ? Row("ОТЧЕТ С ГАШЕНИЕМ", sums[0]) : Row("ОТЧЕТ БЕЗ ГАШЕНИЯ"),
            rule,
            Row("ПРИХОД:", sums[1]),
            Row("НАЛИЧНЫМИ:", sums[2]),
            Row("КАРТОЙ VISA:", sums[3]),
            rule,
            Row("РАСХОД:", sums[4]),
            Row("НАЛИЧНЫМИ:", sums[5]),
            Row("КАРТОЙ VISA:", sums[6]),
            rule,
            Row("ВОЗВРАТ ПРИХОДА:", "=0.00"),
            Row("НАЛИЧНЫМИ:", "=0.00"),
            Row("КАРТОЙ VISA:", "=0.00"),
            rule,
            Row("ВОЗВРАТ РАСХОДА:", "=0.00"),
            Row("НАЛИЧНЫМИ:", "=0.00"),
            Row("КАРТОЙ VISA:", "=0.00"),
            rule,
            Row("ЧЕКИ КОРРЕКЦИИ:"),
            Row("ПРИХОД:", "=0.00"),
            Row("РАСХОД:", "=0.00"),
            rule,
            Row("ВНЕСЕНИЕ:", "=0.00"),
            Row("ВЫПЛАТА:", "=0.00"),
            rule,
            Row("СОСТОЯНИЕ ОБМЕНА С ОФД"),
            Row("НЕПЕРЕДАННЫХ ФД:", "=0000"),
            rule,
            Row("НЕОБНУЛЯЕМАЯ СУММА ПРИХОДА"),
            Row("", sums[7]),
            rule,
            Row("НЕОБНУЛЯЕМАЯ СУММА РАСХОДА"),
            Row("", sums[8]),
            rule,
            Row("ОТЧЕТ О ЗАКРЫТИЕ СМЕНЫ", sums[0]),
            Row("СМЕНА №", sums[9]),
            Row("ЧЕКОВ ЗА СМЕНУ:", sums[10]),
            Row("НЕПЕРЕДАННЫХ ФД:", "0000"),
            Row("ФД ЗА СМЕНУ:", sums[10]),
            Row("ФД НЕ ПЕРЕДАНЫ С:", "00.00.00"),
            Row("КАССИР:", "СИС.АДМИНИСТРАТОР"),
            Row("ДАТА ВРЕМЯ", "15.03.2024 10:20:30"),
            Row("ИНН:", "7700000000"),
            Row("ККТ №", "111"),
            Row("^ЗН №", "0012345^"),
            Row("ФН №", "222"),
            Row("ФД №", sums[11]),
            Row("ФПД", sign),
            Row("**** СМЕНА ЗАКРЫТА ****"),
        };
        return r;
    }
    std::string Sign() const {
        const std::string line = At("ФПД");
        return line.substr(line.size() - 10);
    }
};

TEST_F(EmulReportsTest, FirstZReportWithoutCountersFile) {
    emul.ZReport();
    const std::string sign = Sign();
    EXPECT_GE(std::stoll(sign), 1000000000LL);
    EXPECT_LT(std::stoll(sign), 1999999999LL);
    EXPECT_EQ(Texts(), Report(true, sign,
                              {"1", "=0.00", "=0.00", "=0.00", "=0.00", "=0.00", "=0.00", "=0.00",
                               "=0.00", "0001", "0", "0000000000"}));
    EXPECT_EQ(emul.Document().fontName, "Orvenka");
    for (const auto& l : emul.Document().lines) {
        EXPECT_FALSE(l.bold);
        EXPECT_EQ(l.fontSize, 8);
    }
    EXPECT_EQ(platform.printed.size(), 1u);
    const std::string file = folder.Read("E0012345.ini");
    EXPECT_EQ(file.substr(0, 9), "SMENA=2\r\n");
    EXPECT_NE(file.find("\r\nNUM_ZOTCHET=2\r\n"), std::string::npos);
    EXPECT_TRUE(ctx.log.Errors().empty());
}

TEST_F(EmulReportsTest, XShowsTheShiftWithoutChangingIt) {
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 2, 10.5)}));
    ctx.param.Oplata = "VISA";
    ASSERT_TRUE(Receipt("RETURN", {Sale("B", 1, 100)}));
    const std::string before = folder.Read("E0012345.ini");
    emul.XReport();
    EXPECT_EQ(Texts(), Report(false, Sign(),
                              {"1", "=21.00", "=21.00", "=0.00", "=100.00", "=0.00", "=100.00",
                               "=21.00", "=100.00", "0001", "2", "0000000002"}));
    EXPECT_EQ(folder.Read("E0012345.ini"), before);

    emul.ZReport();
    EXPECT_EQ(At("ОТЧЕТ С ГАШЕНИЕМ"), Row("ОТЧЕТ С ГАШЕНИЕМ", "1"));
    emul.XReport();  // the new shift: sums gone, totals and document number kept
    EXPECT_EQ(Texts(), Report(false, Sign(),
                              {"2", "=0.00", "=0.00", "=0.00", "=0.00", "=0.00", "=0.00", "=21.00",
                               "=100.00", "0002", "0", "0000000002"}));
    ASSERT_TRUE(Receipt("PRINT", {Sale("C", 1, 5)}));
    EXPECT_EQ(At("СМЕНА №"), Row("СМЕНА №", "0002"));
    EXPECT_EQ(At("ЧЕК НОМЕР:"), Row("ЧЕК НОМЕР:", "00000"));
    EXPECT_EQ(At("ФД №"), Row("ФД №", "0000000002"));
}

TEST_F(EmulReportsTest, FiscalDocumentsCountInMemoryOnly) {
    ctx.param.isNotFiscal = false;
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 1, 7)}));
    emul.ZReport();
    // In memory the counters start from zero with the program.
    EXPECT_EQ(At("ОТЧЕТ С ГАШЕНИЕМ"), Row("ОТЧЕТ С ГАШЕНИЕМ", "0"));
    EXPECT_EQ(At("СМЕНА №"), Row("СМЕНА №", "0000"));
    EXPECT_EQ(At("ПРИХОД:"), Row("ПРИХОД:", "=7.00"));
    EXPECT_EQ(ctx.emul.SMENA, 1);
    EXPECT_FALSE(folder.Exists("E0012345.ini"));
}

// The first report of a run, before any receipt: the paper comes from the folder's Param.ini
// (a new emulator folder has one); once a Param.ini has been read, its settings stand.
TEST_F(EmulReportsTest, AFirstReportTakesThePaperFromTheFolder) {
    EmulDocument doc(ctx.param, ctx.log);
    FiscalSignSource sign(7);
    ctx.param = TParam{};
    folder.Write("Param.ini", "Oplata=\r\nPRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\n");
    EXPECT_TRUE(EmulXReport(ctx, doc, sign)) << ::testing::PrintToString(ctx.log.Errors());
    EXPECT_EQ(ctx.param.PRN_WIDHT, 40);
    EXPECT_TRUE(ctx.log.Errors().empty());

    ctx.param.PRN_WIDHT = 32;
    folder.Write("Param.ini", "Oplata=\r\nPRN_WIDHT=50\r\nPRN_WIDHT_ITOG=20\r\n");
    EXPECT_TRUE(EmulZReport(ctx, doc, sign));
    EXPECT_EQ(ctx.param.PRN_WIDHT, 32) << "read once a receipt has set them";

    // Without a Param.ini, or with one that names no paper, the report fails as before.
    for (const char* text : {"", "Oplata=\r\n"}) {
        ctx.param = TParam{};
        ctx.log.ClearErrors();
        if (*text)
            folder.Write("Param.ini", text);
        else
            std::filesystem::remove(folder.File("Param.ini"));
        EXPECT_FALSE(EmulXReport(ctx, doc, sign));
        ASSERT_FALSE(ctx.log.Errors().empty());
        EXPECT_NE(ctx.log.Errors().back().find("EMULPARAM:не задан EMUL_PRN_WIDHT"),
                  std::string::npos);
    }
}

TEST_F(EmulReportsTest, FailuresAreLoggedWithoutPrefix) {
    EmulDocument doc(ctx.param, ctx.log);
    FiscalSignSource sign(7);
    ctx.param.PRN_WIDHT = 0;
    EXPECT_FALSE(EmulZReport(ctx, doc, sign));
    EXPECT_FALSE(EmulXReport(ctx, doc, sign));
    ASSERT_EQ(ctx.log.Errors().size(), 2u);
    for (const auto& e : ctx.log.Errors()) {
        EXPECT_EQ(e,
                  "15.03.2024 10:20:30:EMULPARAM:не задан EMUL_PRN_WIDHT ширина бумаги эмулятора");
    }
    EXPECT_FALSE(folder.Exists("E0012345.ini"));  // failed before the shift was closed
    EXPECT_TRUE(platform.printed.empty());

    // A refused report leaves the shift open; the report is kept in a file the line names, so
    // that it can be printed again.
    ctx.param.PRN_WIDHT = 32;
    platform.printFailure = "Нет бумаги";
    EXPECT_FALSE(EmulZReport(ctx, doc, sign));
    EXPECT_EQ(ctx.log.Errors().back(),
              "15.03.2024 10:20:30:Нет бумаги. Документ не напечатан, его текст сохранён для "
              "повторной печати в файле " +
                  folder.File("Unprinted_20240315_102030.txt"));
    EXPECT_NE(folder.Read("E0012345.ini").find("NUM_ZOTCHET=1"), std::string::npos);
    std::string report;
    for (const auto& line : doc.Document().lines)
        report += line.text + "\r\n";
    EXPECT_EQ(folder.Read("Unprinted_20240315_102030.txt"), report);
    platform.printFailure.clear();
    EXPECT_TRUE(EmulZReport(ctx, doc, sign));
    EXPECT_NE(folder.Read("E0012345.ini").find("NUM_ZOTCHET=2"), std::string::npos);

    platform.printFailure.clear();
    ctx.param.ISPREVIEW = true;
    EXPECT_TRUE(EmulXReport(ctx, doc, sign));
    ASSERT_EQ(platform.previews.size(), 1u);
    EXPECT_EQ(platform.previews[0].lines.size(), doc.Document().lines.size());
}

}  // namespace
}  // namespace orvenka::test
