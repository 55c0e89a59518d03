#pragma once
#include <QString>
#include <memory>

#include "common/platform.h"

class QPrinter;
class QSystemTrayIcon;

namespace orvenka::gui {

class TFormRE;

// True when a person can see windows: not the offscreen or minimal Qt platform.
bool PlatformHasScreen();

// The desktop as Qt offers it: message boxes, the notification-area icon, the dialogs of the
// operator, the preview window and printing to the CUPS queues.
class QtPlatform : public Platform {
  public:
    QtPlatform();
    // `screen`: whether boxes and the preview are shown (tests of the operator's side).
    explicit QtPlatform(bool screen);
    ~QtPlatform() override;

    // The notification-area icon for balloons (nullptr: none).
    void SetTrayIcon(QSystemTrayIcon* icon) { tray_ = icon; }
    TFormRE& PreviewWindow();

    bool HasScreen() const override { return screen_; }
    Answer AskYesNo(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void ShowBalloon(const std::string& title, const std::string& text) override;
    DeviceKind SelectDeviceKind(DeviceKind preselect) override;
    int SelectLogicalDevice(const std::vector<std::string>& lines) override;
    // Raises the failure of the operator's "Печать" when the window was closed after it with
    // the document unprinted.
    void ShowPreview(const TextDocument& document) override;
    void PrintDocument(const TextDocument& document) override;
    std::vector<std::string> Printers() override;
    std::string CurrentPrinter() override;
    void SelectPrinter(const std::string& name) override;
    void PrinterSetupDialog() override;
    Picture LoadPicture(const std::string& path) override;

    // Drops any changed settings of the current printer (the preview's "Печать" does this).
    void ResetPrinterSettings();

  private:
    QPrinter& Printer();  // the current printer with its settings; raises Failure

    bool screen_;
    QSystemTrayIcon* tray_ = nullptr;
    QString printerName_;  // empty: the system's default printer
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<TFormRE> preview_;
};

}  // namespace orvenka::gui
