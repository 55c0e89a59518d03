// Tovar.ini and Dop.ini line readers on arbitrary bytes: records or a Failure, nothing else.
#include <cstdint>
#include <string>

#include "common/failure.h"
#include "common/files.h"
#include "shell/goods_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto lines = orvenka::SplitLines(orvenka::DecodeFileText(bytes));
    try {
        orvenka::ParseTovarLines(lines);
    } catch (const orvenka::Failure&) {
    }
    orvenka::ParseDopLines(lines);
    return 0;
}
