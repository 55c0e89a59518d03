#include "shell/goods_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using Lines = std::vector<std::string>;

std::string FailureText(const Lines& lines) {
    try {
        ParseTovarLines(lines);
    } catch (const Failure& f) {
        return f.what();
    }
    return "";
}

struct NumberCase {
    std::string kolvo, cena, nds;
    double expectKolvo, expectCena;
    int expectNds;
};

class TovarNumbersTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TovarNumbersTest, ReadsQuantityPriceAndVat) {
    const NumberCase& c = GetParam();
    const auto goods = ParseTovarLines({"Товар", c.kolvo, c.cena, c.nds});
    ASSERT_EQ(goods.size(), 1u);
    EXPECT_DOUBLE_EQ(goods[0].Kolvo, c.expectKolvo) << c.kolvo;
    EXPECT_DOUBLE_EQ(goods[0].Cena, c.expectCena) << c.cena;
    EXPECT_EQ(goods[0].NDS, c.expectNds) << c.nds;
    EXPECT_EQ(goods[0].CompositeMark, "");
}

INSTANTIATE_TEST_SUITE_P(Rows, TovarNumbersTest,
                         ::testing::Values(NumberCase{"2,5", "10", "20", 2.5, 10, 18},
                                           NumberCase{"1.23456", "99.999", "10", 1.235, 100, 10},
                                           NumberCase{"0.0005", "0.005", "0", 0.001, 0.01, 0},
                                           NumberCase{"-1", "-2.675", "-1", -1, -2.68, -1},
                                           NumberCase{"1 000", "1 234,50", "abc", 1000, 1234.5, 0},
                                           NumberCase{"'3'", "\"7\"", " 20 ", 3, 7, 18},
                                           NumberCase{"1\xc2\xa0"
                                                      "5",
                                                      "5", "18", 15, 5, 18},
                                           NumberCase{"1", "2", "$14", 1, 2, 18}));

TEST(ParseTovarLines, ListEndsAtTheFirstBlankNameLine) {
    const auto goods = ParseTovarLines({"Хлеб", "1", "30", "10", "   ", "Молоко", "x", "y", "z"});
    ASSERT_EQ(goods.size(), 1u);
    EXPECT_EQ(goods[0].Name, "Хлеб");
    EXPECT_TRUE(ParseTovarLines({}).empty());
    EXPECT_TRUE(ParseTovarLines({"", "1", "2", "3"}).empty());
    // The name is taken as written.
    EXPECT_EQ(ParseTovarLines({" Хлеб  ", "1", "1", "0"})[0].Name, " Хлеб  ");
}

TEST(ParseTovarLines, IncompleteOrBadGroupsFailTheWholeRead) {
    EXPECT_NE(FailureText({"Хлеб", "1", "30", "10", "Молоко"}).find("товар №2"), std::string::npos);
    EXPECT_NE(FailureText({"Хлеб", "1", "30"}).find("товар №1"), std::string::npos);
    EXPECT_NE(FailureText({"Хлеб", "12р", "30", "10"}).find("Количество товара №1 (строка 2)"),
              std::string::npos);
    EXPECT_NE(FailureText({"Хлеб", "1", "", "10"}).find("Цена товара №1 (строка 3)"),
              std::string::npos);
    for (const std::string& bad :
         Lines{"1-2", "-", ".", "1.2.3", "1e5", "--1", std::string(400, '9')}) {
        EXPECT_EQ(FailureText({"Хлеб", bad, "1", "0"}).rfind("ReadTovar.ini: ", 0), 0u) << bad;
    }
    EXPECT_EQ(FailureText({"Хлеб", "1", "1", "0"}), "");
}

TEST(ParseCompositeLine, FillsFieldsByPosition) {
    auto goods = ParseTovarLines({"##5##G1##S1##Сигареты##", "2", "150", "20"});
    ASSERT_EQ(goods.size(), 1u);
    const TTovar& t = goods[0];
    EXPECT_EQ(t.CompositeMark, "##");
    EXPECT_EQ(t.NomenclatureType, 5);
    EXPECT_EQ(t.GTIN, "G1");
    EXPECT_EQ(t.SerialNumber, "S1");
    EXPECT_EQ(t.Name, "Сигареты");
    EXPECT_EQ(t.Excise1229, 0);
    EXPECT_EQ(t.Country1230, "");
    EXPECT_EQ(t.NomenclatureCode1162, "");
    EXPECT_DOUBLE_EQ(t.Kolvo, 2);
    EXPECT_EQ(t.NDS, 18);
}

