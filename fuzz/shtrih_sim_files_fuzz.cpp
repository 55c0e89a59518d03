// The simulated Shtrih-M register on arbitrary state and faults files (the two halves of the
// input, split at the first NUL): it must answer result codes or raise a Failure, nothing else.
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "common/clock.h"
#include "common/failure.h"
#include "common/files.h"
#include "drivers/sim/simulators.h"

namespace {

class NullLogger : public orvenka::Logger {
  public:
    void LogMessage(const std::string&) override {}
    void LogError(const std::string&) override {}
};

std::string Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/orvenka-shtrih-fuzz-XXXXXX";
        return std::string(::mkdtemp(pattern)) + "/";
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvenka;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto nul = bytes.find('\0');
    const std::string folder = Folder();
    std::ofstream(folder + "DrvFR.sim.state.ini", std::ios::binary) << bytes.substr(0, nul);
    std::ofstream(folder + "DrvFR.sim.faults.ini", std::ios::binary)
        << (nul == std::string::npos ? "" : bytes.substr(nul + 1));
    DeleteFileIfExists(folder + "DrvFR.sim.tape.txt");

    NullLogger log;
    FixedClock clock(EncodeDateTime({2021, 2, 12, 10, 30, 15, 0}));
    DriverFactory factory(DriverEnvironment{folder, log, clock});
    RegisterSimulators(factory);
    try {
        auto fr = factory.Create("AddIn.DrvFR");
        fr->Set("Password", 30);
        for (const char* method : {"GetECRStatus", "GetActiveLD", "GetCountLD", "EnumLD",
                                   "FNGetStatus", "FNGetExpirationTime", "Draw"}) {
            fr->CallInt(method);
        }
        fr->Set("TableNumber", 20);
        fr->Set("RowNumber", 1);
        for (int field = 1; field <= 17; ++field) {
            fr->Set("FieldNumber", field);
            fr->CallInt("ReadTable");
        }
        fr->Set("Password", 1);
        fr->CallInt("OpenCheck");
        fr->Set("quantity", 1.5);
        fr->Set("Price", 10.0);
        fr->Set("CheckType", 1);
        fr->CallInt("FNOperation");
        fr->CallInt("CheckSubTotal");
        fr->Set("Summ1", fr->GetFloat("Summ1"));
        fr->CallInt("FNCloseCheckEx");
        fr->Set("Password", 30);
        fr->CallInt("SysAdminCancelCheck");
        fr->CallInt("PrintReportWithCleaning");
    } catch (const Failure&) {
    }
    return 0;
}
