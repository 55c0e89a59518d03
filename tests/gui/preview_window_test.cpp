#include "gui/preview_window.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>

#include "common/failure.h"
#include "gui_test_util.h"

namespace orvenka::gui {
namespace {

TextDocument Doc() {
    TextDocument d;
    d.fontName = "Orvenka";
    d.fontSize = 10;
    d.lines = {{"ЧЕК № 1", 10, false}, {"ИТОГ =10.00", 14, true}};
    return d;
}

TEST(PreviewWindow, LooksAsDesigned) {
    TFormRE w([](const TextDocument&) {});
    EXPECT_EQ(w.windowTitle(), "FormRE");
    EXPECT_EQ(w.size(), QSize(605, 634));
    EXPECT_EQ(w.PrintButton()->text(), "Печать");
    EXPECT_TRUE(w.Text()->isReadOnly());
}

TEST(PreviewWindow, ShowsEachLineInItsSizeAndWeight) {
    TFormRE w([](const TextDocument&) {});
    w.SetDocument(Doc());
    QTextBlock second = w.Text()->document()->begin().next();
    EXPECT_EQ(second.text(), "ИТОГ =10.00");
    EXPECT_EQ(int(second.begin().fragment().charFormat().fontPointSize()), 14);
    EXPECT_GE(second.begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
}

TEST(PreviewWindow, PrintPrintsTheShownDocumentAndCloses) {
    std::vector<TextDocument> printed;
    TFormRE w([&](const TextDocument& d) { printed.push_back(d); });
    w.SetDocument(Doc());
    w.show();
    w.PrintButton()->click();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].lines.size(), 2u);
    EXPECT_EQ(printed[0].lines[1].text, "ИТОГ =10.00");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST(PreviewWindow, PrintingFailureIsShownAndTheWindowStaysOpen) {
    TFormRE w([](const TextDocument&) { throw Failure("Принтер Office не найден"); });
    w.SetDocument(Doc());
    w.show();
    QString shown;
    test::CloseNextModal([&](QWidget* box) {
        if (auto* m = qobject_cast<QMessageBox*>(box))
            shown = m->text();
    });
    w.PrintButton()->click();
    EXPECT_EQ(shown, "Принтер Office не найден");
    EXPECT_TRUE(w.isVisible());
    // The document is still there to print again.
    EXPECT_EQ(w.Text()->document()->blockCount(), 2);
}

}  // namespace
}  // namespace orvenka::gui
