#include "folders/folder_driver.h"

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/key_values.h"
#include "common/text.h"
#include "drivers/native/native_drivers.h"
#include "drivers/native/native_library.h"
#include "folders/exchange_folder.h"

namespace orvenka {

std::string FolderSettingsPath(const std::string& folder) {
    return InFolder(folder, std::string(kProgramLinkName) + ".ini");
}

std::optional<std::string> DriverKey(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Atol:
            return native::kAtolDriverKey;
        case DeviceKind::Shtrih:
            return native::kShtrihDriverKey;
        default:
            return std::nullopt;
    }
}

std::string DriverSetting(const std::string& given) {
    const std::string upper = UpperLatin(given);
    if (upper == "SIM" || upper == "AUTO")
        return upper;
    if (given.empty() || given[0] != '/')
        throw Failure("драйвер " + given +
                      ": укажите SIM, AUTO или полный путь к библиотеке драйвера (от /)");
    // The settings file is Windows-1251 text, one value a line.
    if (given.find_first_of("\r\n") != std::string::npos || FirstWithoutCp1251(given))
        throw Failure("путь " + given +
                      " нельзя записать в файл настроек (перевод строки или символ вне "
                      "Windows-1251)");
    return given;
}

void WriteDriverSetting(const std::string& folder, DeviceKind kind, const std::string& setting) {
    const auto key = DriverKey(kind);
    if (!key)
        throw Failure("у устройства " + KindName(kind) + " нет драйвера");
    const std::string path = FolderSettingsPath(folder);
    std::vector<std::string> lines;
    if (FileExists(path))
        lines = LoadLines(path, kMaxSmallFileBytes);
    const std::string line = *key + "=" + setting;
    bool replaced = false;
    for (std::string& l : lines) {
        const auto lineKey = LineKey(l);
        if (lineKey && SameNoCase(*lineKey, *key)) {
            l = line;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        lines.push_back(line);
    SaveLinesAtomic(path, lines);
}

std::string DriverShown(const std::string& folder, DeviceKind kind) {
    const native::NativeDriverSettings s =
        native::ReadNativeDriverSettings(FolderSettingsPath(folder));
    const bool atol = kind == DeviceKind::Atol;
    const std::string& setting = atol ? s.atolDriver : s.shtrihDriver;
    if (native::IsSimulatorSetting(setting))
        return "симулятор";
    const std::string path =
        atol ? native::DriverLibraryPath(setting, native::kAtolInstalledLibraries,
                                         native::kAtolLibraryFile)
             : native::DriverLibraryPath(setting, native::kShtrihInstalledLibraries,
                                         native::kShtrihLibraryFile);
    if (UpperLatin(setting) == "AUTO")
        return "AUTO: " + path;
    // A bare file name is looked for by the loader itself.
    if (path.find('/') == std::string::npos)
        return path + " (на путях загрузчика)";
    return FileExists(path) ? path : path + ", файла нет";
}

}  // namespace orvenka
