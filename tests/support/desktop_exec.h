#pragma once
#include <optional>
#include <string>
#include <vector>

namespace orvenka::test {

// The arguments a desktop environment runs for an Exec value as it stands in a desktop entry,
// read by the freedesktop.org desktop-entry rules on their own (not by the code that
// writes entries): first the escapes of a string value, then the quoting of the Exec key, then
// "%%". nullopt for a value those rules refuse.
inline std::optional<std::vector<std::string>> ParseDesktopExec(const std::string& value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            text += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        switch (value[i]) {
            case 's':
                text += ' ';
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'r':
                text += '\r';
                break;
            case '\\':
                text += '\\';
                break;
            default:
                text += '\\';
                text += value[i];
        }
    }
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ') {
            if (inArg)
                args.push_back(arg);
            arg.clear();
            inArg = false;
        } else if (c == '"') {
            inArg = true;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') {
                    if (i + 1 == text.size())
                        return std::nullopt;
                    const char next = text[i + 1];
                    if (next != '"' && next != '`' && next != '$' && next != '\\')
                        return std::nullopt;
                    ++i;
                }
                arg += text[i];
            }
            if (i == text.size())
                return std::nullopt;  // no closing quote
        } else {
            // Outside quotes the reserved characters must not appear.
            if (std::string("\t\n\"'\\><~|&;$*?#()`").find(c) != std::string::npos)
                return std::nullopt;
            inArg = true;
            arg += c;
        }
    }
    if (inArg)
        args.push_back(arg);
    for (auto& a : args) {
        std::string plain;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i] == '%') {
                if (i + 1 == a.size() || a[i + 1] != '%')
                    return std::nullopt;  // a field code; the entries use none
                ++i;
            }
            plain += a[i];
        }
        a = plain;
    }
    return args;
}

}  // namespace orvenka::test
