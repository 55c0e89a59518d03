#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/dates.h"
#include "receipt/records.h"

namespace orvenka {

// The widest paper the emulated layouts accept, in characters. Receipt paper holds a few dozen,
// an A4 sheet across about 160 in a small font; wider than this no printer prints a line
// legibly. Every laid-out line is padded to the paper width, so the limit is also what keeps a
// receipt's memory in proportion to what can be printed (a width of 100,000 made 3,000 goods
// lines take a gigabyte).
inline constexpr long kEmulMaxWidth = 255;

// Raises Failure unless the paper widths of the emulated layouts are set (and sane).
void CheckEmulParams(const TParam& param);

// One line of the emulated shift report: a caption and its value, printed as a pair (the value
// at the right edge), or a text printed alone and wrapped to the paper width (the address).
struct ReportLine {
    std::string caption;
    std::string value;
    bool wrapped = false;

    bool operator==(const ReportLine&) const = default;
};

// The emulated X report (closing false) or Z report (closing true) of the counters as they stand
// before the report changes them, with the requisites of the last Param.ini read. Each back-end
// prints the lines its own way: the emulator into its document, a register as its pair lines.
std::vector<ReportLine> EmulReportLines(const TParam& param, const TEmulVar& counters, bool closing,
                                        TDateTime now, int64_t fiscalSign);

}  // namespace orvenka
