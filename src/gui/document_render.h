#pragma once
#include <QFont>
#include <QString>

#include "common/text_document.h"

class QPrinter;
class QTextDocument;

namespace orvenka::gui {

// Point size used when neither the line nor the document gives one.
constexpr int kDefaultPointSize = 10;

// The font of one document line: the document's font when it is installed, otherwise a
// fixed-pitch font, because the emulator lays receipts out in columns of characters.
QFont DocumentFont(const TextDocument& document, int pointSize, bool bold);
// The family that will actually be used for `name` (the fixed-pitch fallback when missing).
QString ResolveFamily(const QString& name);

// Draws the document on an already configured printer as one job: one line after another,
// each in its own size and weight, wrapped at the page width, new pages as needed.
// Raises Failure when the job cannot be started or finished.
void RenderDocument(const TextDocument& document, QPrinter& printer);
// The same drawing into a PDF file (replaced when it exists). Raises Failure.
void PrintDocumentToPdf(const TextDocument& document, const QString& fileName);

// Fills a rich-text document with the lines, each block in its own size and weight.
void FillRichText(QTextDocument& target, const TextDocument& document);

}  // namespace orvenka::gui
