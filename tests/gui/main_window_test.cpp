#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>

#include "common/clock.h"
#include "common/files.h"
#include "gui/param_editor/param_edit_form.h"
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

// A long line shows its start (time stamp, prefix), also when it came before the window was shown;
// a pane the operator clicked into stays where the operator put it.
TEST_F(MainWindowTest, PanesShowTheStartOfNewLines) {
    const std::string tail(400, 'x');
    ctx.LogError("ReadParam:/tmp/Param.ini " + tail);
    TForm_mainFR w(ctx, loop);
    w.ShowFromTray();
    test::Spin(20);
    EXPECT_GT(w.MemoError->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(w.MemoError->horizontalScrollBar()->value(), 0);
    for (int i = 0; i < 3; ++i)
        ctx.LogError("ещё " + tail);
    test::Spin(20);
    EXPECT_EQ(w.MemoError->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(w.MemoError->textCursor().blockNumber(), 3);

    QTextCursor reading = w.MemoError->textCursor();
    reading.setPosition(5);
    w.MemoError->setTextCursor(reading);
    ctx.LogError("после " + tail);
    EXPECT_EQ(w.MemoError->textCursor().position(), 5);
    EXPECT_EQ(w.MemoError->document()->blockCount(), 5);
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
    EXPECT_TRUE(w.PageControl->isTabVisible(1));
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

TEST_F(MainWindowTest, TrayMenuShowsTheWindowAndEndsTheProgram) {
    TForm_mainFR w(ctx, loop);
    ASSERT_NE(w.TrayMenu(), nullptr);
    const QList<QAction*> actions = w.TrayMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "Показать");
    EXPECT_EQ(actions[1]->text(), "Выход");

    QSignalSpy exit(&w, &TForm_mainFR::ExitRequested);
    actions[0]->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(exit.count(), 0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        EXPECT_LE(
            (w.frameGeometry().center() - screen->availableGeometry().center()).manhattanLength(),
            10);
    }
    actions[1]->trigger();
    EXPECT_EQ(exit.count(), 1);
    // "Выход" is the tray menu's; the window's own button is for a desktop without one.
    EXPECT_FALSE(w.ButtonExit->isVisibleTo(&w));
}

// The left button opens the menu at the cursor; the right one is the icon's own context menu;
// other clicks do nothing.
TEST_F(MainWindowTest, TrayClicksOpenTheMenu) {
    const struct {
        QSystemTrayIcon::ActivationReason reason;
        bool opens;
    } rows[] = {
        {QSystemTrayIcon::Trigger, true},
        {QSystemTrayIcon::Context, false},
        {QSystemTrayIcon::DoubleClick, false},
        {QSystemTrayIcon::MiddleClick, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        TForm_mainFR w(ctx, loop);
        w.TrayActivated(row.reason);
        EXPECT_EQ(w.TrayMenu()->isVisible(), row.opens);
        w.TrayMenu()->hide();
    }
}

TEST_F(MainWindowTest, WithoutANotificationAreaTheWindowShowsAtStart) {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a notification area";
    platform.screen = true;
    TForm_mainFR w(ctx, loop);
    EXPECT_FALSE(w.AddTrayIcon());
    EXPECT_EQ(w.TrayIcon(), nullptr);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(ctx.log.Messages().back(),
              "12.02.2021 10:30:05:Нет области уведомлений: окно программы показано сразу, "
              "\"Закрыть окно\" сворачивает его, \"Выход\" завершает программу");
    // Hidden, it could never come back: "Закрыть окно" minimises it instead.
    w.ButtonClose->click();
    EXPECT_FALSE(w.isHidden());
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    w.ShowFromTray();
    EXPECT_FALSE(w.windowState() & Qt::WindowMinimized);
    w.close();
    EXPECT_FALSE(w.isHidden());
    // No tray menu to end the program from: the window has "Выход" itself.
    ASSERT_TRUE(w.ButtonExit->isVisible());
    EXPECT_EQ(w.ButtonExit->text(), "Выход");
    QSignalSpy exit(&w, &TForm_mainFR::ExitRequested);
    w.ButtonExit->click();
    EXPECT_EQ(exit.count(), 1);
}

class FakeBackend : public DeviceBackend {
  public:
    FakeBackend(DeviceKind kind, std::string name, std::string state)
        : kind_(kind), name_(std::move(name)), state_(std::move(state)) {}
    DeviceKind Kind() const override { return kind_; }
    std::string DeviceName() const override { return name_; }
    std::string DriverState() const override { return state_; }

  private:
    DeviceKind kind_;
    std::string name_;
    std::string state_;
};

TEST_F(MainWindowTest, AboutTellsVersionFolderStartupKindAndTheDriverOfEachDevice) {
    ctx.StartupKind = DeviceKind::Shtrih;
    ctx.SetBackend(std::make_unique<FakeBackend>(DeviceKind::Shtrih, "ККМ Штрих-М",
                                                 "симулятор драйвера AddIn.DrvFR"));
    ctx.SetBackend(std::make_unique<FakeBackend>(DeviceKind::Emul, "эмулятор принтера", ""));
    TForm_mainFR w(ctx, loop);
    EXPECT_EQ(w.AboutText(), std::string(kCaption) +
                                 "\nПечать чеков ККМ из ini файлов.\n\n"
                                 "Версия: 4.52\n"
                                 "Папка программы: " +
                                 folder.Path() +
                                 "\n"
                                 "Устройство при запуске: /SHTRIH\n\n"
                                 "Устройства:\n"
                                 "ATOL - не подключено\n"
                                 "SHTRIH - ККМ Штрих-М: симулятор драйвера AddIn.DrvFR\n"
                                 "EMUL - эмулятор принтера: драйвер не нужен");
    ctx.StartupKind = DeviceKind::None;
    EXPECT_NE(w.AboutText().find("Устройство при запуске: не задано\n"), std::string::npos);
}

TEST_F(MainWindowTest, ReceiptDataButtonsOpenTheEditor) {
    platform.screen = true;
    folder.Write("Param.ini", "Oplata=VISA\r\n");
    TForm_mainFR w(ctx, loop);
    const auto editor = [](QString* fileName) {
        return [fileName](QWidget* modal) {
            auto* form = qobject_cast<TFormParamEdit*>(modal);
            ASSERT_NE(form, nullptr) << "not the editor";
            *fileName = form->LabelFileName->text();
            form->ButtonExit->click();
        };
    };
    QString fileName = "?";
    {
        test::ModalScript script({editor(&fileName)});
        w.ButtonNewParamFile->click();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(fileName, "");
    }
    std::string openedIn;
    {
        test::ModalScript script(
            {test::PickFile(folder.File("Param.ini"), &openedIn), editor(&fileName)});
        w.ButtonOpenParamFile->click();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(openedIn, folder.Path());
        EXPECT_EQ(test::Std(fileName), folder.File("Param.ini"));
    }
    {
        test::ModalScript script({test::PickFile("", &openedIn)});
        w.ButtonOpenParamFile->click();
        test::Spin(30);
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(script.Unexpected(), 0) << "a cancelled choice opens nothing";
    }
    EXPECT_TRUE(ctx.log.Errors().empty());
}

// A Param.ini written in UTF-8 opens in the editor with its names right, and the operator is
// told it was read as UTF-8 (saving writes Windows-1251); a Windows-1251 one says nothing.
TEST_F(MainWindowTest, TheEditorSaysWhenItOpensAUtf8File) {
    platform.screen = true;
    TForm_mainFR w(ctx, loop);
    for (const bool utf8 : {true, false}) {
        platform.messages.clear();
        if (utf8)
            folder.WriteBytes("Param.ini", "Oplata=\r\nAuthorName=Кассир Иванова\r\n");
        else
            folder.Write("Param.ini", "Oplata=\r\nAuthorName=Кассир Иванова\r\n");
        QString author = "?";
        std::string openedIn;
        test::ModalScript script(
            {test::PickFile(folder.File("Param.ini"), &openedIn), [&author](QWidget* modal) {
                 auto* form = qobject_cast<TFormParamEdit*>(modal);
                 ASSERT_NE(form, nullptr) << "not the editor";
                 ASSERT_NE(form->Edit("AuthorName"), nullptr);
                 author = form->Edit("AuthorName")->text();
                 form->ButtonExit->click();
             }});
        w.ButtonOpenParamFile->click();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(test::Std(author), "Кассир Иванова") << utf8;
        if (utf8) {
            ASSERT_EQ(platform.messages.size(), 1u);
            EXPECT_EQ(platform.messages[0],
                      Utf8InputMessage(folder.File("Param.ini")) +
                          ". Сохранение запишет его в кодировке Windows-1251.");
        } else {
            EXPECT_TRUE(platform.messages.empty()) << ::testing::PrintToString(platform.messages);
        }
    }
}

}  // namespace
}  // namespace orvenka::gui
