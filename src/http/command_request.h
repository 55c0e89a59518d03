#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/device_kind.h"

// The JSON body of POST /v1/commands, read into what the file protocol carries: a command line,
// and the lines of Param.ini, Tovar.ini and Dop.ini exactly as the file readers read them. The
// receipt itself is checked by those readers, with their texts, so that the JSON door and the
// files can never disagree; this reader checks only the shape of the request.
namespace orvenka {

// A body of more bytes is refused before it is parsed.
inline constexpr std::size_t kMaxRequestBytes = 8 * 1024 * 1024;
inline constexpr int kDefaultWaitSeconds = 60;

struct CommandRequest {
    std::string id;       // the client's, 1-64 characters [A-Za-z0-9._-]
    std::string command;  // a command word of the dispatch table, as written
    std::optional<DeviceKind> device;
    std::optional<int> logicalDevice;    // ATOL and SHTRIH only
    std::optional<std::string> printer;  // EMUL only
    // Absent: the command has no such file; the working folder's are never read for it.
    std::optional<std::vector<std::string>> paramLines;  // key=value
    std::optional<std::vector<std::string>> goodsLines;  // four lines per goods line
    std::optional<std::vector<std::string>> extraLines;  // three lines per extra line
    int waitSeconds = kDefaultWaitSeconds;
    // The request without waitSeconds in one fixed spelling: two bodies that ask for the same
    // thing have the same canonical text, whatever their order of fields and blanks.
    std::string canonical;
};

// Raises Failure with a Russian text naming the field for a body beyond kMaxRequestBytes,
// malformed JSON (or not UTF-8), a field twice, an unknown field, a field of the wrong type or
// value, and a text that would not stay one line (or one field of a composite line) of its file.
CommandRequest ReadCommandRequest(std::string_view body);

// The fields the reader takes: of the request, of a goods line, of an extra line given as an
// object. Any other field is refused.
const std::vector<std::string_view>& RequestFields();
const std::vector<std::string_view>& GoodsFields();
const std::vector<std::string_view>& ExtraLineFields();

// The cmd.ini line of the request: the short form without a device, the long form
// (ATOL|SHTRIH,n,WORD or PRN,printer,WORD) with one.
std::string CommandLineOf(const CommandRequest& request);

}  // namespace orvenka
