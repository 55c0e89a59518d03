#pragma once
#include <QMainWindow>
#include <memory>

#include "gui/command_poller.h"
#include "shell/app_context.h"
#include "shell/command_loop.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;
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

    // The icon, when the desktop has a notification area; the program works without one.
    void AddTrayIcon();
    void DeleteTrayIcon();
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    QMenu* TrayMenu() const { return trayMenu_.get(); }

    // Timer1: the poll, off from creation until start-up ends.
    CommandPoller& Poller() { return *poller_; }
    void StartTimer() { poller_->SetTimerEnabled(true); }

    void ShowFromTray();  // "Показать"
    void AboutClicked();  // "О Программе"

    QPlainTextEdit* MemoMSG;
    QPlainTextEdit* MemoError;
    QLabel* LabelError;
    QTabWidget* PageControl;
    QWidget* TabSheetFR;  // "Устройство"
    QWidget* TabSheet1;   // "Данные чека", hidden
    QPushButton* ButtonAbout;
    QPushButton* ButtonClose;

  protected:
    // The window has no close box; a close request (keyboard, window manager) only hides it.
    void closeEvent(QCloseEvent* event) override;

  private:
    void Mirror(EventLog::Pane pane, const std::string* line);

    AppContext& ctx_;
    CommandLoop& loop_;
    std::unique_ptr<CommandPoller> poller_;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<QMenu> trayMenu_;
    bool placed_ = false;
};

}  // namespace orvenka::gui
