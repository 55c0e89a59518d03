#include "gui/select_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QRadioButton>
#include <QTest>

namespace orvenka::gui {
namespace {

TEST(SelectDevice, PreselectsTheStartupKind) {
    const struct {
        char kind;
        int checked;  // -1: none
    } rows[] = {{'A', 0}, {'S', 1}, {'E', 2}, {0, -1}, {'X', -1}};
    for (const auto& row : rows) {
        TFormSelectDevice d(row.kind);
        EXPECT_EQ(d.windowTitle(), "Выбор устройства");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(d.Item(i)->isChecked(), i == row.checked) << row.kind;
    }
}

TEST(SelectDevice, ChooseAnswersTheCheckedKind) {
    const struct {
        char preselect;
        int click;  // -1: leave as is
        char answer;
    } rows[] = {{'E', -1, 'E'}, {'E', 0, 'A'}, {'A', 1, 'S'}, {0, -1, 0}, {0, 2, 'E'}};
    for (const auto& row : rows) {
        TFormSelectDevice d(row.preselect);
        if (row.click >= 0)
            d.Item(row.click)->setChecked(true);
        d.Choose();
        EXPECT_EQ(d.Answer(), row.answer);
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
}

TEST(SelectDevice, EscapeIsCancel) {
    TFormSelectDevice d('S');
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(d.Answer(), 0);
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST(SelectLogicalDevice, AnswerIsThePositionNotTheNumberInTheLine) {
    TFormSelectLD d({"1 Касса зал", "3 Касса склад", "4 Касса офис"});
    EXPECT_EQ(d.windowTitle(), "Выбор логического устройства");
    EXPECT_FALSE(d.List()->isEditable());
    EXPECT_EQ(d.List()->currentIndex(), 0);  // first line selected
    EXPECT_EQ(d.Answer(), -1);
    d.List()->setCurrentIndex(1);
    d.Choose();
    EXPECT_EQ(d.Answer(), 2);
}

TEST(SelectLogicalDevice, NoSelectionAnswersZeroAndEscapeMinusOne) {
    TFormSelectLD none({"1 A", "2 B"});
    none.List()->setCurrentIndex(-1);
    none.Choose();
    EXPECT_EQ(none.Answer(), 0);

    TFormSelectLD esc({"1 A", "2 B"});
    QTest::keyClick(&esc, Qt::Key_Escape);
    EXPECT_EQ(esc.Answer(), -1);
    EXPECT_EQ(esc.result(), QDialog::Rejected);
}

TEST(SelectLogicalDevice, FewerThanTwoDevicesNeedNoDialog) {
    EXPECT_EQ(RunSelectLogicalDevice({}), 1);
    EXPECT_EQ(RunSelectLogicalDevice({"1 Касса"}), 1);
}

}  // namespace
}  // namespace orvenka::gui
