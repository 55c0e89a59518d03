#include "shell/command_parser.h"

#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {

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

CommandText ParseCommandLine(std::string_view line, TDeviceParam& device, DeviceKind startupKind) {
    // Upper-casing touches Latin letters only, so both spellings split into the same items.
    const std::string upper = UpperLatin(line);
    const std::vector<std::string> items = SplitCommandLine(upper);
    const std::vector<std::string> originalItems = SplitCommandLine(line);

    CommandText cmd{upper, std::string(line)};
    if (items.size() < 2) {
        device.SimpleForm = true;
        device.LogicalDevice = 1;
        device.Kind = startupKind;
        if (device.Kind == DeviceKind::Emul)
            device.PrinterName.clear();
        device.Arguments.clear();
        device.Command = cmd.word;
        return cmd;
    }

    const std::string& deviceWord = items[0];
    const bool printer = SameTrimmed(deviceWord, "PRN");
    if (SameTrimmed(deviceWord, "ATOL")) {
        device.Kind = DeviceKind::Atol;
    } else if (SameTrimmed(deviceWord, "SHTRIH")) {
        device.Kind = DeviceKind::Shtrih;
    } else if (printer) {
        device.Kind = DeviceKind::Emul;
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
