#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "receipt/records.h"

namespace orvenka {

// The command word of one cmd.ini line in two spellings: upper-cased (Latin letters), which is
// what the dispatch rows are matched against, and as the accounting system wrote it, which is
// where file names and QR data are taken from.
struct CommandText {
    std::string word;
    std::string original;
};

// The items of a command line: a line without a comma is taken in double quotes first, so that
// it is one item unless it holds double quotes of its own.
std::vector<std::string> SplitCommandLine(std::string_view line);

// Parses one command line into `device` and answers the command word. The line may be in any
// case; it is matched upper-cased. Short form (fewer than 2 items): the whole line on
// `startupKind`, logical device 1, no arguments. Long form: device word (ATOL / SHTRIH / PRN;
// any other keeps the previous kind), logical device or printer, command word, then arguments.
CommandText ParseCommandLine(std::string_view line, TDeviceParam& device, DeviceKind startupKind);

}  // namespace orvenka
