#pragma once
#include <string>

#include "receipt/records.h"

namespace orvenka {

// Writes `param` as a Param.ini template (header, then the keys that hold something, in fixed
// order), replacing the file atomically. Raises Failure (nothing written) on an invalid SNO or
// when the file cannot be written; answers true otherwise.
bool WriteParam(const std::string& path, const TParam& param);

}  // namespace orvenka
