#pragma once
#include <cmath>
#include <string>

#include "common/failure.h"
#include "drivers/automation_object.h"
#include "drivers/shtrih_passwords.h"

namespace orvenka::shtrih {

inline constexpr const char* kProgId = "AddIn.DrvFR";
inline constexpr int kAdmin = kShtrihAdministratorPassword;
inline constexpr int kOperator = kShtrihOperatorPassword;

// The one place where a driver result becomes our failure: a non-zero result raises `prefix`
// followed by the driver's own description.
inline void Check(AutomationObject& fr, int result, const std::string& prefix = {}) {
    if (result != 0)
        throw Failure(prefix + fr.GetText("ResultCodeDescription"));
}

// A date-time the driver answered, as a value the date routines can take: from the year 1 to
// the year 9999, or a failure.
inline TDateTime DriverDate(AutomationObject& fr, const char* name) {
    const TDateTime t = fr.Get(name).ToDateTime();
    if (!std::isfinite(t) || t < -693593 || t > 2958466)
        throw Failure(std::string("Штрих: драйвер вернул недопустимое значение ") + name);
    return t;
}

}  // namespace orvenka::shtrih
