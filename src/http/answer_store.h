#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

// The answers of the HTTP door by the client's id, kept across restarts so that a request sent
// again after a lost connection is answered without being carried out twice.
namespace orvenka {

inline constexpr const char* kAnswerStoreFile = "HttpAnswers.jsonl";
// The answers kept at least: the newest this many ids.
inline constexpr std::size_t kKeptAnswers = 10000;

// Far more than twice the answers kept take: a journal beyond it is no journal of ours, and read
// whole it could take the memory the commands need.
inline constexpr std::uint64_t kMaxAnswerJournalBytes = 512ull * 1024 * 1024;

// The hash the store keeps of a request: SHA-256 of its canonical text.
std::string RequestHash(const std::string& canonical);

// An append-only journal, one record per line, each closed by a checksum and flushed to the
// disk before Put answers. A record torn by a crash, or spoilt, is left out when the journal is
// opened, and the journal is rewritten without it, so the next record starts on a line of its
// own. When the journal holds twice the answers kept, it is rewritten (atomically) with the
// newest ones. Never written through a symbolic link. Safe to use from several threads.
class AnswerStore {
  public:
    enum class Match {
        New,       // no answer under this id
        Same,      // the answer to the same request
        Conflict,  // the id answered a different request
    };
    struct Found {
        Match match = Match::New;
        std::string answer;  // when Same
    };

    // Opens (or creates) the journal at `path`. Raises Failure when it cannot be read or
    // written, holds more than kMaxAnswerJournalBytes, or when a symbolic link or anything but a
    // plain file stands in its place.
    explicit AnswerStore(std::string path, std::size_t keep = kKeptAnswers);

    Found Look(const std::string& id, const std::string& requestHash) const;
    // The stored answer of `id`, whatever its request; nullopt when there is none.
    std::optional<std::string> Answer(const std::string& id) const;
    // Keeps `answer` of the request `requestHash` under `id`, on the disk when it returns; a
    // later answer to the same request replaces an earlier one. Raises Failure when it cannot
    // be written (then nothing is kept) and for an id that answered a different request.
    void Put(const std::string& id, const std::string& requestHash, const std::string& answer);

    std::size_t Size() const;
    // Records of the journal left out when it was opened: torn by a crash or spoilt.
    std::size_t IgnoredRecords() const { return ignored_; }

  private:
    struct Entry {
        std::string requestHash;
        std::string answer;
    };
    void Keep(const std::string& id, Entry entry);
    std::string Journal() const;
    void Rewrite();

    std::string path_;
    std::size_t keep_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
    std::deque<std::string> order_;  // oldest first
    std::size_t records_ = 0;        // records in the journal file
    std::size_t ignored_ = 0;
};

}  // namespace orvenka
