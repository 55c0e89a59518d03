#pragma once
#include <array>
#include <optional>
#include <string>

namespace orvenka {

// The kind of device a command goes to. The value is the letter that names the kind in the
// emulated counters file ("E0012345.ini") and in the test journals.
enum class DeviceKind : char {
    None = 0,  // no kind yet: the first long-form command named an unknown device word
    Atol = 'A',
    Shtrih = 'S',
    Emul = 'E',
};

// The kinds in the order of the device dialog ("Atol", "Shtrih", "Emul(Принтер)"), which is also
// the order in which their drivers are released.
inline constexpr std::array<DeviceKind, 3> kDeviceKinds = {DeviceKind::Atol, DeviceKind::Shtrih,
                                                           DeviceKind::Emul};

constexpr char KindLetter(DeviceKind kind) {
    return static_cast<char>(kind);
}

// "EMUL", "ATOL", "SHTRIH" in any letter case, with or without the leading "/" of the program's
// own argument; nullopt for anything else.
std::optional<DeviceKind> KindFromName(const std::string& name);
std::string KindName(DeviceKind kind);      // "EMUL"
std::string KindArgument(DeviceKind kind);  // "/EMUL", the program's first argument

}  // namespace orvenka
