#include "backends/emul/document.h"

#include <algorithm>
#include <exception>

#include "common/failure.h"
#include "common/text.h"

namespace orvenka {
namespace {

// Widths as the layout uses them: never above the accepted maximum, so a call that comes
// without the parameter check (text-file printing) cannot allocate absurdly either.
long Clamped(int width) {
    return std::min<long>(width, kEmulMaxWidth);
}

}  // namespace

EmulDocument::EmulDocument(const TParam& param, Logger& log) : param_(param), log_(log) {}

void EmulDocument::Report(const std::exception& e) {
    log_.LogError(e.what());
}

void EmulDocument::Add(std::string text, int fontSize, bool bold) {
    doc_.lines.push_back(DocumentLine{std::move(text), fontSize, bold});
}

void EmulDocument::BeginDocument() {
    doc_.Clear();
    doc_.fontName = param_.PRN_FONT;
    doc_.fontSize = param_.PRN_SIZEFONT;
}

void EmulDocument::SetDocumentFont(const std::string& name) {
    doc_.fontName = name;
}

void EmulDocument::Line(const std::string& text, bool bold, bool right) {
    try {
        Add(FitText(text, Clamped(param_.PRN_WIDHT), right), param_.PRN_SIZEFONT, bold);
    } catch (const std::exception& e) {
        Report(e);
    }
}

void EmulDocument::LabelValue(const std::string& label, const std::string& value) {
    try {
        const long room = Clamped(param_.PRN_WIDHT) - static_cast<long>(CharCount(value));
        Add(FitText(label, room, false) + value, param_.PRN_SIZEFONT, false);
    } catch (const std::exception& e) {
        Report(e);
    }
}

void EmulDocument::TotalLine(const std::string& value) {
    try {
        const long width = Clamped(param_.PRN_WIDHT_ITOG);
        const long gap = width - static_cast<long>(CharCount(value)) - 4;
        std::string text = "ИТОГ";
        if (gap >= 1)
            text.append(static_cast<size_t>(gap), ' ');
        text += value;
        Add(FitText(text, width, false), param_.PRN_SIZEFONT_ITOG, true);
    } catch (const std::exception& e) {
        Report(e);
    }
}

void EmulDocument::Wrapped(const std::string& text, long width) {
    if (width <= 0)
        return;
    try {
        // Each round prints `width` characters and keeps at most 1000 of the rest, so only the
        // first width + 1000 characters ever reach the paper.
        const std::u32string all = ToU32(text);
        const size_t w = static_cast<size_t>(width);
        const size_t end = std::min(all.size(), w + 1000);
        for (size_t pos = 0; pos < end; pos += std::min(w, end - pos)) {
            Line(FromU32(std::u32string_view(all).substr(pos, std::min(w, end - pos))));
        }
    } catch (const std::exception& e) {
        Report(e);
    }
}

void EmulDocument::RawLine(const std::string& text, int fontSize) {
    try {
        Add(text, fontSize, false);
    } catch (const std::exception& e) {
        Report(e);
    }
}

}  // namespace orvenka
