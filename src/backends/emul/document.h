#pragma once
#include <string>

#include "backends/shared/emul_report.h"
#include "common/logger.h"
#include "common/text_document.h"
#include "receipt/records.h"

namespace orvenka {

// The emulator's document and the line operations that fill it. Widths and font sizes come from
// the shared TParam as it stands at each call. Every line operation catches its own failure,
// writes it to the error log and goes on without the line.
class EmulDocument {
  public:
    EmulDocument(const TParam& param, Logger& log);

    const TextDocument& Document() const { return doc_; }
    // Empties the document without touching its font (a receipt begins).
    void Clear() { doc_.Clear(); }

    // Empties the document; font name PRN_FONT, size PRN_SIZEFONT.
    void BeginDocument();
    void SetDocumentFont(const std::string& name);

    // The text cut or padded to PRN_WIDHT.
    void Line(const std::string& text, bool bold = false, bool right = false);
    // Label padded to the room the value leaves; the value always ends at the right edge.
    void LabelValue(const std::string& label, const std::string& value);
    // "ИТОГ" and the value at the right edge of PRN_WIDHT_ITOG, bold, in PRN_SIZEFONT_ITOG.
    void TotalLine(const std::string& value);
    // The text in pieces of `width` characters. Only the first width + 1000 characters are
    // printed. A width of 0 or less adds nothing: there is no piece size to cut by.
    void Wrapped(const std::string& text, long width);
    // A line taken as it is (no fitting), in its own font size.
    void RawLine(const std::string& text, int fontSize);

  private:
    void Add(std::string text, int fontSize, bool bold);
    void Report(const std::exception& e);

    const TParam& param_;
    Logger& log_;
    TextDocument doc_;
};

}  // namespace orvenka
