#include "gui/document_render.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <optional>

#include "common/failure.h"
#include "support/temp_folder.h"

namespace orvenka::gui {
namespace {

using test::TempFolder;

// Runs of blanks collapsed to one: the PDF text extraction does not keep the exact padding.
std::string Collapse(const QString& text) {
    return text.simplified().toStdString();
}

// The text of a PDF as pdftotext reads it back, or nothing when the tool is missing.
std::optional<QString> PdfText(const QString& pdf) {
    const QString tool = QStandardPaths::findExecutable("pdftotext");
    if (tool.isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(tool, {"-layout", "-enc", "UTF-8", pdf, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

TextDocument Receipt() {
    TextDocument d;
    d.fontName = "Courier New";
    d.fontSize = 10;
    d.lines = {
        {"ООО \"Ромашка\"", 10, false},
        {"ЧЕК № 15", 12, true},
        {"ПРИХОД", 0, false},
        {"1              2.000 * 10.50 =21.00", 10, false},
        {"", 10, false},
        {"ИТОГ              =21.00", 14, true},
        {"СНО:                           ОСН", 10, false},
    };
    return d;
}

TEST(DocumentRender, PdfHoldsEveryLineInOrder) {
    TempFolder folder;
    const QString pdf = QString::fromStdString(folder.File("receipt.pdf"));
    const TextDocument doc = Receipt();
    PrintDocumentToPdf(doc, pdf);

    const std::string bytes = folder.ReadBytes("receipt.pdf");
    ASSERT_GT(bytes.size(), 100u);
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");

    const auto text = PdfText(pdf);
    if (!text)
        GTEST_SKIP() << "pdftotext is not installed";
    const std::string all = Collapse(*text);
    size_t from = 0;
    for (const auto& line : doc.lines) {
        const std::string wanted = Collapse(QString::fromStdString(line.text));
        if (wanted.empty())
            continue;
        const size_t at = all.find(wanted, from);
        ASSERT_NE(at, std::string::npos)
            << "missing or out of order: " << wanted << "\nin: " << all;
        from = at + wanted.size();
    }
}

TEST(DocumentRender, LongDocumentContinuesOnNewPages) {
    TempFolder folder;
    const QString pdf = QString::fromStdString(folder.File("long.pdf"));
    TextDocument doc;
    doc.fontName = "Orvenka";
    for (int i = 1; i <= 300; ++i)
        doc.lines.push_back({"Строка " + std::to_string(i), 10, false});
    PrintDocumentToPdf(doc, pdf);

    const auto text = PdfText(pdf);
    if (!text)
        GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_GE(text->count('\f'), 2) << "300 lines of 10 pt do not fit on one page";
    const std::string all = Collapse(*text);
    EXPECT_NE(all.find("Строка 1 "), std::string::npos);
    EXPECT_NE(all.find("Строка 300"), std::string::npos);
}

TEST(DocumentRender, PdfIntoAMissingFolderFails) {
    TextDocument doc = Receipt();
    EXPECT_THROW(PrintDocumentToPdf(doc, "/nonexistent-folder/x/receipt.pdf"), Failure);
}

TEST(DocumentFont, MissingFontFallsBackToFixedPitch) {
    for (const char* name : {"Orvenka", "", "   ", "Шрифт которого нет"}) {
        TextDocument doc;
        doc.fontName = name;
        const QFont font = DocumentFont(doc, 10, false);
        const QFontInfo info(font);
        EXPECT_TRUE(info.fixedPitch()) << "'" << name << "' gave " << info.family().toStdString();
        EXPECT_NE(info.family(), QString::fromUtf8(name));
        // Columns line up only when narrow and wide letters take the same room.
        const QFontMetricsF m(font);
        EXPECT_DOUBLE_EQ(m.horizontalAdvance("iiiiiiii"), m.horizontalAdvance("WWWWWWWW")) << name;
        EXPECT_DOUBLE_EQ(m.horizontalAdvance("ииииииии"), m.horizontalAdvance("ЖЖЖЖЖЖЖЖ")) << name;
    }
}

TEST(DocumentFont, InstalledFontIsKeptWithSizeAndWeight) {
    if (!QFontDatabase::hasFamily("DejaVu Sans"))
        GTEST_SKIP() << "DejaVu Sans is not installed";
    TextDocument doc;
    doc.fontName = "DejaVu Sans";
    const QFont bold = DocumentFont(doc, 14, true);
    EXPECT_EQ(QFontInfo(bold).family(), "DejaVu Sans");
    EXPECT_EQ(bold.pointSize(), 14);
    EXPECT_TRUE(bold.bold());
    const QFont plain = DocumentFont(doc, 0, false);
    EXPECT_EQ(plain.pointSize(), kDefaultPointSize);
    EXPECT_FALSE(plain.bold());
}

TEST(FillRichText, EachLineKeepsItsSizeAndWeight) {
    const TextDocument doc = Receipt();
    QTextDocument rich;
    FillRichText(rich, doc);
    ASSERT_EQ(rich.blockCount(), int(doc.lines.size()));
    int i = 0;
    for (QTextBlock b = rich.begin(); b.isValid(); b = b.next(), ++i) {
        const auto& line = doc.lines[size_t(i)];
        EXPECT_EQ(b.text().toStdString(), line.text);
        const QTextCharFormat f = b.charFormat();
        const int size = line.fontSize > 0 ? line.fontSize : doc.fontSize;
        EXPECT_EQ(int(f.fontPointSize()), size) << line.text;
        EXPECT_EQ(f.fontWeight() >= QFont::Bold, line.bold) << line.text;
        // Also the characters themselves, not only the block's empty-line format.
        if (!line.text.empty()) {
            const QTextFragment frag = b.begin().fragment();
            EXPECT_EQ(frag.charFormat().fontWeight() >= QFont::Bold, line.bold) << line.text;
            EXPECT_EQ(int(frag.charFormat().fontPointSize()), size) << line.text;
        }
    }
}

TEST(FillRichText, ReplacesThePreviousDocument) {
    QTextDocument rich;
    FillRichText(rich, Receipt());
    TextDocument second;
    second.lines = {{"Новый документ", 9, false}};
    FillRichText(rich, second);
    EXPECT_EQ(rich.toPlainText().toStdString(), "Новый документ");
}

}  // namespace
}  // namespace orvenka::gui
