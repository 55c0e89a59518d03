#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "common/dates.h"

// Values as the vendors' C interfaces carry them, and back to the values of the back-ends.
namespace orvenka::native {

// Money crosses the Shtrih-M classic interface as whole kopecks in an int64. The vendor does
// not state the unit; kopecks is what its classic driver uses, and it is to be confirmed on a
// device (a price of 1.00 must print as 1.00).
inline constexpr int64_t kKopecksPerRouble = 100;
// Roubles (as the back-ends count them) to the driver's units, rounded half away from zero;
// a value beyond int64 raises Failure.
int64_t ToDriverMoney(double roubles);
double FromDriverMoney(int64_t units);

// wchar_t is UTF-32 with glibc. A character that is not a Unicode scalar value becomes U+FFFD.
std::wstring ToWide(std::string_view utf8);
std::string FromWide(std::wstring_view text);

// time_t of the driver read as local time, as the register keeps its clock; a TDateTime
// outside what time_t can hold raises Failure.
std::time_t ToTimeT(TDateTime t);
TDateTime FromTimeT(std::time_t t);

// The six ints of the ATOL driver's date-times: full year, month 1-12, day, hour, minute,
// second.
struct SixInts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
SixInts ToSixInts(TDateTime t);
// An impossible date (a driver that answers zeros) is the zero date, 30.12.1899.
TDateTime FromSixInts(const SixInts& s);

}  // namespace orvenka::native
