// The emulated counters file on arbitrary bytes: counters, or a refusal with a reason, never a
// crash; and a counter the program would write reads back as the very same text.
#include <cstdint>
#include <string>

#include "backends/shared/emul_counters.h"
#include "common/failure.h"
#include "common/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    orvenka::TEmulVar counters;
    try {
        counters = orvenka::CountersFromLines(orvenka::SplitLines(orvenka::DecodeFileText(bytes)));
    } catch (const orvenka::Failure&) {
        return 0;  // no counters file: refused, and kept as it is
    }
    // A receipt and a shift closed on top of whatever was read.
    orvenka::RecordEmulatedReceipt(counters, "PRINT", 100.5, 0.5, 100);
    orvenka::CloseShiftCounters(counters);
    try {
        orvenka::CheckCounters(counters);
    } catch (const orvenka::Failure&) {
        return 0;  // never written
    }
    const auto written = orvenka::CountersLines(counters);
    if (orvenka::CountersLines(orvenka::CountersFromLines(written)) != written)
        __builtin_trap();
    return 0;
}