TEST(ParseCompositeLine, TwelveFieldsAndNothingAfterThem) {
    std::string line =
        "## 6 ## 046 ## sn ## Туфли ## 1 000,50 ## 643 ## пара ## 10714040/1 ## 1 ## r ## 4 ## 123 "
        "##";
    for (int i = 13; i <= 30; ++i)
        line += "лишнее" + std::to_string(i) + "##";
    line += "хвост без закрытия";
    TTovar t;
    t.Name = line;
    ParseCompositeLine(t);
    EXPECT_EQ(t.NomenclatureType, 6);
    EXPECT_EQ(t.GTIN, "046");
    EXPECT_EQ(t.SerialNumber, "sn");
    EXPECT_EQ(t.Name, "Туфли");
    EXPECT_DOUBLE_EQ(t.Excise1229, 1000.5);
    EXPECT_EQ(t.Country1230, "643");
    EXPECT_EQ(t.Unit1197, "пара");
    EXPECT_EQ(t.Declaration1231, "10714040/1");
    EXPECT_EQ(t.Predmet1212, 1);
    EXPECT_EQ(t.Rekvizit1191, "r");
    EXPECT_EQ(t.Sposob1214, 4);
    EXPECT_EQ(t.NomenclatureCode1162, "123");
}

TEST(ParseCompositeLine, EmptyFieldsKeepTheirEmptyValues) {
    TTovar t;
    t.Name = "########Вода##  ##";
    ParseCompositeLine(t);
    EXPECT_EQ(t.NomenclatureType, 0);
    EXPECT_EQ(t.GTIN, "");
    EXPECT_EQ(t.Name, "Вода");
    EXPECT_EQ(t.Excise1229, 0);
    // Blanks after the last "##" are no field.
    t.Name = "##5##G1##   ";
    EXPECT_NO_THROW(ParseCompositeLine(t));
    EXPECT_EQ(t.GTIN, "G1");
}

TEST(ParseCompositeLine, RefusesWhatItCannotRead) {
    const auto textOf = [](const std::string& line) -> std::string {
        TTovar t;
        t.Name = line;
        try {
            ParseCompositeLine(t);
        } catch (const Failure& f) {
            return f.what();
        }
        return "";
    };
    EXPECT_EQ(textOf("#5##"),
              "ReadTovar.ini: Ошибка при разборе начала составной строки с товаром");
    EXPECT_NE(textOf("##5##G1##S1").find("не закрыто"), std::string::npos);
    EXPECT_NE(textOf("##5##G1##S1").find("##5##G1##S1"), std::string::npos);
    EXPECT_NE(textOf("##x##").find("поле 1"), std::string::npos);
    // Field n alone: n-1 empty fields before it.
    const auto field = [](int n, const std::string& value) {
        std::string line = "##";
        for (int i = 1; i < n; ++i)
            line += "##";
        return line + value + "##";
    };
    EXPECT_NE(textOf(field(5, "12р")).find("поле 5"), std::string::npos);
    EXPECT_NE(textOf(field(9, "5.5")).find("поле 9"), std::string::npos);
    EXPECT_NE(textOf(field(11, "x")).find("поле 11"), std::string::npos);
    EXPECT_EQ(textOf(field(8, "5.5")), "");  // a text field takes anything
    // In a goods file the failure ends the whole read.
    EXPECT_NE(FailureText({"Хлеб", "1", "1", "0", "##5##G1##S1", "1", "1", "0"}), "");
}

class GoodsFileTest : public test::ShellTest {};

TEST_F(GoodsFileTest, ReadsSetsTheTotalAndMovesTheFile) {
    ctx.param.SUMMADOC = 0;
    folder.Write("Tovar.ini", "Хлеб\r\n2\r\n30.555\r\n10\r\nМолоко\r\n1.5\r\n1\r\n20\r\n");
    folder.Write("Tovar.oldini", "прошлый список\r\n");
    const auto goods = ReadTovarIni(ctx);
    ASSERT_EQ(goods.size(), 2u);
    EXPECT_DOUBLE_EQ(ctx.param.SummaTovar, GoodsTotal(ctx.param, goods));
    EXPECT_DOUBLE_EQ(ctx.param.SummaTovar, 62.62);
    EXPECT_FALSE(folder.Exists("Tovar.ini"));
    EXPECT_EQ(folder.Read("Tovar.oldini"),
              "Хлеб\r\n2\r\n30.555\r\n10\r\nМолоко\r\n1.5\r\n1\r\n20\r\n");
    EXPECT_TRUE(ctx.log.Errors().empty());
}

TEST_F(GoodsFileTest, BrokenFileIsAnErrorLineAnEmptyListAndStillMoved) {
    folder.Write("Tovar.ini", "Хлеб\r\n1\r\n30\r\n10\r\nМолоко\r\n");
    EXPECT_TRUE(ReadTovarIni(ctx).empty());
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0].rfind("ReadTovar.ini: ", 0), 0u);
    EXPECT_FALSE(folder.Exists("Tovar.ini"));
    EXPECT_TRUE(folder.Exists("Tovar.oldini"));
}

TEST_F(GoodsFileTest, MissingFileStillDeletesTheOldOne) {
    folder.Write("Tovar.oldini", "x\r\n");
    EXPECT_TRUE(ReadTovarIni(ctx).empty());
    EXPECT_FALSE(folder.Exists("Tovar.oldini"));
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_NE(ErrorTexts()[0].find("Tovar.ini"), std::string::npos);
}

