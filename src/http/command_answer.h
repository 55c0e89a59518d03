#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/dates.h"

// The answer of the HTTP door to a command: what the answer files say, as one JSON object
// {"id", "errors": [...], "documentNumber": n | null, "finishedAt": "ISO 8601"}. Empty errors
// mean success, exactly as an empty Result.txt does.
namespace orvenka {

struct CommandAnswer {
    std::string id;
    std::vector<std::string> errors;
    std::optional<int64_t> documentNumber;
    std::string finishedAt;
};

// The answer from the bytes of Result.txt (Windows-1251, or UTF-8 as the file readers tell), the
// bytes of ResultNumCheck.txt when this command wrote it (nullopt: it made no document), and the
// local time the command ended with the offset of local time from UTC. A Result.txt that is not
// empty is never an answer without errors, even when it holds only a line end.
CommandAnswer AnswerFromFiles(const std::string& id, const std::string& resultBytes,
                              const std::optional<std::string>& numberBytes, TDateTime finished,
                              int utcOffsetMinutes);

// "2026-12-09T13:46:12+03:00".
std::string FormatIso8601(TDateTime local, int utcOffsetMinutes);
// The offset of this machine's local time from UTC now, in minutes.
int LocalUtcOffsetMinutes();

// The answer as one line of JSON, fields in the documented order.
std::string AnswerJson(const CommandAnswer& answer);

}  // namespace orvenka
