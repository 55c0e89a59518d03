#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "common/clock.h"
#include "gui_test_util.h"
#include "shell/startup.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka::gui {
namespace {

struct MainWindowTest : ::testing::Test {
    test::TempFolder folder;
    test::ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 5, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};
    CommandLoop loop{ctx};

    MainWindowTest() { platform.screen = false; }
};

QStringList Lines(const QPlainTextEdit* pane) {
    QString text = pane->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

TEST_F(MainWindowTest, PanesMirrorTheEventLog) {
    ctx.LogMessage("до окна");  // logged before the window exists
    TForm_mainFR w(ctx, loop);
    ctx.LogMessage("Старт отслеживания команд");
    ctx.LogError("Ошибка команды");
    EXPECT_EQ(Lines(w.MemoMSG), QStringList({"12.02.2021 10:30:05:до окна",
                                             "12.02.2021 10:30:05:Старт отслеживания команд"}));
    EXPECT_EQ(Lines(w.MemoError), QStringList({"12.02.2021 10:30:05:Ошибка команды"}));

    ctx.log.ClearErrors();
    EXPECT_TRUE(w.MemoError->toPlainText().isEmpty());
    EXPECT_EQ(Lines(w.MemoMSG).size(), 2);
    ctx.LogError("вторая");
    EXPECT_EQ(Lines(w.MemoError), QStringList({"12.02.2021 10:30:05:вторая"}));
}

TEST_F(MainWindowTest, LogOutlivesTheWindow) {
    {
        TForm_mainFR w(ctx, loop);
        ctx.LogMessage("при окне");
    }
    ctx.LogMessage("после окна");  // must not reach the destroyed panes
    ctx.LogError("после окна");
    EXPECT_EQ(ctx.log.Messages().size(), 2u);
}

TEST_F(MainWindowTest, LayoutAsDesigned) {
    TForm_mainFR w(ctx, loop);
    EXPECT_EQ(w.windowTitle().toStdString(), kCaption);
    EXPECT_EQ(w.size(), QSize(720, 508));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.LabelError->text(), "Ошибки выполняемой команды::");
    EXPECT_EQ(w.MemoMSG->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(w.PageControl->count(), 2);
    EXPECT_EQ(w.PageControl->tabText(0), "Устройство");
    EXPECT_EQ(w.PageControl->tabText(1), "Данные чека");
    EXPECT_EQ(w.PageControl->currentWidget(), w.TabSheetFR);
    EXPECT_TRUE(w.PageControl->isTabVisible(0));
    EXPECT_FALSE(w.PageControl->isTabVisible(1));
    EXPECT_EQ(w.ButtonAbout->text(), "О Программе");
    EXPECT_EQ(w.ButtonClose->text(), "Закрыть окно");
    // No close box: the window is left through "Закрыть окно" or the tray menu.
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(MainWindowTest, NoTrayIconWithoutAScreen) {
    TForm_mainFR w(ctx, loop);
    w.AddTrayIcon();
    EXPECT_EQ(w.TrayIcon(), nullptr);
    w.DeleteTrayIcon();  // harmless without an icon
}

TEST_F(MainWindowTest, ShowAndCloseOnlyHideTheWindow) {
    TForm_mainFR w(ctx, loop);
    w.StartTimer();
    w.ShowFromTray();
    EXPECT_TRUE(w.isVisible());
    w.ButtonClose->click();
    EXPECT_FALSE(w.isVisible());
    w.ShowFromTray();
    EXPECT_FALSE(w.close());  // a close request is turned into hiding
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.Poller().TimerEnabled()) << "polling goes on while hidden";
}

TEST_F(MainWindowTest, AboutRunsWithTheTimerOffAndConnectPendingRaised) {
    TForm_mainFR w(ctx, loop);
    w.StartTimer();
    bool timerOn = true, pending = false;
    QString text;
    test::CloseNextModal([&](QWidget* box) {
        timerOn = w.Poller().TimerEnabled();
        pending = ctx.ConnectPending;
        if (auto* m = qobject_cast<QMessageBox*>(box))
            text = m->text();
    });
    w.ButtonAbout->click();
    EXPECT_FALSE(timerOn);
    EXPECT_TRUE(pending);
    EXPECT_TRUE(text.contains("Orvenka v4.52")) << text.toStdString();
    EXPECT_FALSE(ctx.ConnectPending);
    EXPECT_TRUE(w.Poller().TimerEnabled());
}

}  // namespace
}  // namespace orvenka::gui
