// The JSON request reader on arbitrary bytes: a request or a Failure, nothing else. A request it
// takes gives lines that stay lines of their files, a command line the loop reads back as asked,
// and a canonical text that reads back as itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/failure.h"
#include "http/command_request.h"
#include "shell/command_parser.h"
#include "shell/goods_files.h"

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

void CheckLines(const std::optional<std::vector<std::string>>& lines, size_t group) {
    if (!lines)
        return;
    Check(lines->size() % group == 0);
    for (const std::string& line : *lines)
        Check(line.find_first_of("\r\n") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    orvenka::CommandRequest request;
    try {
        request = orvenka::ReadCommandRequest(body);
    } catch (const orvenka::Failure&) {
        return 0;
    }
    CheckLines(request.paramLines, 1);
    CheckLines(request.goodsLines, 4);
    CheckLines(request.extraLines, 3);
    if (request.goodsLines) {
        try {
            // Every goods line given is read: none is lost behind a blank name.
            Check(orvenka::ParseTovarLines(*request.goodsLines).size() ==
                  request.goodsLines->size() / 4);
        } catch (const orvenka::Failure&) {
        }
    }
    if (request.extraLines)
        Check(orvenka::ParseDopLines(*request.extraLines).size() == request.extraLines->size() / 3);
    const std::string line = orvenka::CommandLineOf(request);
    Check(line.find_first_of("\r\n") == std::string::npos);
    // The command loop's parser reads the line back into the command and the printer asked for.
    orvenka::TDeviceParam device;
    const orvenka::CommandText cmd =
        orvenka::ParseCommandLine(line, device, orvenka::DeviceKind::Emul);
    Check(cmd.original == request.command);
    Check(device.PrinterName == request.printer.value_or(""));
    Check(orvenka::ReadCommandRequest(request.canonical).canonical == request.canonical);
    return 0;
}
