#include "http/answer_store.h"

#include <nlohmann/json.hpp>

#include "common/failure.h"
#include "common/files.h"
#include "http/sha256.h"

namespace orvenka {
namespace {

using nlohmann::json;

constexpr std::size_t kChecksumChars = 16;

// A record: the JSON of the entry, a blank, the start of its SHA-256, a line end. A JSON text
// dumped on one line holds no line end of its own.
std::string Record(const std::string& id, const std::string& hash, const std::string& answer) {
    const std::string payload = json{{"id", id}, {"request", hash}, {"answer", answer}}.dump();
    return payload + " " + Sha256Hex(payload).substr(0, kChecksumChars) + "\n";
}

struct Parsed {
    std::string id;
    std::string hash;
    std::string answer;
};

std::optional<Parsed> ParseRecord(std::string_view line) {
    if (line.size() < kChecksumChars + 1 || line[line.size() - kChecksumChars - 1] != ' ')
        return std::nullopt;
    const std::string_view payload = line.substr(0, line.size() - kChecksumChars - 1);
    if (Sha256Hex(payload).substr(0, kChecksumChars) != line.substr(payload.size() + 1))
        return std::nullopt;
    const json doc = json::parse(payload, nullptr, false);
    if (!doc.is_object())
        return std::nullopt;
    const auto text = [&](const char* key) -> const std::string* {
        const auto it = doc.find(key);
        return it != doc.end() && it->is_string() ? &it->get_ref<const std::string&>() : nullptr;
    };
    const std::string* id = text("id");
    const std::string* hash = text("request");
    const std::string* answer = text("answer");
    if (!id || !hash || !answer)
        return std::nullopt;
    return Parsed{*id, *hash, *answer};
}

}  // namespace

std::string RequestHash(const std::string& canonical) {
    return Sha256Hex(canonical);
}

AnswerStore::AnswerStore(std::string path, std::size_t keep) : path_(std::move(path)), keep_(keep) {
    // Read through a link, the journal would answer with what someone else's file says.
    if (EntryStampOf(path_) && !StampOf(path_)) {
        throw Failure("Хранилище ответов HTTP \"" + path_ +
                      "\": на его месте не обычный файл (ссылка, папка или устройство)");
    }
    if (!EntryStampOf(path_)) {
        CreateFileBytesExclusive(path_, "");
        return;
    }
    const std::string bytes = ReadFileBytes(path_, kMaxAnswerJournalBytes);
    std::size_t start = 0;
    bool torn = false;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        // The last record of a crash: kept when only its line end is missing.
        if (end == std::string::npos) {
            torn = true;
            end = bytes.size();
        }
        const auto record = ParseRecord(std::string_view(bytes).substr(start, end - start));
        if (record) {
            Keep(record->id, {record->hash, record->answer});
            ++records_;
        } else {
            ++ignored_;
        }
        start = end + 1;
    }
    if (torn || ignored_ > 0 || records_ >= 2 * keep_)
        Rewrite();
}

void AnswerStore::Keep(const std::string& id, Entry entry) {
    const auto it = entries_.find(id);
    if (it != entries_.end()) {
        it->second = std::move(entry);
        return;
    }
    entries_.emplace(id, std::move(entry));
    order_.push_back(id);
    while (order_.size() > keep_) {
        entries_.erase(order_.front());
        order_.pop_front();
    }
}

std::string AnswerStore::Journal() const {
    std::string bytes;
    for (const std::string& id : order_) {
        const Entry& e = entries_.at(id);
        bytes += Record(id, e.requestHash, e.answer);
    }
    return bytes;
}

void AnswerStore::Rewrite() {
    WriteFileBytesAtomic(path_, Journal());
    records_ = order_.size();
}

AnswerStore::Found AnswerStore::Look(const std::string& id, const std::string& requestHash) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = entries_.find(id);
    if (it == entries_.end())
        return {};
    if (it->second.requestHash != requestHash)
        return {Match::Conflict, {}};
    return {Match::Same, it->second.answer};
}

std::optional<std::string> AnswerStore::Answer(const std::string& id) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = entries_.find(id);
    if (it == entries_.end())
        return std::nullopt;
    return it->second.answer;
}

void AnswerStore::Put(const std::string& id, const std::string& requestHash,
                      const std::string& answer) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = entries_.find(id);
    if (it != entries_.end() && it->second.requestHash != requestHash) {
        throw Failure("Хранилище ответов HTTP: идентификатор \"" + id +
                      "\" уже занят другим запросом");
    }
    // On the disk first: an answer kept only in memory would be lost with a crash, and the
    // request sent again would be carried out twice.
    AppendBytesSynced(path_, Record(id, requestHash, answer));
    ++records_;
    Keep(id, {requestHash, answer});
    if (records_ >= 2 * keep_) {
        try {
            Rewrite();
        } catch (const Failure&) {
            // The answer is kept; the journal is only longer, and the next answer tries again.
        }
    }
}

std::size_t AnswerStore::Size() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

}  // namespace orvenka
