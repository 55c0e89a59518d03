// ATOL device files (ATOLDEVICE<n>.ini) on arbitrary bytes: settings or a Failure, nothing else.
#include <cstdint>
#include <string>

#include "backends/atol/atol_device_files.h"
#include "common/failure.h"
#include "common/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        orvenka::ParseAtolDeviceLines("ATOLDEVICE1.ini", 1,
                                      orvenka::SplitLines(orvenka::DecodeFileText(bytes)));
    } catch (const orvenka::Failure&) {
    }
    return 0;
}
