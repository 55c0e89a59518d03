#include "folders/service_unit.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/key_values.h"
#include "common/text.h"
#include "folders/exchange_folder.h"

namespace orvenka {

namespace {

constexpr size_t kUnitNameMax = 255;

bool Plain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
           c == '_' || c == '.';
}

}  // namespace

std::string SystemdEscapePath(const std::string& path) {
    // The path's names without empty ones and ".": "//a/./b/" is "a/b".
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(start, end - start);
        if (!name.empty() && name != ".")
            names.push_back(name);
        start = end + 1;
    }
    if (names.empty())
        return "-";
    std::string out;
    for (size_t n = 0; n < names.size(); ++n) {
        if (n > 0)
            out += '-';
        for (size_t i = 0; i < names[n].size(); ++i) {
            const char c = names[n][i];
            if (Plain(c) && !(out.empty() && c == '.')) {
                out += c;
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
                out += hex;
            }
        }
    }
    return out;
}

std::string ServiceUnitName(const std::string& folder) {
    const std::string name = "orvenka@" + SystemdEscapePath(folder) + ".service";
    if (name.size() > kUnitNameMax) {
        throw Failure("путь " + folder + " слишком длинный для имени службы systemd (" +
                      std::to_string(name.size()) + " знаков из " + std::to_string(kUnitNameMax) +
                      "): возьмите папку с путём короче");
    }
    return name;
}

std::string ServiceDropIn(const ServiceNeeds& needs) {
    std::string text =
        "# Written by orvenka-folder service enable for this exchange folder.\n[Service]\n";
    if (!needs.user.empty())
        text += "User=" + needs.user + "\nGroup=" + needs.group + "\n";
    if (needs.inHome)
        text += "ProtectHome=read-only\n";
    if (needs.network)
        text += "RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6\n";
    return text;
}

bool InHomeArea(const std::string& folder) {
    for (const char* area : {"/home", "/root", "/run/user"}) {
        const std::string a = area;
        if (folder == a || folder.rfind(a + "/", 0) == 0)
            return true;
    }
    return false;
}

namespace {

std::optional<KeyValueLines> ReadKeyValues(const std::string& path) {
    try {
        if (FileExists(path))
            return KeyValueLines(LoadLines(path, kMaxSmallFileBytes));
    } catch (const Failure&) {
        // An unreadable file is reported by the program when it reads it.
    }
    return std::nullopt;
}

std::string Setting(const std::optional<KeyValueLines>& lines, const char* key) {
    return lines ? TrimText(lines->Value(key).value_or("")) : std::string();
}

bool NativeDriver(const std::string& setting) {
    return !setting.empty() && !SameNoCase(setting, "SIM");
}

}  // namespace

bool RegisterOverNetwork(const std::string& folder) {
    // The keys the program reads from its settings file and from the ATOL device files.
    const auto settings = ReadKeyValues(InFolder(folder, std::string(kProgramLinkName) + ".ini"));
    // The HTTP door listens on a TCP socket, a loopback one included.
    if (!Setting(settings, "HttpListen").empty())
        return true;
    if (NativeDriver(Setting(settings, "ShtrihDriver"))) {
        const std::string uri = Setting(settings, "ShtrihConnection");
        if (uri.empty() || SameNoCase(LeftChars(uri, 6), "tcp://"))
            return true;
    }
    if (!NativeDriver(Setting(settings, "AtolDriver")))
        return false;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!MatchMask(name, "ATOLDEVICE*.ini"))
            continue;
        const std::string port = Setting(ReadKeyValues(InFolder(folder, name)), "PORT");
        if (!SameNoCase(port, "COM") && !SameNoCase(port, "USB"))
            return true;
    }
    return false;
}

}  // namespace orvenka
