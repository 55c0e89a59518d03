#pragma once
#include <cstdint>
#include <string>

// Dates and times as the behaviour counts them: a TDateTime is the number of days since
// 30 December 1899 (local time), the fraction being the time of day.
namespace orvenka {

using TDateTime = double;

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

TDateTime EncodeDateTime(const DateParts& p);
DateParts DecodeDateTime(TDateTime t);
bool IsValidDate(int year, int month, int day);

// The system short date and long time formats of the program: "dd.mm.yyyy" and "hh:mm:ss".
std::string FormatDate(TDateTime t);
std::string FormatTime(TDateTime t);
std::string FormatDateTime(TDateTime t);  // date, one blank, time

// yyyymmdd from a date text; raises Failure "StrToDateInt:Плохая дата(" + text + ")".
int StrToDateInt(const std::string& text);
int DateToInt(TDateTime date);

}  // namespace orvenka
