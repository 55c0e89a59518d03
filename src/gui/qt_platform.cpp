#include "gui/qt_platform.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include "common/failure.h"
#include "gui/cups_submit.h"
#include "gui/document_render.h"
#include "gui/preview_window.h"
#include "gui/qt_text.h"
#include "gui/select_dialogs.h"

namespace orvenka::gui {

namespace {

const char* const kBoxTitle = "Orvenka";

// One job with an empty title and the printer's copies and sides; raises Failure with CUPS's
// reason when the queue does not take it, or when CUPS does not answer in time.
void SubmitToCups(const QPrinter& printer, const QString& file) {
    std::vector<std::pair<std::string, std::string>> options;
    if (printer.copyCount() > 1) {
        options.emplace_back("copies", std::to_string(printer.copyCount()));
        options.emplace_back("collate", printer.collateCopies() ? "true" : "false");
    }
    if (printer.duplex() == QPrinter::DuplexLongSide) {
        options.emplace_back("sides", "two-sided-long-edge");
    } else if (printer.duplex() == QPrinter::DuplexShortSide) {
        options.emplace_back("sides", "two-sided-short-edge");
    }
    SubmitPrintJob(printer.printerName().toStdString(), QFile::encodeName(file).toStdString(),
                   options);
}

}  // namespace

bool PlatformHasScreen() {
    const QString name = QGuiApplication::platformName();
    return name != "offscreen" && name != "minimal";
}

QtPlatform::QtPlatform() : QtPlatform(PlatformHasScreen()) {}

QtPlatform::QtPlatform(bool screen) : screen_(screen) {}

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
    const auto button = QMessageBox::question(nullptr, kBoxTitle, MessageText(text),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtPlatform::ShowMessage(const std::string& text) {
    if (!screen_) {
        MessageToStderr(text);
        return;
    }
    QMessageBox::information(nullptr, kBoxTitle, MessageText(text));
}

void QtPlatform::ShowBalloon(const std::string& title, const std::string& text) {
    if (!tray_ || !tray_->isVisible())
        return;
    tray_->showMessage(MessageText(title), MessageText(text), QSystemTrayIcon::Information, 5000);
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
        MessageToStderr("Окно просмотра документа не показано: нет экрана");
        return;
    }
    window.exec();
    // Closed after a refused print: as unprinted as a refused print without the window.
    if (const auto& failure = window.PrintFailure())
        throw Failure(*failure);
}

void QtPlatform::PrintDocument(const TextDocument& document) {
    QPrinter& printer = Printer();
    // Qt hands its job to CUPS without looking at the answer, so a queue that refuses jobs
    // would lose the document unnoticed. The job is drawn here, as Qt would draw it, into a PDF
    // with the printer's page and resolution, and submitted to CUPS: its job id, or the reason
    // it gives for refusing, decides.
    QTemporaryDir dir;
    if (!dir.isValid())
        throw Failure("Не удалось создать временную папку для задания печати");
    const QString file = dir.filePath("job.pdf");
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(file);
    pdf.setResolution(printer.resolution());
    pdf.setPageLayout(printer.pageLayout());
    pdf.setDocName(QString());
    RenderDocument(document, pdf);
    SubmitToCups(printer, file);
}

std::vector<std::string> QtPlatform::Printers() {
    // Qt asks CUPS without a time-out of its own.
    CheckCupsAnswers();
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) {
        names.push_back(name.toStdString());
    }
    return names;
}

std::string QtPlatform::CurrentPrinter() {
    if (!printerName_.isEmpty())
        return printerName_.toStdString();
    CheckCupsAnswers();
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
    CheckCupsAnswers();
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
        MessageToStderr("Настройка принтера недоступна: нет экрана");
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
