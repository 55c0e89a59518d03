// Text lines on the ATOL register: plain and enlarged lines, caption/value pairs, the total line,
// wrapped texts, the receipt header and the feed before a cut.
#include "backends/atol/atol_backend.h"
#include "common/failure.h"
#include "common/text.h"
#include "shell/app_context.h"

namespace orvenka {
namespace {

// A width nothing else gives: the usual receipt paper.
constexpr int kFallbackWidth = 50;
// How much of a wrapped text is kept after each printed piece.
constexpr long kWrappedRemainder = 1000;
const char* const kNotPrinted = "АТОЛ: текст не напечатан: ";

}  // namespace

void AtolBackend::ATOL_PrintLine(const std::string& text, bool enlarged) {
    Connect();
    ATOL_CheckPort();
    driver_.SetParam("LIBFPTR_PARAM_TEXT", text);
    if (enlarged) {
        driver_.SetParam("LIBFPTR_PARAM_FONT", 1);
        driver_.SetParam("LIBFPTR_PARAM_FONT_DOUBLE_WIDTH", true);
        driver_.SetParam("LIBFPTR_PARAM_FONT_DOUBLE_HEIGHT", true);
    }
    // A line the register refused fails the document, whose counters then do not move.
    driver_.Check(driver_.Run("printText"), kNotPrinted);
}

void AtolBackend::ATOL_PrintPair(const std::string& label, const std::string& value,
                                 bool enlarged) {
    // FitText gives nothing for a width of 0 or below: the value alone, never a negative pad.
    const long room = static_cast<long>(ctx_.param.PRN_WIDHT) - static_cast<long>(CharCount(value));
    ATOL_PrintLine(FitText(label, room, false) + value, enlarged);
}

void AtolBackend::ATOL_PrintTotalLine(const std::string& text) {
    const long room =
        static_cast<long>(ctx_.param.PRN_WIDHT_ITOG) - static_cast<long>(CharCount(text));
    driver_.SetParam("LIBFPTR_PARAM_TEXT", FitText("ИТОГ", room, false) + text);
    driver_.SetParam("LIBFPTR_PARAM_FONT", 2);
    driver_.SetParam("LIBFPTR_PARAM_FONT_DOUBLE_WIDTH", true);
    driver_.SetParam("LIBFPTR_PARAM_FONT_DOUBLE_HEIGHT", true);
    driver_.Check(driver_.Run("printText"), kNotPrinted);
}

void AtolBackend::ATOL_PrintWrapped(const std::string& text) {
    long width = ctx_.param.PRN_WIDHT;
    if (width <= 0)
        width = ctx_.param.Name;
    if (width <= 0) {
        try {
            width = static_cast<long>(driver_.Property("CharLineLength").ToInt());
        } catch (const Failure&) {
            width = 0;
        }
    }
    // A width of 0 would print empty pieces for ever.
    if (width <= 0)
        width = kFallbackWidth;
    std::string rest = text;
    while (!rest.empty()) {
        ATOL_PrintLine(LeftChars(rest, width), false);
        rest = MidChars(rest, width + 1, kWrappedRemainder);
    }
}

void AtolBackend::ATOL_PrintHeader() {
    for (const std::string* line : {&ctx_.param.CHECKSHAPKA1, &ctx_.param.CHECKSHAPKA2,
                                    &ctx_.param.CHECKSHAPKA3, &ctx_.param.CHECKSHAPKA4}) {
        if (!IsBlank(*line))
            ATOL_PrintLine(*line, false);
    }
}

void AtolBackend::ATOL_FeedAndCut() {
    for (int i = 0; i < 6; ++i)
        ATOL_PrintLine("", false);
    driver_.Run("Cut");
}

}  // namespace orvenka
