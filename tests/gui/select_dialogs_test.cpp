#include "gui/select_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QRadioButton>
#include <QTest>

namespace orvenka::gui {
namespace {

TEST(SelectDevice, PreselectsTheStartupKind) {
    const struct {
        DeviceKind kind;
        int checked;  // -1: none
    } rows[] = {{DeviceKind::Atol, 0},
                {DeviceKind::Shtrih, 1},
                {DeviceKind::Emul, 2},
                {DeviceKind::None, -1}};
    for (const auto& row : rows) {
        TFormSelectDevice d(row.kind);
        EXPECT_EQ(d.windowTitle(), "Выбор устройства");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(d.Item(i)->isChecked(), i == row.checked) << KindLetter(row.kind);
    }
}

TEST(SelectDevice, ChooseAnswersTheCheckedKind) {
    const struct {
        DeviceKind preselect;
        int click;  // -1: leave as is
        DeviceKind answer;
    } rows[] = {{DeviceKind::Emul, -1, DeviceKind::Emul},
                {DeviceKind::Emul, 0, DeviceKind::Atol},
                {DeviceKind::Atol, 1, DeviceKind::Shtrih},
                {DeviceKind::None, -1, DeviceKind::None},
                {DeviceKind::None, 2, DeviceKind::Emul}};
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
    TFormSelectDevice d(DeviceKind::Shtrih);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(d.Answer(), DeviceKind::None);
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
