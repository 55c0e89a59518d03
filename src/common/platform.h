#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/device_kind.h"
#include "common/failure.h"
#include "common/text_document.h"

namespace orvenka {

// A picture file as the registers' picture loaders take it: the colour of every pixel.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB, row by row from the top; transparency on white

    // Black is the colour value 0.
    bool Black(int x, int y) const {
        return (rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] &
                0xFFFFFF) == 0;
    }
};

// Everything the core needs of the desktop: questions, dialogs, the notification area,
// printing and printers. The Qt layer implements it; tests use a scripted double. Nothing in
// the core reaches the desktop any other way.
class Platform {
  public:
    enum class Answer { Yes, No, NoScreen };

    virtual ~Platform() = default;

    // False when there is no screen a person could answer on (no display, offscreen platform).
    virtual bool HasScreen() const = 0;

    // Modal question with the buttons Yes and No. NoScreen when nobody can be asked.
    virtual Answer AskYesNo(const std::string& text) = 0;
    // Modal message box; without a screen the text goes to standard error instead.
    virtual void ShowMessage(const std::string& text) = 0;
    // Balloon on the notification-area icon (no-op without an icon).
    virtual void ShowBalloon(const std::string& title, const std::string& text) = 0;

    // Device kind dialog: the kind chosen, None for cancel. `preselect` is the start-up kind.
    virtual DeviceKind SelectDeviceKind(DeviceKind preselect) = 0;
    // Logical-device dialog: position from 1 of the chosen line, 0 none chosen, -1 cancel.
    virtual int SelectLogicalDevice(const std::vector<std::string>& lines) = 0;

    // Preview window, modal; the operator may print from it. Returns when it is closed; raises
    // the print's Failure when the operator's print failed and the window was closed without a
    // later one going through.
    virtual void ShowPreview(const TextDocument& document) = 0;
    // One print job with an empty title on the current printer. Raises Failure.
    virtual void PrintDocument(const TextDocument& document) = 0;

    // Installed printers in the system's order, the current one, and selecting one by name.
    virtual std::vector<std::string> Printers() = 0;
    virtual std::string CurrentPrinter() = 0;
    virtual void SelectPrinter(const std::string& name) = 0;
    virtual void PrinterSetupDialog() = 0;

    // Loads a picture file (at least Windows bitmaps and PNG). Raises Failure with the
    // loader's text when the file cannot be read or is no picture.
    virtual Picture LoadPicture(const std::string& path) {
        throw Failure("Картинка " + path + " не загружена: эта платформа не читает картинки");
    }
};

}  // namespace orvenka
