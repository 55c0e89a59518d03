#pragma once
#include "common/null_platform.h"

namespace orvenka::test {

// The core's platform that does nothing, under the name tests and fuzz targets know.
using NullPlatform = orvenka::NullPlatform;

}  // namespace orvenka::test
