#include "backends/atol/atol_device_files.h"

#include <vector>

#include "common/failure.h"
#include "common/files.h"
#include "common/key_values.h"
#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {
namespace {

const char* const kPrefix = "ATOLDEVICE";

// The n of "ATOLDEVICE<n>.ini" (any case), 0 when the name is not one.
int NumberOf(const std::string& fileName) {
    const std::string upper = UpperLatin(fileName);
    const std::string prefix = kPrefix;
    const std::string suffix = ".INI";
    if (upper.size() <= prefix.size() + suffix.size() || upper.rfind(prefix, 0) != 0 ||
        upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return 0;
    }
    const std::string digits =
        upper.substr(prefix.size(), upper.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > 9 || digits[0] == '0')
        return 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return 0;
    }
    return std::stoi(digits);
}

std::string Cut50(const std::string& text) {
    return LeftChars(text, 50);
}

}  // namespace

std::string AtolDeviceFileName(int n) {
    return kPrefix + std::to_string(n) + ".ini";
}

std::map<int, std::string> ATOL_DeviceFiles(const std::string& folder) {
    std::vector<std::string> found;
    FindFiles(found, folder, "ATOLDEVICE*.ini", true);
    std::map<int, std::string> files;
    for (const std::string& path : found) {
        const std::string name = FileNameOf(path);
        const int n = NumberOf(name);
        if (n == 0) {
            throw Failure("Файл " + name +
                          " не является файлом логического устройства ККМ АТОЛ: после "
                          "ATOLDEVICE должен стоять номер устройства без нулей впереди "
                          "(ATOLDEVICE1.ini, ATOLDEVICE2.ini …). Переименуйте или уберите "
                          "файл. Команда не выполнена");
        }
        // Two names for one number differ in letter case only: "ATOLDEVICE<n>.ini" as written
        // here wins, otherwise the first in alphabetical order.
        auto it = files.find(n);
        if (it == files.end() || name == AtolDeviceFileName(n) ||
            (FileNameOf(it->second) != AtolDeviceFileName(n) && path < it->second)) {
            files[n] = path;
        }
    }
    return files;
}

TAtolDeviceStruct ATOL_ReadDeviceFile(const std::string& folder, int n) {
    const auto files = ATOL_DeviceFiles(folder);
    const auto it = files.find(n);
    if (it == files.end()) {
        std::string present;
        for (const auto& [number, path] : files)
            present += (present.empty() ? "" : ", ") + FileNameOf(path);
        throw Failure("Нет файла настроек логического устройства " + std::to_string(n) + " " +
                      AtolDeviceFileName(n) + " в папке " + folder +
                      (present.empty() ? "" : " (есть: " + present + ")"));
    }
    std::vector<std::string> lines;
    try {
        lines = LoadLines(it->second);
    } catch (const Failure& f) {
        throw Failure("Не удалось прочитать файл настроек " + FileNameOf(it->second) + ": " +
                      f.what());
    }
    return ParseAtolDeviceLines(FileNameOf(it->second), n, lines);
}

TAtolDeviceStruct ParseAtolDeviceLines(const std::string& fileName, int n,
                                       const std::vector<std::string>& lines) {
    const KeyValueLines values(lines);
    TAtolDeviceStruct device;
    device.PORT = Cut50(values.Value("PORT").value_or(""));
    const bool known = AtolPortLeftToDriver(device.PORT) || SameTrimmed(device.PORT, "COM") ||
                       SameTrimmed(device.PORT, "USB") || SameTrimmed(device.PORT, "TCP_IP");
    if (!known) {
        throw Failure("В файле " + fileName + " PORT=" + device.PORT +
                      " не является известным портом (допустимы COM, USB и TCP_IP; LPT или "
                      "пустое значение оставляют настройки драйвера)");
    }
    device.COM_FILE = Cut50(values.Value("COM_FILE").value_or(""));
    if (const auto baud = values.Value("BAUDRATE"); baud && !IsBlank(*baud)) {
        const auto n32 = ParseInt(TrimText(*baud));
        if (!n32) {
            throw Failure("В файле " + fileName + " BAUDRATE=" + *baud +
                          " не является целым числом");
        }
        device.BAUDRATE = *n32;
    }
    device.IPADDRESS = values.Value("IPADDRESS").value_or("");
    device.IPPORT = values.Value("IPPORT").value_or("");
    std::string settings;
    for (size_t i = 0; i < lines.size(); ++i)
        settings += (i ? "\r\n" : "") + lines[i];
    device.Settings = settings;
    device.Number = n;
    device.FileName = AtolDeviceFileName(n);
    return device;
}

bool AtolPortLeftToDriver(const std::string& port) {
    return IsBlank(port) || SameTrimmed(port, "LPT");
}

std::string AtolBaudRateConstant(int baudRate) {
    const int speeds[] = {1200,  2400,   4800,   9600,   19200, 38400,
                          57600, 115200, 230400, 460800, 921600};
    for (const int speed : speeds) {
        if (speed == baudRate)
            return "LIBFPTR_PORT_BR_" + std::to_string(speed);
    }
    return {};
}

}  // namespace orvenka
