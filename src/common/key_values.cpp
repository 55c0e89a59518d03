#include "common/key_values.h"

#include "common/text.h"

namespace orvenka {
namespace {

// No key of ours is nearly this long; a longer "key" is looked up by a scan instead, so a line
// of junk never costs an upper-cased copy of itself.
constexpr std::size_t kIndexedKeyBytes = 256;

}  // namespace

std::optional<std::string_view> LineKey(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return line.substr(0, eq);
}

KeyValueLines::KeyValueLines(std::vector<std::string> lines) : lines_(std::move(lines)) {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto key = LineKey(lines_[i]);
        if (!key || key->size() > kIndexedKeyBytes)
            continue;
        first_.try_emplace(UpperRus(*key), Entry{i, key->size() + 1});
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
        const auto lineKey = LineKey(lines_[i]);
        if (lineKey && SameNoCase(*lineKey, key))
            return Entry{i, lineKey->size() + 1};
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
