#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/failure.h"
#include "common/logger.h"
#include "drivers/automation_object.h"

namespace orvenka {

// In-order record of every set, get and call on the objects of one factory, for tests that
// compare the driver traffic with the lists of the behaviour. Lines: "Password:=30",
// "ECRMode?", "OpenCheck()", "getParamInt(65538)".
struct DriverTraffic {
    std::vector<std::string> lines;
};

// What a driver object may use of the program: the working folder (where simulated registers
// keep their files), the event log and the clock. `traffic`, when set, records every call.
struct DriverEnvironment {
    std::string folder;  // ends in "/"
    Logger& log;
    Clock& clock;
    DriverTraffic* traffic = nullptr;
};

// The failure of a driver that cannot be there at all: its library does not load or is not the
// vendor's. Trying again at once cannot help, so whoever retries a creation stops at this one.
class DriverMissing : public Failure {
  public:
    using Failure::Failure;
};

// Creates driver objects by ProgID ("AddIn.DrvFR", "AddIn.Fptr10"), as creating an automation
// object by its class name does. The one place where a driver plugs in: on Linux the simulated
// registers; a Windows COM adapter or a native protocol driver would register here too.
class DriverFactory {
  public:
    using Creator = std::function<std::unique_ptr<AutomationObject>(const DriverEnvironment&)>;
    // What stands behind a ProgID, for the operator (the library and its version).
    using Describer = std::function<std::string()>;

    explicit DriverFactory(DriverEnvironment environment) : environment_(std::move(environment)) {}

    // The ProgID is matched without regard to case; a later registration replaces an earlier.
    void Register(const std::string& progId, Creator creator, Describer describe = {});
    // Raises the Failure of a failed object creation when nothing answers to the name.
    std::unique_ptr<AutomationObject> Create(const std::string& progId) const;
    bool Knows(const std::string& progId) const;
    // The description registered with the ProgID; empty when there is none.
    std::string Describe(const std::string& progId) const;

    const DriverEnvironment& Environment() const { return environment_; }

  private:
    DriverEnvironment environment_;
    std::map<std::string, Creator> creators_;
    std::map<std::string, Describer> describers_;
};

}  // namespace orvenka
