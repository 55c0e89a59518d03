#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drivers/variant.h"

namespace orvenka {

// The LIBFPTR_ constants the ATOL back-end reads by name, with the values of the vendor's
// driver v10. The simulated register and the object over the vendor's library both answer from
// this one table, so a fiscal document means the same on either. Values may move between driver
// versions: check them against the header of the version a shop installs.
const std::vector<std::pair<std::string, Variant>>& Fptr10Constants();
// The value of a constant by name, without regard to case; nullopt for a name it does not have.
std::optional<Variant> Fptr10Constant(std::string_view name);

}  // namespace orvenka
