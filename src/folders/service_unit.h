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

// What one folder's service needs beyond the confinement the template gives every folder.
struct ServiceNeeds {
    std::string user, group;  // the folder's owner; empty for a folder of root
    bool inHome = false;      // under /home, /root or /run/user, which the template hides
    bool network = false;     // a register reached over TCP, or the HTTP door
};

// The drop-in of a folder's service, in <unit>.d/ of the systemd folder.
inline constexpr const char* kServiceDropInName = "folder.conf";
// The name earlier versions wrote the owner under; removed with the service.
inline constexpr const char* kOldServiceDropInName = "owner.conf";
std::string ServiceDropIn(const ServiceNeeds& needs);

bool InHomeArea(const std::string& folder);

// Whether a vendor's driver named in the folder's settings file reaches its register over TCP:
// Shtrih-M with a tcp:// connection or none (the driver's own, which may be the network), ATOL
// with a device file whose port is TCP_IP or left to the driver. The simulators need no network.
// The HTTP door (HttpListen=) needs it too, whatever its address.
bool RegisterOverNetwork(const std::string& folder);

}  // namespace orvenka
