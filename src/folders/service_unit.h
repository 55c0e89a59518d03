#pragma once
#include <string>

// The systemd service of one exchange folder: an instance of the template orvenka@.service
// named after the folder's path.
namespace orvenka {

inline constexpr const char* kServiceTemplate = "orvenka@.service";

// The path as "systemd-escape --path" gives it: "/srv/kassa 1" -> "srv-kassa\x201".
std::string SystemdEscapePath(const std::string& path);

// "orvenka@<escaped path>.service". Raises Failure when the name is longer than systemd allows
// (a deep path of Cyrillic letters takes four characters a byte).
std::string ServiceUnitName(const std::string& folder);

// The drop-in that runs a folder's service as the folder's owner.
std::string OwnerDropIn(const std::string& user, const std::string& group);

}  // namespace orvenka
