#pragma once
#include <string>
#include <vector>

#include "common/logger.h"

namespace orvenka::test {

// The event log as a list: messages as written, errors marked "ERROR ".
class ListLogger : public Logger {
  public:
    std::vector<std::string> messages;
    void LogMessage(const std::string& text) override { messages.push_back(text); }
    void LogError(const std::string& text) override { messages.push_back("ERROR " + text); }
};

}  // namespace orvenka::test
