#pragma once
#include <string>
#include <utility>
#include <vector>

// The print server as the program talks to it: never without a bound on the time it waits, so
// that a server that takes the connection and then never answers cannot hold the command loop.
namespace orvenka::gui {

// How long one exchange with the print server may take before it counts as not answering.
inline constexpr int kCupsAnswerSeconds = 5;

// Raises Failure when a print server is there but does not answer a simple question in time.
// Nothing listening at all passes: the queues are then simply not found.
void CheckCupsAnswers();

// Submits `file` to `queue` as one job with an empty title and the given options; raises
// Failure with the server's reason when it refuses, or when it does not answer in time.
void SubmitPrintJob(const std::string& queue, const std::string& file,
                    const std::vector<std::pair<std::string, std::string>>& options);

}  // namespace orvenka::gui
