#pragma once
#include <string>
#include <vector>

#include "common/cp1251.h"
#include "common/logger.h"

namespace orvenka::test {

// The six header lines the Param.ini template starts with.
inline const std::vector<std::string> kParamHeader = {
    " #-----------------------------------",
    " # Файл параметров для печати чека",
    " #",
    " # !!В КОММЕНТАРИЯХ НЕЛЬЗЯ ИСПОЛЬЗОВТЬ ЗНАК РАВНО!!",
    " #",
    " #",
};

// Windows-1251 bytes of the lines, each ended by CR LF.
inline std::string FileBytes(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return Utf8ToCp1251(text);
}

inline std::vector<std::string> WithHeader(const std::vector<std::string>& entries) {
    std::vector<std::string> lines = kParamHeader;
    lines.insert(lines.end(), entries.begin(), entries.end());
    return lines;
}

// A logger that keeps the error lines and drops the messages.
class RecordingLogger : public Logger {
  public:
    std::vector<std::string> errors;
    void LogMessage(const std::string&) override {}
    void LogError(const std::string& text) override { errors.push_back(text); }
};

}  // namespace orvenka::test
