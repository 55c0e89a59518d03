#include "gui/qt_platform.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextEdit>
#include <cstdlib>
#include <map>

#include "common/failure.h"
#include "gui/preview_window.h"
#include "gui_test_util.h"
#include "support/temp_folder.h"

namespace orvenka::gui {
namespace {

TEST(QtPlatform, OffscreenHasNoScreenAndAsksNobody) {
    QtPlatform p;
    EXPECT_FALSE(PlatformHasScreen());
    EXPECT_FALSE(p.HasScreen());
    EXPECT_EQ(p.AskYesNo("Чек уже напечатан. Печатать ещё раз?"), Platform::Answer::NoScreen);
    EXPECT_EQ(p.SelectDeviceKind(DeviceKind::Emul), DeviceKind::None);
    EXPECT_EQ(p.SelectLogicalDevice({"1 Касса", "2 Касса"}), -1);
    // A single device needs no choice, screen or not.
    EXPECT_EQ(p.SelectLogicalDevice({"1 Касса"}), 1);
    EXPECT_EQ(p.SelectLogicalDevice({}), 1);
    p.ShowBalloon("Управление ККМ ORVENKA", "нет значка: ничего не происходит");
}

TEST(QtPlatform, MessageWithoutScreenGoesToStderrLineByLine) {
    QtPlatform p;
    testing::internal::CaptureStderr();
    p.ShowMessage("Первая строка\rвторая\r\nтретья");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Первая строка\nвторая\nтретья\n");
}

TEST(QtPlatform, PreviewWithoutScreenDoesNotBlockAndKeepsTheDocument) {
    QtPlatform p;
    TextDocument doc;
    doc.lines = {{"ЧЕК № 7", 10, true}, {"ИТОГ =5.00", 12, true}};
    testing::internal::CaptureStderr();
    p.ShowPreview(doc);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(p.PreviewWindow().isVisible());
    EXPECT_EQ(p.PreviewWindow().Text()->toPlainText().toStdString(), "ЧЕК № 7\nИТОГ =5.00");
    // The same window is kept for the whole run.
    EXPECT_EQ(&p.PreviewWindow(), &p.PreviewWindow());
}

TEST(QtPlatform, PrintersAreTheSystemQueues) {
    QtPlatform p;
    std::vector<std::string> expected;
    for (const QString& n : QPrinterInfo::availablePrinterNames())
        expected.push_back(n.toStdString());
    EXPECT_EQ(p.Printers(), expected);
    const std::string def = QPrinterInfo::defaultPrinterName().toStdString();
    if (!def.empty()) {
        EXPECT_EQ(p.CurrentPrinter(), def);
    } else if (!expected.empty()) {
        EXPECT_EQ(p.CurrentPrinter(), expected.front());
    } else {
        EXPECT_EQ(p.CurrentPrinter(), "");
    }
    p.SelectPrinter("Receipts-2");
    EXPECT_EQ(p.CurrentPrinter(), "Receipts-2");
}

TEST(QtPlatform, PrintingOnAPrinterThatIsNotInstalledFails) {
    QtPlatform p;
    p.SelectPrinter("Нет такого принтера");
    TextDocument doc;
    doc.lines = {{"x", 10, false}};
    try {
        p.PrintDocument(doc);
        FAIL() << "printing must fail";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("Нет такого принтера"), std::string::npos) << f.what();
    }
}

// The shape of a text: the number of words of each non-empty line.
std::vector<qsizetype> Shape(const QString& text) {
    std::vector<qsizetype> shape;
    for (const QString& line : text.split('\n')) {
        const QStringList words = line.simplified().split(' ', Qt::SkipEmptyParts);
        if (!words.isEmpty())
            shape.push_back(words.size());
    }
    return shape;
}

// Prints through CUPS to a queue with the PDF back-end (set up by tools/cups-pdf-queue.sh and
// named in ORVENKA_TEST_PDF_QUEUE) and reads the PDF back. The back-end re-distils the job
// with its own glyph codes, so the letters do not survive, but lines and words do.
TEST(QtPlatform, PrintsOneJobOnACupsPdfQueue) {
    const char* queue = std::getenv("ORVENKA_TEST_PDF_QUEUE");
    if (!queue || !*queue)
        GTEST_SKIP() << "ORVENKA_TEST_PDF_QUEUE is not set";
    const QString tool = QStandardPaths::findExecutable("pdftotext");
    if (tool.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    const QDir out(QDir::homePath() + "/PDF");
    std::map<QString, QDateTime> before;
    for (const QFileInfo& f : out.entryInfoList({"*.pdf"}, QDir::Files))
        before[f.fileName()] = f.lastModified();

    QtPlatform p;
    p.SelectPrinter(queue);
    const QString marker = QString("Контроль печати заданием %1 Orvenka 7 8 9").arg(::getpid());
    TextDocument doc;
    doc.fontName = "Orvenka";
    doc.lines = {{marker.toStdString(), 10, true}, {"", 10, false}, {"ИТОГ =1.00", 12, false}};
    p.PrintDocument(doc);
    const auto wanted = Shape(marker + "\nИТОГ =1.00");

    QString found;
    const bool printed = test::WaitUntil(
        [&] {
            for (const QFileInfo& f : out.entryInfoList({"*.pdf"}, QDir::Files)) {
                const auto old = before.find(f.fileName());
                if (old != before.end() && old->second == f.lastModified())
                    continue;
                QProcess pdf;
                pdf.start(tool, {"-enc", "UTF-8", f.filePath(), "-"});
                pdf.waitForFinished(10000);
                if (Shape(QString::fromUtf8(pdf.readAllStandardOutput())) == wanted) {
                    found = f.filePath();
                    return true;
                }
            }
            return false;
        },
        60000);
    ASSERT_TRUE(printed) << "no PDF of the job appeared in " << out.path().toStdString();
    QFile::remove(found);
}

// The registers' picture loading takes Windows bitmaps and PNG; transparency is paper.
TEST(QtPlatform, LoadsBitmapsAndPngAndRefusesWhatIsNoPicture) {
    test::TempFolder folder;
    QImage image(5, 2, QImage::Format_ARGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    image.setPixel(4, 1, qRgb(1, 2, 3));
    image.setPixel(2, 0, qRgba(0, 0, 0, 0));  // transparent black
    ASSERT_TRUE(image.save(QString::fromStdString(folder.File("logo.png"))));
    ASSERT_TRUE(image.convertToFormat(QImage::Format_RGB32)
                    .save(QString::fromStdString(folder.File("logo.bmp"))));
    QtPlatform p;
    for (const char* name : {"logo.png", "logo.bmp"}) {
        SCOPED_TRACE(name);
        const Picture picture = p.LoadPicture(folder.File(name));
        ASSERT_EQ(picture.width, 5);
        ASSERT_EQ(picture.height, 2);
        EXPECT_TRUE(picture.Black(0, 0));
        EXPECT_FALSE(picture.Black(1, 0));
        EXPECT_EQ(picture.rgb[9], 0x010203u);
    }
    EXPECT_FALSE(p.LoadPicture(folder.File("logo.png")).Black(2, 0)) << "transparent is white";

    folder.Write("notes.png", "не картинка");
    for (const std::string& path : {folder.File("notes.png"), folder.File("missing.bmp")}) {
        try {
            p.LoadPicture(path);
            FAIL() << path;
        } catch (const Failure& f) {
            EXPECT_EQ(std::string(f.what()).rfind("Картинка " + path + " не загружена: ", 0), 0u)
                << f.what();
        }
    }
}

}  // namespace
}  // namespace orvenka::gui
