#include "common/clock.h"

#include <sys/time.h>

#include <ctime>

namespace orvenka {

TDateTime SystemClock::Now() {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    std::tm local{};
    const time_t secs = tv.tv_sec;
    ::localtime_r(&secs, &local);
    DateParts p;
    p.year = local.tm_year + 1900;
    p.month = local.tm_mon + 1;
    p.day = local.tm_mday;
    p.hour = local.tm_hour;
    p.minute = local.tm_min;
    p.second = local.tm_sec;
    p.millisecond = static_cast<int>(tv.tv_usec / 1000);
    return EncodeDateTime(p);
}

}  // namespace orvenka
