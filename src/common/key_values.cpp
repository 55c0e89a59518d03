#include "common/key_values.h"

#include "common/text.h"

namespace orvenka {
namespace {

// No key of ours is nearly this long; a longer "key" is looked up by a scan instead, so a line
// of junk never costs an upper-cased copy of itself.
constexpr std::size_t kIndexedKeyBytes = 256;

}  // namespace

KeyValueLines::KeyValueLines(std::vector<std::string> lines) : lines_(std::move(lines)) {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto eq = lines_[i].find('=');
        if (eq == std::string::npos || eq > kIndexedKeyBytes)
            continue;
        first_.try_emplace(UpperRus(std::string_view(lines_[i]).substr(0, eq)), Entry{i, eq + 1});
    }
}

std::optional<KeyValueLines::Entry> KeyValueLines::Find(std::string_view key) const {
    if (key.size() <= kIndexedKeyBytes) {
        const auto it = first_.find(UpperRus(key));
        if (it == first_.end())
            return std::nullopt;
        return it->second;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto eq = lines_[i].find('=');
        if (eq != std::string::npos && SameNoCase(std::string_view(lines_[i]).substr(0, eq), key))
            return Entry{i, eq + 1};
    }
    return std::nullopt;
}

std::optional<std::string> KeyValueLines::Value(std::string_view key) const {
    const auto entry = Find(key);
    if (!entry)
        return std::nullopt;
    return lines_[entry->line].substr(entry->valueStart);
}

}  // namespace orvenka