TEST_F(GoodsFileTest, TruncatedOrForeignBytesNeverCrash) {
    const std::string full = "Хлеб\r\n1\r\n30\r\n10\r\n##5##G##S##Сыр##\r\n2\r\n3\r\n20\r\n";
    for (size_t cut = 0; cut <= full.size(); ++cut) {
        folder.WriteBytes("Tovar.ini", full.substr(0, cut));
        EXPECT_NO_THROW(ReadTovarIni(ctx)) << cut;
    }
    folder.WriteBytes("Tovar.ini", std::string("\x98\xff\x00\x01", 4) + "\r\n1\r\n1\r\n0\r\n");
    const auto goods = ReadTovarIni(ctx);
    ASSERT_EQ(goods.size(), 1u);
    EXPECT_EQ(goods[0].Name, std::string("\xc2\x98я\0\x01", 6));
}

TEST(ParseDopLines, ThreeLinesPerEntryAndAnIncompleteLastOneDropped) {
    const auto extras = ParseDopLines({"Заказ", " 15 ", "+", "", "", "+ ", "Лишнее", "x"});
    ASSERT_EQ(extras.size(), 2u);
    EXPECT_EQ(extras[0].Caption, "Заказ");
    EXPECT_EQ(extras[0].Value, " 15 ");
    EXPECT_TRUE(extras[0].Emphasis);
    EXPECT_EQ(extras[1].Caption, "");
    EXPECT_FALSE(extras[1].Emphasis);
    EXPECT_TRUE(ParseDopLines({"a", "b"}).empty());
}

TEST_F(GoodsFileTest, DopIniIsOptionalAndNeverMoved) {
    EXPECT_TRUE(ReadDopIni(ctx).empty());
    folder.Write("Dop.ini", "Стол\r\n5\r\n\r\n");
    EXPECT_EQ(ReadDopIni(ctx).size(), 1u);
    EXPECT_TRUE(folder.Exists("Dop.ini"));
    EXPECT_TRUE(ctx.log.Errors().empty());
}

// The dry run reads the goods as the receipt does, and leaves the file for the receipt.
TEST_F(GoodsFileTest, LoadingLeavesTheGoodsFileWhereItIs) {
    folder.Write("Tovar.ini", "Хлеб\r\n2\r\n30\r\n10\r\n");
    const auto stamp = StampOf(folder.File("Tovar.ini"));
    EXPECT_EQ(LoadTovarIni(folder.Path()).size(), 1u);
    EXPECT_EQ(StampOf(folder.File("Tovar.ini")), stamp);
    EXPECT_FALSE(folder.Exists("Tovar.oldini"));
    std::filesystem::remove(folder.File("Tovar.ini"));
    try {
        LoadTovarIni(folder.Path());
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()).rfind("ReadTovar.ini: Не удается открыть файл", 0), 0u)
            << f.what();
    }
}

struct SpellingRow {
    std::string name;
    std::vector<std::string> tovar;  // the goods files written, one goods line each
    size_t goods;
    bool error;
    std::vector<std::string> left;  // goods files in the folder afterwards
};

void PrintTo(const SpellingRow& r, std::ostream* os) {
    *os << r.name;
}

class GoodsFileSpellings : public test::ShellTest,
                           public ::testing::WithParamInterface<SpellingRow> {};

TEST_P(GoodsFileSpellings, FoundInAnyLetterCaseAndMovedUnderTheDocumentedName) {
    for (const std::string& name : GetParam().tovar)
        folder.Write(name, "Хлеб\r\n1\r\n30\r\n10\r\n");
    EXPECT_EQ(ReadTovarIni(ctx).size(), GetParam().goods);
    EXPECT_EQ(ctx.log.Errors().size(), GetParam().error ? 1u : 0u);
    std::vector<std::string> left;
    for (const char* name : {"Tovar.ini", "TOVAR.INI", "tovar.ini", "Tovar.oldini"}) {
        if (StampOf(folder.File(name)))
            left.push_back(name);
    }
    EXPECT_EQ(left, GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GoodsFileSpellings,
    ::testing::Values(
        SpellingRow{"documented", {"Tovar.ini"}, 1, false, {"Tovar.oldini"}},
        SpellingRow{"upper_case", {"TOVAR.INI"}, 1, false, {"Tovar.oldini"}},
        SpellingRow{"lower_case", {"tovar.ini"}, 1, false, {"Tovar.oldini"}},
        // Which one was meant cannot be told: neither is read nor moved.
        SpellingRow{
            "two_at_once", {"Tovar.ini", "TOVAR.INI"}, 0, true, {"Tovar.ini", "TOVAR.INI"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(GoodsFileTest, ExtraLinesInAnyLetterCaseButNotTwoAtOnce) {
    folder.Write("DOP.INI", "Стол\r\n5\r\n\r\n");
    EXPECT_EQ(ReadDopIni(ctx).size(), 1u);
    folder.Write("dop.ini", "Стол\r\n6\r\n\r\n");
    try {
        ReadDopIni(ctx);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("DOP.INI, dop.ini"), std::string::npos) << f.what();
    }
}

}  // namespace
}  // namespace orvenka
