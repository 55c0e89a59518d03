#pragma once
#include <string>
#include <vector>

#include "drivers/driver_factory.h"

namespace orvenka::native {

// Which driver stands behind each register kind, from the settings file beside the program:
// ShtrihDriver= and AtolDriver= (absent or SIM: the simulated register; AUTO: the vendor's
// library where its package installs it, else on the loader's path; anything else: the path of
// the library), and ShtrihConnection= (the driver's ConnectionURI).
struct NativeDriverSettings {
    std::string shtrihDriver;
    std::string shtrihConnection;
    std::string atolDriver;
};
inline constexpr const char* kShtrihDriverKey = "ShtrihDriver";
inline constexpr const char* kShtrihConnectionKey = "ShtrihConnection";
inline constexpr const char* kAtolDriverKey = "AtolDriver";

// A file that is missing or unreadable names no library.
NativeDriverSettings ReadNativeDriverSettings(const std::string& iniPath);

// Where the vendors' packages put their libraries, tried in order for AUTO.
extern const std::vector<std::string> kShtrihInstalledLibraries;
extern const std::vector<std::string> kAtolInstalledLibraries;
inline constexpr const char* kShtrihLibraryFile = "libclassic_fr_drv_ng.so";
inline constexpr const char* kAtolLibraryFile = "libfptr10.so";

// Puts the vendor's library, for each kind whose setting names one, behind the ProgID in place
// of the simulator. The library is loaded when the first object is created; a library that does
// not load fails every creation with its path and the loader's reason, and never falls back to
// the simulator.
void RegisterNativeDrivers(DriverFactory& factory, const NativeDriverSettings& settings);

}  // namespace orvenka::native
