#include "backends/emul/document.h"

#include <gtest/gtest.h>

#include "common/failure.h"
#include "common/text.h"
#include "emul_fixture.h"

namespace orvenka::test {
namespace {

class EmulDocumentTest : public EmulFixture {
  protected:
    EmulDocument doc{ctx.param, ctx.log};
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const auto& l : doc.Document().lines)
            out.push_back(l.text);
        return out;
    }
};

TEST_F(EmulDocumentTest, LineFitsToPaperWidthInCharacters) {
    struct Row {
        std::string text;
        bool right;
        std::string expected;
    };
    ctx.param.PRN_WIDHT = 6;
    const Row rows[] = {
        {"Чай", false, "Чай   "},        {"Чай", true, "   Чай"}, {"Чай зелёный", false, "Чай зе"},
        {"Чай зелёный", true, "Чай зе"}, {"", false, "      "},
    };
    for (const auto& r : rows) {
        doc.BeginDocument();
        doc.Line(r.text, true, r.right);
        ASSERT_EQ(doc.Document().lines.size(), 1u);
        EXPECT_EQ(doc.Document().lines[0].text, r.expected) << r.text << " right=" << r.right;
        EXPECT_EQ(doc.Document().lines[0].fontSize, 8);
        EXPECT_TRUE(doc.Document().lines[0].bold);
    }
}

TEST_F(EmulDocumentTest, LabelValueKeepsTheValueAtTheRightEdge) {
    struct Row {
        std::string label, value, expected;
    };
    ctx.param.PRN_WIDHT = 10;
    const Row rows[] = {
        {"ИНН:", "123", "ИНН:   123"},
        {"ПОЛЬЗОВАТЕЛЬ:", "ИП", "ПОЛЬЗОВАИП"},             // label cut to the free width
        {"СНО:", "0123456789", "0123456789"},              // the value fills the line: no label
        {"СНО:", "УСН Доход-Расход", "УСН Доход-Расход"},  // never cut
        {"", "=5.00", "     =5.00"},
        {"РАСХОД:", "", "РАСХОД:   "},
    };
    for (const auto& r : rows) {
        doc.BeginDocument();
        doc.LabelValue(r.label, r.value);
        ASSERT_EQ(Lines().size(), 1u);
        EXPECT_EQ(Lines()[0], r.expected) << r.label << "|" << r.value;
        EXPECT_FALSE(doc.Document().lines[0].bold);
    }
}

TEST_F(EmulDocumentTest, TotalLineUsesTheTotalWidthAndFont) {
    doc.TotalLine("=21.00");
    ctx.param.PRN_WIDHT_ITOG = 8;
    doc.TotalLine("=1234.00");  // no room for a gap: cut to the width
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_EQ(Lines()[0], "ИТОГ" + Blanks(10) + "=21.00");
    EXPECT_EQ(Lines()[1], "ИТОГ=123");
    for (const auto& l : doc.Document().lines) {
        EXPECT_TRUE(l.bold);
        EXPECT_EQ(l.fontSize, 12);
    }
}

TEST_F(EmulDocumentTest, WrappedCutsIntoPiecesAndNeverLoops) {
    ctx.param.PRN_WIDHT = 5;
    doc.Wrapped("АБВГДЕЖЗИ", 4);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"АБВГ ", "ДЕЖЗ ", "И    "}));

    for (long width : {0L, -1L, -100000L}) {
        doc.BeginDocument();
        doc.Wrapped("АДРЕС:Москва", width);
        EXPECT_TRUE(Lines().empty()) << width;
    }

    doc.BeginDocument();
    doc.Wrapped("", 4);
    EXPECT_TRUE(Lines().empty());

    doc.BeginDocument();
    doc.Wrapped("АДРЕС:Москва", 1000000000L);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"АДРЕС"}));
    EXPECT_TRUE(ctx.log.Errors().empty());
}

TEST_F(EmulDocumentTest, WrappedPrintsAtMostWidthPlusThousandCharacters) {
    ctx.param.PRN_WIDHT = 10;
    doc.Wrapped(RepeatText("я", 3000), 10);
    ASSERT_EQ(Lines().size(), 101u);
    EXPECT_EQ(Lines().back(), RepeatText("я", 10));
}

TEST_F(EmulDocumentTest, HugeWidthsAndNamesStayLinear) {
    ctx.param.PRN_WIDHT = kEmulMaxWidth;
    const std::string name = RepeatText("Ж", 10000);
    doc.Line(name);
    doc.LabelValue(name, "=1.00");
    doc.Wrapped(name, 100000);
    ASSERT_EQ(Lines().size(), 3u);
    for (const auto& l : Lines())
        EXPECT_EQ(CharCount(l), static_cast<size_t>(kEmulMaxWidth));
    EXPECT_EQ(Lines()[0], LeftChars(name, kEmulMaxWidth));

    // Beyond the accepted maximum a line is still cut at the maximum.
    ctx.param.PRN_WIDHT = 2000000000;
    doc.BeginDocument();
    doc.Line("x");
    EXPECT_EQ(CharCount(Lines()[0]), static_cast<size_t>(kEmulMaxWidth));
}

TEST_F(EmulDocumentTest, BeginDocumentTakesFontFromParameters) {
    doc.Line("старое");
    doc.BeginDocument();
    EXPECT_TRUE(doc.Document().lines.empty());
    EXPECT_EQ(doc.Document().fontName, "Courier New");
    EXPECT_EQ(doc.Document().fontSize, 8);
    doc.SetDocumentFont("Orvenka");
    EXPECT_EQ(doc.Document().fontName, "Orvenka");
}

TEST(CheckEmulParams, WidthsMustBeSetAndSane) {
    struct Row {
        int width, itog;
        std::string failure;  // empty: accepted
    };
    const Row rows[] = {
        {32, 20, ""},
        {255, 255, ""},
        {0, 20, "EMULPARAM:не задан EMUL_PRN_WIDHT ширина бумаги эмулятора"},
        {0, 0, "EMULPARAM:не задан EMUL_PRN_WIDHT ширина бумаги эмулятора"},
        {32, 0, "EMULPARAM:не задан PRN_WIDHT_ITOG размер ширины бумаги ИТОГО"},
        {-5, 20, "EMULPARAM:недопустимое значение PRN_WIDHT=-5 (допустимо от 1 до 255)"},
        {32, 256, "EMULPARAM:недопустимое значение PRN_WIDHT_ITOG=256 (допустимо от 1 до 255)"},
        {100000, 20, "EMULPARAM:недопустимое значение PRN_WIDHT=100000 (допустимо от 1 до 255)"},
    };
    for (const auto& r : rows) {
        TParam p;
        p.PRN_WIDHT = r.width;
        p.PRN_WIDHT_ITOG = r.itog;
        if (r.failure.empty()) {
            EXPECT_NO_THROW(CheckEmulParams(p)) << r.width << "/" << r.itog;
        } else {
            try {
                CheckEmulParams(p);
                ADD_FAILURE() << "accepted " << r.width << "/" << r.itog;
            } catch (const Failure& f) {
                EXPECT_EQ(f.what(), r.failure);
            }
        }
    }
}

}  // namespace
}  // namespace orvenka::test
