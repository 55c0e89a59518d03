// A Param.ini the reader accepts, written back with the lines of the file kept (what the editor
// does when it saves a file it opened without a change): the reader must accept the new file and
// read the same record. Aborts on the first difference.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/param_reader.h"
#include "receipt/param_writer.h"
#include "support/null_platform.h"
#include "support/param_template.h"

namespace {

// What the template leaves out on purpose: the numeric name width, and a department 0 or a blank
// header line (written only when non-zero or not blank). Sums are kept to the writer's 15
// significant digits.
orvenka::TParam Comparable(orvenka::TParam p) {
    using orvenka::FormatGeneral;
    using orvenka::IsBlank;
    if (!p.NameFull)
        p.Name = 0;
    if (p.Section == 0)
        p.Section = 1;
    for (auto* head : {&p.CHECKSHAPKA1, &p.CHECKSHAPKA2, &p.CHECKSHAPKA3, &p.CHECKSHAPKA4}) {
        if (IsBlank(*head))
            head->clear();
    }
    for (double* sum : {&p.BreakSumNAL, &p.BreakSumVISA, &p.SUMMADOC})
        *sum = orvenka::ReadFloat(FormatGeneral(*sum), 0);
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string pid = std::to_string(::getpid());
    static const std::string path = "/tmp/orvenka-fuzz-roundtrip-" + pid + ".ini";
    static const std::string saved = "/tmp/orvenka-fuzz-roundtrip-" + pid + "-saved.ini";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    orvenka::test::RecordingLogger log;
    orvenka::test::NullPlatform platform;
    orvenka::TParam read;
    if (!orvenka::ReadParam(path, read, log, platform))
        return 0;
    try {
        orvenka::WriteParam(saved, read, orvenka::LoadLines(path));
    } catch (const std::exception&) {
        return 0;  // a value the template refuses (none expected; the reader checked SNO)
    }
    orvenka::TParam again;
    if (!orvenka::ReadParam(saved, again, log, platform)) {
        std::fprintf(stderr, "the saved file is refused: %s\n", log.errors.back().c_str());
        std::abort();
    }
    if (!(Comparable(again) == Comparable(read))) {
        std::fprintf(stderr, "the saved file reads another record\n");
        std::abort();
    }
    return 0;
}
