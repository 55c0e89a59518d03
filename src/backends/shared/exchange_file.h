#pragma once
#include <string>

namespace orvenka {

// A file a command names without a folder is one of the exchange files of the program folder
// (`folder` ends in "/"). A driver given the bare name would look in whatever folder the
// process happens to run in.
inline std::string ExchangeFilePath(const std::string& folder, const std::string& name) {
    return !name.empty() && name.front() != '/' ? folder + name : name;
}

}  // namespace orvenka
