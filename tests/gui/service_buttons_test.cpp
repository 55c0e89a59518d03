// The device buttons of the operator window and the fiscal-document number field.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include "backends/backends.h"
#include "common/clock.h"
#include "gui/main_window.h"
#include "gui_test_util.h"
#include "shell/shell_fixture.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka::gui {
namespace {

struct ServiceButtonsTest : ::testing::Test {
    test::TempFolder folder;
    test::ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 5, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};
    CommandLoop loop{ctx};

    ServiceButtonsTest() {
        platform.screen = false;
        ctx.StartupKind = DeviceKind::Atol;
        InstallBackends(ctx);
    }
};

// Caption of each widget of a layout, in layout order (a group by its title).
QStringList Captions(QLayout* layout) {
    QStringList captions;
    for (int i = 0; i < layout->count(); ++i) {
        QWidget* w = layout->itemAt(i)->widget();
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            captions << button->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            captions << "[" + group->title() + "]";
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            captions << label->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            captions << "<" + edit->objectName() + ">";
        }
    }
    return captions;
}

TEST_F(ServiceButtonsTest, DeviceTabTopToBottom) {
    TForm_mainFR w(ctx, loop);
    EXPECT_EQ(Captions(w.TabSheetFR->layout()),
              QStringList({"Открыть свойства ФР", "Открыть ден.ящик", "Z-отчет", "X-отчет",
                           "Распечатать копию последнего чека", "[Копия чека по номеру ФД]",
                           "Показать кол-во неотправленных ФД", "Проверка связи с ОФД",
                           "Cрок действия ФН", "Попробовать исправ. ошибку"}));
    EXPECT_EQ(Captions(w.GroupCopyByNumber->layout()),
              QStringList({"Номер Фиск док:", "<EditNumFD>", "Печать"}));
    // The caption starts with the Latin letter C, not the Cyrillic С.
    EXPECT_EQ(w.ButtonSrokFN->text().at(0).unicode(), u'C');
    EXPECT_TRUE(w.EditNumFD->text().isEmpty());

    for (QPushButton* b : w.TabSheetFR->findChildren<QPushButton*>()) {
        EXPECT_EQ(b->isEnabled(), b != w.ButtonFixError) << test::Std(b->text());
    }
}

// The tab is the only way to the parameter editor: shown, with both buttons enabled.
TEST_F(ServiceButtonsTest, ReceiptDataTabLeadsToTheEditor) {
    TForm_mainFR w(ctx, loop);
    EXPECT_TRUE(w.PageControl->isTabVisible(w.PageControl->indexOf(w.TabSheet1)));
    EXPECT_EQ(Captions(w.TabSheet1->layout()),
              QStringList({"Создать файл настроек", "Открыть существующий файл"}));
    EXPECT_TRUE(w.ButtonNewParamFile->isEnabled());
    EXPECT_TRUE(w.ButtonOpenParamFile->isEnabled());
}

TEST_F(ServiceButtonsTest, NumberFieldReportsEveryNonIntegerWithoutAScreen) {
    TForm_mainFR w(ctx, loop);
    testing::internal::CaptureStderr();
    QTest::keyClicks(w.EditNumFD, "12a");
    QTest::keyClick(w.EditNumFD, Qt::Key_Backspace);
    w.EditNumFD->clear();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "'12a' не является целым числом\n'' не является целым числом\n");

    testing::internal::CaptureStderr();
    QTest::keyClicks(w.EditNumFD, "7x");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "'7x' не является целым числом\n");
    EXPECT_EQ(w.EditNumFD->text(), "7x") << "the field keeps what was typed";
    EXPECT_TRUE(ctx.log.Errors().empty());
}

TEST_F(ServiceButtonsTest, NumberFieldShowsTheErrorBoxOnALetter) {
    platform.screen = true;
    TForm_mainFR w(ctx, loop);
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    test::CloseNextModal([&](QWidget* box) {
        if (auto* m = qobject_cast<QMessageBox*>(box)) {
            text = m->text();
            icon = m->icon();
        }
    });
    QTest::keyClicks(w.EditNumFD, "5x");
    EXPECT_EQ(text, "'5x' не является целым числом");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(w.EditNumFD->text(), "5x");
}

TEST_F(ServiceButtonsTest, ButtonsRunInTheFrameAndPassTheNumber) {
    std::vector<std::string> journal;
    auto backend = std::make_unique<test::RecordingBackend>(DeviceKind::Atol, journal);
    test::RecordingBackend& fake = *backend;
    ctx.SetBackend(std::move(backend));
    TForm_mainFR w(ctx, loop);
    w.StartTimer();
    bool timerDuring = true, pendingDuring = false;
    fake.onCall = [&](const std::string& op) {
        if (op == "ReleaseDriver")
            return;
        timerDuring = w.Poller().TimerEnabled();
        pendingDuring = ctx.ConnectPending;
    };
    w.EditNumFD->setText("15");
    platform.deviceKinds = {DeviceKind::Atol, DeviceKind::Atol};
    w.ButtonPrintByNumber->click();
    w.ButtonZReport->click();
    EXPECT_EQ(journal,
              (std::vector<std::string>{"A:PrintCopyLastCheckForNum(15)", "A:ReleaseDriver()",
                                        "A:ZReport()", "A:ReleaseDriver()"}));
    EXPECT_FALSE(timerDuring);
    EXPECT_TRUE(pendingDuring);
    EXPECT_TRUE(w.Poller().TimerEnabled());
    EXPECT_FALSE(ctx.ConnectPending);
    EXPECT_EQ(platform.deviceKindPreselects,
              (std::vector<DeviceKind>{DeviceKind::Atol, DeviceKind::Atol}));
    EXPECT_FALSE(folder.Exists("Result.txt"));
    EXPECT_FALSE(folder.Exists("cmd.finish"));
}

