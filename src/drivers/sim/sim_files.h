#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/logger.h"

namespace orvenka {

// A fault a simulated register answers a method with instead of carrying it out.
struct SimFault {
    int code = 0;
    std::string description;
    bool once = false;  // only the next call
};

// The faults of a simulated register: set by tests, or by an integrator in the file
// "<stem>.faults.ini" of the program folder (read each time the driver object is created, so
// the next command sees a change). One key=value line each, keys without regard to case,
// lines starting with ";" are comments:
//   FAIL.<method>=<code>,<description>   every call of the method answers the code
//   CLOCK_OFFSET_MINUTES=<minutes>       the register's clock runs this far ahead (or behind)
//   PAPER_OUT=1                          the printer has no paper
//   BUSY=1                               the register stays busy printing and never finishes
class SimFaults {
  public:
    // Lines that make no sense are reported to the log and skipped; a missing file is no fault.
    static SimFaults Load(const std::string& path, Logger& log);
    static SimFaults FromLines(const std::vector<std::string>& lines, Logger& log,
                               const std::string& source);

    void FailCall(std::string_view method, int code, std::string description, bool once = false);
    // The fault of the method, if any; a fault for one call only is used up.
    std::optional<SimFault> Take(std::string_view method);

    double clockOffsetMinutes = 0;
    bool paperOut = false;
    bool busy = false;

  private:
    std::map<std::string, SimFault> calls_;      // upper-cased method name
    std::map<std::string, SimFault> onceCalls_;  // for the next call only
};

// The state a simulated register keeps across restarts, in "<stem>.state.ini": key=value lines,
// saved whole and atomically after every change. A file that cannot be read gives the defaults
// and a line in the log.
class SimState {
  public:
    SimState(std::string path, Logger& log);

    int64_t Int(std::string_view key, int64_t defaultValue) const;
    double Float(std::string_view key, double defaultValue) const;
    std::string Text(std::string_view key, const std::string& defaultValue = {}) const;
    void Set(std::string_view key, const std::string& value);
    void Set(std::string_view key, int64_t value) { Set(key, std::to_string(value)); }
    void SetFloat(std::string_view key, double value);
    void Save();

  private:
    const std::string* Find(std::string_view key) const;

    std::string path_;
    Logger& log_;
    std::vector<std::pair<std::string, std::string>> values_;  // in the order first set
    std::map<std::string, size_t> index_;  // upper-cased key -> place in values_
};

// What a simulated register "prints": text lines appended to "<stem>.tape.txt". Every document
// starts with a mark that it comes from a simulator, so nothing on the tape can pass for a real
// fiscal document.
class SimTape {
  public:
    SimTape(std::string path, std::string registerName)
        : path_(std::move(path)), name_(std::move(registerName)) {}

    void BeginDocument(const std::string& title);
    void Line(const std::string& text);
    // Several lines in one write (a long document costs one append, not one per line).
    void Lines(const std::vector<std::string>& lines);
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::string name_;
};

}  // namespace orvenka
