#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvenka {

// The key of one line of a key=value file: the text before its first "=", as written; nullopt
// for a line without "=".
std::optional<std::string_view> LineKey(std::string_view line);

// The lines of a key=value file: Param.ini, the settings file, the emulated counters file, the
// ATOL device files. One rule for all of them: the key is the text before the first "=", as
// written (blanks are part of it), matched without regard to case (Latin and Cyrillic); the
// first matching line wins; the value is the text after that "=", as written.
class KeyValueLines {
  public:
    explicit KeyValueLines(std::vector<std::string> lines);

    // nullopt when no line has the key.
    std::optional<std::string> Value(std::string_view key) const;
    bool Has(std::string_view key) const { return Value(key).has_value(); }

    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    struct Entry {
        std::size_t line;
        std::size_t valueStart;
    };
    std::optional<Entry> Find(std::string_view key) const;

    std::vector<std::string> lines_;
    // The first line of every key up to kIndexedKeyBytes, upper-cased, so a file is read in
    // time linear in its size however many keys are asked for.
    std::unordered_map<std::string, Entry> first_;
};

}  // namespace orvenka
