#pragma once
#include <string>

#include "common/failure.h"
#include "drivers/automation_object.h"
#include "drivers/shtrih_passwords.h"

namespace orvenka::shtrih {

inline constexpr const char* kProgId = "AddIn.DrvFR";

// The one place where a driver result becomes our failure: a non-zero result raises `prefix`
// followed by the driver's own description.
inline void Check(AutomationObject& fr, int result, const std::string& prefix = {}) {
    if (result != 0)
        throw Failure(prefix + fr.GetText("ResultCodeDescription"));
}

}  // namespace orvenka::shtrih
