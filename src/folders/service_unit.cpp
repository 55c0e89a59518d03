#include "folders/service_unit.h"

#include <cstdio>
#include <vector>

#include "common/failure.h"

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

std::string OwnerDropIn(const std::string& user, const std::string& group) {
    return "# Written by orvenka-folder: the service runs as the owner of its exchange folder.\n"
           "[Service]\n"
           "User=" +
           user +
           "\n"
           "Group=" +
           group + "\n";
}

}  // namespace orvenka
