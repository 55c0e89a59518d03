#include "shell/command_parser.h"

#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {
namespace {

bool IsSpace(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= 32;
}

// Items of the comma-separated-text rule; p walks the line, end is a NUL or the line's end.
std::string TakeQuoted(std::string_view text, size_t& p) {
    std::string item;
    ++p;  // opening quote
    while (p < text.size()) {
        const char c = text[p];
        if (c == '"') {
            if (p + 1 < text.size() && text[p + 1] == '"') {
                item += '"';
                p += 2;
                continue;
            }
            ++p;  // closing quote
            return item;
        }
        item += c;
        ++p;
    }
    return item;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view line) {
    // Text after a NUL is not part of the line.
    if (const auto nul = line.find('\0'); nul != std::string_view::npos)
        line = line.substr(0, nul);
    std::vector<std::string> items;
    size_t p = 0;
    while (p < line.size() && IsSpace(line[p]))
        ++p;
    while (p < line.size()) {
        if (line[p] == '"') {
            items.push_back(TakeQuoted(line, p));
        } else {
            const size_t start = p;
            while (p < line.size() && !IsSpace(line[p]) && line[p] != ',')
                ++p;
            items.emplace_back(line.substr(start, p - start));
        }
        while (p < line.size() && IsSpace(line[p]))
            ++p;
        if (p < line.size() && line[p] == ',') {
            if (p + 1 == line.size())
                items.emplace_back();
            ++p;
            while (p < line.size() && IsSpace(line[p]))
                ++p;
        }
    }
    return items;
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    if (line.find(',') == std::string_view::npos) {
        std::string quoted;
        quoted.reserve(line.size() + 2);
        quoted += '"';
        quoted += line;
        quoted += '"';
        return SplitCommaText(quoted);
    }
    return SplitCommaText(line);
}

CommandText ParseCommandLine(std::string_view line, TDeviceParam& device, char startupKind) {
    // Upper-casing touches Latin letters only, so both spellings split into the same items.
    const std::string upper = UpperLatin(line);
    const std::vector<std::string> items = SplitCommandLine(upper);
    const std::vector<std::string> originalItems = SplitCommandLine(line);

    CommandText cmd{upper, std::string(line)};
    if (items.size() < 2) {
        device.SimpleForm = true;
        device.LogicalDevice = 1;
        device.Kind = startupKind;
        if (device.Kind == 'E')
            device.PrinterName.clear();
        device.Arguments.clear();
        device.Command = cmd.word;
        return cmd;
    }

    const std::string& deviceWord = items[0];
    const bool printer = SameTrimmed(deviceWord, "PRN");
    if (SameTrimmed(deviceWord, "ATOL")) {
        device.Kind = 'A';
    } else if (SameTrimmed(deviceWord, "SHTRIH")) {
        device.Kind = 'S';
    } else if (printer) {
        device.Kind = 'E';
        device.PrinterName = originalItems[1];
    }
    if (!printer)
        device.LogicalDevice = ReadInt(items[1], 1);

    if (items.size() >= 3)
        cmd = {items[2], originalItems[2]};
    device.Arguments.clear();
    for (size_t i = 3; i < items.size(); ++i)
        device.Arguments += items[i] + " ";
    device.Command = cmd.word;
    device.SimpleForm = false;
    return cmd;
}

}  // namespace orvenka
