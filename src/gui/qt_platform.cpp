#include "gui/qt_platform.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSystemTrayIcon>

#include "common/failure.h"
#include "common/standard_streams.h"
#include "gui/document_render.h"
#include "gui/preview_window.h"
#include "gui/select_dialogs.h"

namespace orvenka::gui {

namespace {

const char* const kBoxTitle = "Orvenka";

// Message texts of the core separate their lines with CR.
QString ToQt(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace("\r\n", "\n");
    s.replace('\r', '\n');
    return s;
}

void ToStderr(const std::string& text) {
    const QByteArray bytes = ToQt(text).toUtf8();
    WriteToStderr(std::string_view(bytes.constData(), size_t(bytes.size())));
    WriteToStderr("\n");
}

}  // namespace

bool PlatformHasScreen() {
    const QString name = QGuiApplication::platformName();
    return name != "offscreen" && name != "minimal";
}

QtPlatform::QtPlatform() : screen_(PlatformHasScreen()) {}

QtPlatform::~QtPlatform() = default;

TFormRE& QtPlatform::PreviewWindow() {
    if (!preview_) {
        preview_ = std::make_unique<TFormRE>([this](const TextDocument& document) {
            ResetPrinterSettings();
            PrintDocument(document);
        });
    }
    return *preview_;
}

Platform::Answer QtPlatform::AskYesNo(const std::string& text) {
    if (!screen_)
        return Answer::NoScreen;
    const auto button = QMessageBox::question(nullptr, kBoxTitle, ToQt(text),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtPlatform::ShowMessage(const std::string& text) {
    if (!screen_) {
        ToStderr(text);
        return;
    }
    QMessageBox::information(nullptr, kBoxTitle, ToQt(text));
}

void QtPlatform::ShowBalloon(const std::string& title, const std::string& text) {
    if (!tray_ || !tray_->isVisible())
        return;
    tray_->showMessage(ToQt(title), ToQt(text), QSystemTrayIcon::Information, 5000);
}

DeviceKind QtPlatform::SelectDeviceKind(DeviceKind preselect) {
    if (!screen_)
        return DeviceKind::None;
    return RunSelectDevice(preselect);
}

int QtPlatform::SelectLogicalDevice(const std::vector<std::string>& lines) {
    if (!screen_ && lines.size() >= 2)
        return -1;  // nobody to choose: cancel
    return RunSelectLogicalDevice(lines);
}

void QtPlatform::ShowPreview(const TextDocument& document) {
    TFormRE& window = PreviewWindow();
    window.SetDocument(document);
    if (!screen_) {
        // A modal window nobody can close would stop the command loop for good.
        ToStderr("Окно просмотра документа не показано: нет экрана");
        return;
    }
    window.exec();
}

void QtPlatform::PrintDocument(const TextDocument& document) {
    QPrinter& printer = Printer();
    printer.setDocName(QString());
    RenderDocument(document, printer);
}

std::vector<std::string> QtPlatform::Printers() {
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) {
        names.push_back(name.toStdString());
    }
    return names;
}

std::string QtPlatform::CurrentPrinter() {
    if (!printerName_.isEmpty())
        return printerName_.toStdString();
    QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty()) {
        const QStringList all = QPrinterInfo::availablePrinterNames();
        if (!all.isEmpty())
            name = all.front();
    }
    return name.toStdString();
}

void QtPlatform::SelectPrinter(const std::string& name) {
    const QString wanted = QString::fromStdString(name);
    if (wanted == printerName_ && printer_)
        return;
    printerName_ = wanted;
    printer_.reset();  // another printer starts with its default settings
}

void QtPlatform::ResetPrinterSettings() {
    printer_.reset();
}

QPrinter& QtPlatform::Printer() {
    const QString name = QString::fromStdString(CurrentPrinter());
    if (name.isEmpty())
        throw Failure("Не установлен ни один принтер");
    if (!QPrinterInfo::availablePrinterNames().contains(name)) {
        throw Failure("Принтер " + name.toStdString() + " не найден среди установленных принтеров");
    }
    if (!printer_ || printer_->printerName() != name) {
        printer_ =
            std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
    }
    if (!printer_->isValid())
        throw Failure("Принтер " + name.toStdString() + " недоступен");
    return *printer_;
}

void QtPlatform::PrinterSetupDialog() {
    if (!screen_) {
        ToStderr("Настройка принтера недоступна: нет экрана");
        return;
    }
    QPrinter& printer = Printer();
    QPrintDialog dialog(&printer);
    dialog.setWindowTitle("Настройка печати");
    // Printing to a file would silently turn every later receipt into a file.
    dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
    if (dialog.exec() == QDialog::Accepted)
        printerName_ = printer.printerName();
}

Picture QtPlatform::LoadPicture(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    QImage image = reader.read();
    if (image.isNull()) {
        throw Failure("Картинка " + path + " не загружена: " + reader.errorString().toStdString());
    }
    // Transparent parts are paper: drawn on white, they do not come out black.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    Picture picture;
    picture.width = flat.width();
    picture.height = flat.height();
    picture.rgb.reserve(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    for (int y = 0; y < flat.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
        for (int x = 0; x < flat.width(); ++x)
            picture.rgb.push_back(row[x] & 0xFFFFFF);
    }
    return picture;
}

}  // namespace orvenka::gui
