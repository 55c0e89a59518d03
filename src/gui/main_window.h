#pragma once
#include <QMainWindow>
#include <QSystemTrayIcon>
#include <memory>
#include <string>

#include "gui/command_poller.h"
#include "shell/app_context.h"
#include "shell/command_loop.h"
#include "shell/service_actions.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace orvenka::gui {

// The operator window: the message and error panes mirroring the event log, the device tab,
// the notification-area icon with its menu, and the poll of the command folder.
class TForm_mainFR : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr const char* kTrayTip = "ORVENKA - Печать чеков ККМ из ini файлов";

    TForm_mainFR(AppContext& ctx, CommandLoop& loop, QWidget* parent = nullptr);
    ~TForm_mainFR() override;

    // The icon, when the desktop has a notification area. A desktop without one gets the window
    // shown at once instead, with the button "Выход" (and "Закрыть окно" then minimises it), so
    // the operator always has a way in and a way out. True when the icon is there.
    bool AddTrayIcon();
    void DeleteTrayIcon();
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    // "Показать", "Выход"; it exists with the window, the icon or not.
    QMenu* TrayMenu() const { return trayMenu_.get(); }
    // A click on the icon: the left button opens the menu at the cursor; the right one opens it
    // as the icon's context menu.
    void TrayActivated(QSystemTrayIcon::ActivationReason reason);

    // Timer1: the poll, off from creation until start-up ends.
    CommandPoller& Poller() { return *poller_; }
    void StartTimer() { poller_->SetTimerEnabled(true); }

    void ShowFromTray();  // "Показать"
    void CloseWindow();   // "Закрыть окно"
    void AboutClicked();  // "О Программе"
    // The about box: version, program folder, start-up kind, and what stands behind each device.
    std::string AboutText() const;

    // Tab "Данные чека": the parameter editor on a new file, or on a file the operator picks.
    void NewParamFileClicked();
    void OpenParamFileClicked();

    ServiceActions& Actions() { return actions_; }
    // A device button: the action in its frame; a failure it does not report itself goes to
    // the error box.
    void ServiceClicked(ServiceButton button);
    // Every change of the number field: a text that is not a whole number gets the error box.
    void EditNumFDChange(const QString& text);
    // The application's error box; without a screen the text goes to standard error.
    void ShowErrorBox(const std::string& text);

    QPlainTextEdit* MemoMSG;
    QPlainTextEdit* MemoError;
    QLabel* LabelError;
    QTabWidget* PageControl;
    QWidget* TabSheetFR;  // "Устройство"
    QWidget* TabSheet1;   // "Данные чека"
    QPushButton* ButtonAbout;
    QPushButton* ButtonClose;
    // "Выход" beside "Закрыть окно", only on a desktop without a notification area (where there
    // is no tray menu to end the program from).
    QPushButton* ButtonExit;

    // Tab "Устройство", top to bottom.
    QPushButton* ButtonProperties;  // "Открыть свойства ФР"
    QPushButton* ButtonOpenDrawer;  // "Открыть ден.ящик"
    QPushButton* ButtonZReport;     // "Z-отчет"
    QPushButton* ButtonXReport;     // "X-отчет"
    QPushButton* ButtonCopyLastCheck;  // "Распечатать копию последнего чека"
    QGroupBox* GroupCopyByNumber;  // "Копия чека по номеру ФД"
    QLabel* LabelNumFD;            // "Номер Фиск док:"
    QLineEdit* EditNumFD;
    QPushButton* ButtonPrintByNumber;  // "Печать"
    QPushButton* ButtonUnsentFD;  // "Показать кол-во неотправленных ФД"
    QPushButton* ButtonTestLinkOFD;  // "Проверка связи с ОФД"
    QPushButton* ButtonSrokFN;       // "Cрок действия ФН"
    QPushButton* ButtonFixError;  // "Попробовать исправ. ошибку", always disabled

    // Tab "Данные чека": the way to the parameter editor.
    QPushButton* ButtonNewParamFile;   // "Создать файл настроек"
    QPushButton* ButtonOpenParamFile;  // "Открыть существующий файл"

  signals:
    // "Выход": the program is to end (the composition root quits the application).
    void ExitRequested();

  protected:
    // The window has no close box; a close request (keyboard, window manager) is "Закрыть окно".
    void closeEvent(QCloseEvent* event) override;

  private:
    void Mirror(EventLog::Pane pane, const std::string* line);

    AppContext& ctx_;
    CommandLoop& loop_;
    ServiceActions actions_;
    std::unique_ptr<CommandPoller> poller_;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<QMenu> trayMenu_;
    bool placed_ = false;
    bool noTrayArea_ = false;  // the desktop has no notification area
};

}  // namespace orvenka::gui
