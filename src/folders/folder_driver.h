#pragma once
#include <optional>
#include <string>

#include "common/device_kind.h"

// Which driver stands behind the register of an exchange folder: the key of the program's
// settings file in that folder (AtolDriver=, ShtrihDriver=), written by orvenka-folder create
// --driver and shown by orvenka-folder list.
namespace orvenka {

// The program's settings file in `folder`: the name of its link with the extension "ini".
std::string FolderSettingsPath(const std::string& folder);

// The settings key of the kind's driver; nullopt for the emulator, which has none.
std::optional<std::string> DriverKey(DeviceKind kind);

// A --driver value as it is written: "SIM" or "AUTO" (given in any letter case), or an
// absolute library path. Raises Failure naming what is wrong with anything else.
std::string DriverSetting(const std::string& given);

// Writes the kind's key with `setting` (from DriverSetting) into the folder's settings file,
// in place of the key's first line, every other line kept as it was; atomically.
void WriteDriverSetting(const std::string& folder, DeviceKind kind, const std::string& setting);

// The kind's driver as orvenka-folder list shows it: "симулятор", the library path, or for
// AUTO the library it finds now ("AUTO: /opt/...").
std::string DriverShown(const std::string& folder, DeviceKind kind);

}  // namespace orvenka
