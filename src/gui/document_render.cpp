#include "gui/document_render.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <map>
#include <utility>

#include "common/failure.h"
#include "gui/qt_text.h"

namespace orvenka::gui {

namespace {

// The printer queue, or the file for a PDF job, for failure texts.
std::string Target(const QPrinter& printer) {
    const QString name = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                                       : printer.printerName();
    return name.toStdString();
}

int LineSize(const TextDocument& document, const DocumentLine& line) {
    if (line.fontSize > 0)
        return line.fontSize;
    if (document.fontSize > 0)
        return document.fontSize;
    return kDefaultPointSize;
}

QString FixedFamily() {
    static const QString family = [] {
        QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (QFontInfo(system).fixedPitch())
            return QFontInfo(system).family();
        for (const char* name : {"DejaVu Sans Mono", "Noto Sans Mono", "Liberation Mono",
                                 "Nimbus Mono PS", "Courier New"}) {
            if (QFontDatabase::hasFamily(name))
                return QString::fromLatin1(name);
        }
        QFont hint;
        hint.setStyleHint(QFont::TypeWriter);
        hint.setFixedPitch(true);
        return QFontInfo(hint).family();
    }();
    return family;
}

// The fonts of one document by size and weight. Resolving the family asks fontconfig every
// time, which cost most of the drawing time of a long receipt; a document has only a few sizes.
class DocumentFonts {
  public:
    explicit DocumentFonts(const TextDocument& document) : document_(document) {}
    const QFont& For(const DocumentLine& line) {
        const std::pair<int, bool> key(LineSize(document_, line), line.bold);
        auto it = fonts_.find(key);
        if (it == fonts_.end())
            it = fonts_.emplace(key, DocumentFont(document_, key.first, key.second)).first;
        return it->second;
    }

  private:
    const TextDocument& document_;
    std::map<std::pair<int, bool>, QFont> fonts_;
};

}  // namespace

QString ResolveFamily(const QString& name) {
    if (!name.trimmed().isEmpty() && QFontDatabase::hasFamily(name))
        return name;
    return FixedFamily();
}

QFont DocumentFont(const TextDocument& document, int pointSize, bool bold) {
    QFont font(ResolveFamily(Utf8(document.fontName)));
    font.setPointSize(pointSize > 0 ? pointSize : kDefaultPointSize);
    font.setBold(bold);
    // Keep column alignment: no kerning between the padded characters of a line.
    font.setKerning(false);
    return font;
}

void RenderDocument(const TextDocument& document, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw Failure("Не удалось начать печать на принтере " + Target(printer));
    }
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const qreal width = page.width();
    qreal y = 0;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    DocumentFonts fonts(document);
    for (const auto& line : document.lines) {
        const QFont& font = fonts.For(line);
        QTextLayout layout(Utf8(line.text), font, &printer);
        layout.setTextOption(option);
        qreal height = 0;
        layout.beginLayout();
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
            l.setLineWidth(width);
            l.setPosition(QPointF(0, height));
            height += l.height();
        }
        layout.endLayout();
        if (height <= 0)
            height = QFontMetricsF(font, &printer).lineSpacing();
        if (y > 0 && y + height > page.height()) {
            if (!printer.newPage()) {
                painter.end();
                throw Failure("Ошибка печати: не удалось начать новую страницу на принтере " +
                              Target(printer));
            }
            y = 0;
        }
        layout.draw(&painter, QPointF(0, y));
        y += height;
    }
    if (!painter.end()) {
        throw Failure("Ошибка печати на принтере " + Target(printer));
    }
}

void PrintDocumentToPdf(const TextDocument& document, const QString& fileName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setDocName(QString());
    RenderDocument(document, printer);
}

void FillRichText(QTextDocument& target, const TextDocument& document) {
    target.clear();
    QTextCursor cursor(&target);
    bool first = true;
    DocumentFonts fonts(document);
    for (const auto& line : document.lines) {
        QTextCharFormat format;
        format.setFont(fonts.For(line));
        if (first) {
            cursor.setBlockCharFormat(format);
            first = false;
        } else {
            cursor.insertBlock(QTextBlockFormat(), format);
        }
        cursor.insertText(Utf8(line.text), format);
    }
}

}  // namespace orvenka::gui
