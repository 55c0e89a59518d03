#pragma once
#include <stdexcept>
#include <string>

namespace orvenka {

// The one failure type of the program: carries the system's own (Russian, UTF-8) text.
// The command loop and the service actions catch it and hand the text to LogError.
class Failure : public std::runtime_error {
  public:
    explicit Failure(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace orvenka