TEST_F(ServiceButtonsTest, PrefixedFailureGoesToTheErrorPane) {
    TForm_mainFR w(ctx, loop);
    w.StartTimer();
    ctx.LogError("ошибка прошлой команды");
    platform.deviceKinds = {DeviceKind::Shtrih};
    w.ButtonCopyLastCheck->click();
    const QStringList lines = w.MemoError->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 1);
    // The simulated register has printed nothing yet.
    EXPECT_EQ(lines[0],
              "12.02.2021 10:30:05:Копия последнего чека:1 FR_PrintCopyLastCheck "
              "ResultCodeDescription:Нет документа для повтора");
    EXPECT_TRUE(w.Poller().TimerEnabled());
}

TEST_F(ServiceButtonsTest, EscapingFailureWithoutAScreenGoesToStderrAndTheMessageLog) {
    TForm_mainFR w(ctx, loop);
    w.StartTimer();
    platform.deviceKinds = {DeviceKind::Atol};
    testing::internal::CaptureStderr();
    w.ButtonZReport->click();
    const std::string err = testing::internal::GetCapturedStderr();
    // The simulated register has no shift open to close.
    const std::string refusal = "Снимаем отчет:Смена закрыта - операция невозможна";
    EXPECT_EQ(err.rfind(refusal, 0), 0u) << err;
    ASSERT_FALSE(ctx.log.Messages().empty());
    EXPECT_NE(ctx.log.Messages().back().find(refusal), std::string::npos);
    EXPECT_TRUE(ctx.log.Errors().empty()) << "these buttons do not report in the error pane";
    EXPECT_TRUE(w.Poller().TimerEnabled());
    EXPECT_FALSE(ctx.ConnectPending);
}

TEST_F(ServiceButtonsTest, EscapingFailureBoxComesAfterTheFrameEnded) {
    platform.screen = true;
    TForm_mainFR w(ctx, loop);
    w.StartTimer();
    platform.deviceKinds = {DeviceKind::Shtrih};
    QString text;
    bool timerAtBox = false, pendingAtBox = true;
    test::CloseNextModal([&](QWidget* box) {
        if (auto* m = qobject_cast<QMessageBox*>(box))
            text = m->text();
        timerAtBox = w.Poller().TimerEnabled();
        pendingAtBox = ctx.ConnectPending;
    });
    w.ButtonZReport->click();  // the simulated register's shift is not open
    EXPECT_EQ(text, "Смена закрыта - операция невозможна") << test::Std(text);
    EXPECT_TRUE(timerAtBox);
    EXPECT_FALSE(pendingAtBox);
}

TEST_F(ServiceButtonsTest, EmulatorPropertiesOpenThePrinterSetup) {
    TForm_mainFR w(ctx, loop);
    platform.deviceKinds = {DeviceKind::Emul, DeviceKind::Emul};
    w.ButtonProperties->click();
    w.ButtonXReport->click();
    EXPECT_EQ(platform.printerSetupCalls, 1);
    EXPECT_TRUE(ctx.log.Errors().empty());
}

// Each button starts from its own choice of logical device: the device an ATOL button was used on
// is not where the next Shtrih-M button begins (the register has no such device), and the
// Shtrih-M button offers its own list.
TEST_F(ServiceButtonsTest, EachButtonChoosesItsOwnLogicalDevice) {
    folder.Write("ATOLDEVICE1.ini", "PORT=USB\r\n");
    folder.Write("ATOLDEVICE2.ini", "PORT=USB\r\n");
    folder.Write("DrvFR.sim.state.ini", "LD_NUMBERS=1,3\r\n");
    TForm_mainFR w(ctx, loop);
    w.EditNumFD->setText("1");
    const std::vector<QPushButton*> buttons = {
        w.ButtonOpenDrawer,    w.ButtonZReport,  w.ButtonXReport,     w.ButtonCopyLastCheck,
        w.ButtonPrintByNumber, w.ButtonUnsentFD, w.ButtonTestLinkOFD, w.ButtonSrokFN};
    for (QPushButton* button : buttons) {
        SCOPED_TRACE(test::Std(button->text()));
        ctx.log.ClearErrors();
        platform.logicalDeviceLists.clear();
        const size_t messagesBefore = ctx.log.Messages().size();
        // The second ATOL file, then the second Shtrih-M device (number 3).
        platform.deviceKinds = {DeviceKind::Atol, DeviceKind::Shtrih};
        platform.logicalDevices = {2, 2};
        testing::internal::CaptureStderr();
        button->click();
        button->click();
        const std::string err = testing::internal::GetCapturedStderr();

        ASSERT_EQ(platform.logicalDeviceLists.size(), 2u) << err;
        EXPECT_EQ(platform.logicalDeviceLists[1].size(), 2u) << "the Shtrih-M devices";
        std::string logged = err;
        for (size_t i = messagesBefore; i < ctx.log.Messages().size(); ++i)
            logged += ctx.log.Messages()[i] + "\n";
        for (const auto& line : ctx.log.Errors())
            logged += line + "\n";
        EXPECT_EQ(logged.find("Логическое устройство не найдено"), std::string::npos) << logged;
        EXPECT_NE(folder.Read("DrvFR.sim.state.ini").find("ACTIVE_LD=3"), std::string::npos);
    }
}

}  // namespace
}  // namespace orvenka::gui
