// The cmd.ini line parser and the dispatch matching on arbitrary bytes.
#include <cstdint>
#include <string>

#include "common/files.h"
#include "common/text.h"
#include "shell/command_parser.h"
#include "shell/dispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto lines = orvenka::SplitLines(orvenka::DecodeFileText(bytes));
    const std::string line = lines.empty() ? std::string() : lines[0];
    orvenka::TDeviceParam device;
    const auto cmd =
        orvenka::ParseCommandLine(orvenka::UpperLatin(line), device, orvenka::DeviceKind::Emul);
    for (const auto& row : orvenka::DispatchTable())
        orvenka::RowMatches(row, cmd.word);
    orvenka::CommandAmount(cmd.word);
    orvenka::TextAfterEquals(cmd.original, 1000);
    return 0;
}
