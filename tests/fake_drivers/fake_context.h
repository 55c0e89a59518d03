#pragma once
// What both fake vendor libraries share: a simulated register in the folder the tests name,
// and a record of every call that reached the library, one line each, so tests can see what
// crossed the C interface ("Set_Price 4550", "libfptr_destroy").
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/clock.h"
#include "common/logger.h"
#include "drivers/driver_factory.h"

namespace orvenka::fake {

// The folder of the register's files: ORVENKA_FAKE_DRIVER_DIR, else the current one.
inline std::string FakeFolder() {
    const char* dir = std::getenv("ORVENKA_FAKE_DRIVER_DIR");
    std::string folder = dir && *dir ? dir : ".";
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

// Set to refuse the creation of a context, as a driver without its licence or device does.
inline bool Refuses() {
    const char* refuse = std::getenv("ORVENKA_FAKE_DRIVER_REFUSE");
    return refuse && *refuse;
}

class CallsLogger : public Logger {
  public:
    void LogMessage(const std::string&) override {}
    void LogError(const std::string&) override {}
};

template <class Register>
struct Context {
    explicit Context(const std::string& callsFile)
        : folder(FakeFolder()),
          calls(folder + callsFile, std::ios::app),
          env{folder, log, clock},
          reg(env) {}
    void Record(const std::string& line) { calls << line << '\n' << std::flush; }

    std::string folder;
    std::ofstream calls;
    CallsLogger log;
    SystemClock clock;
    DriverEnvironment env;
    Register reg;
};

}  // namespace orvenka::fake
