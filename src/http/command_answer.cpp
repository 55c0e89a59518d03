#include "http/command_answer.h"

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "common/files.h"
#include "common/text.h"

namespace orvenka {

CommandAnswer AnswerFromFiles(const std::string& id, const std::string& resultBytes,
                              const std::optional<std::string>& numberBytes, TDateTime finished,
                              int utcOffsetMinutes) {
    CommandAnswer a;
    a.id = id;
    a.errors = SplitLines(DecodeFileText(resultBytes));
    if (!resultBytes.empty() && a.errors.empty())
        a.errors.emplace_back();
    if (numberBytes) {
        const std::vector<std::string> lines = SplitLines(DecodeFileText(*numberBytes), 1);
        if (!lines.empty()) {
            const std::string digits = TrimText(lines.front());
            // A number the register wrote fits in 63 bits; anything else is no number.
            const bool number = !digits.empty() && digits.size() <= 18 &&
                                digits.find_first_not_of("0123456789") == std::string::npos;
            if (number)
                a.documentNumber = std::stoll(digits);
        }
    }
    a.finishedAt = FormatIso8601(finished, utcOffsetMinutes);
    return a;
}

std::string FormatIso8601(TDateTime local, int utcOffsetMinutes) {
    const DateParts p = DecodeDateTime(local);
    const int offset = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", p.year, p.month,
                  p.day, p.hour, p.minute, p.second, utcOffsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60);
    return text;
}

int LocalUtcOffsetMinutes() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!::localtime_r(&now, &local))
        return 0;
    return static_cast<int>(local.tm_gmtoff / 60);
}

std::string AnswerJson(const CommandAnswer& answer) {
    nlohmann::ordered_json doc;
    doc["id"] = answer.id;
    doc["errors"] = answer.errors;
    if (answer.documentNumber)
        doc["documentNumber"] = *answer.documentNumber;
    else
        doc["documentNumber"] = nullptr;
    doc["finishedAt"] = answer.finishedAt;
    // A line cut in the middle of a letter is replaced, not refused: the answer must go out.
    return doc.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace orvenka
