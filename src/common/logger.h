#pragma once
#include <string>

namespace orvenka {

// The event log as the lower layers see it: the message log and the error log.
class Logger {
  public:
    virtual ~Logger() = default;
    virtual void LogMessage(const std::string& text) = 0;
    virtual void LogError(const std::string& text) = 0;
};

}  // namespace orvenka
