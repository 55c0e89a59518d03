#include "folders/autostart_entry.h"

#include <cstdint>
#include <cstdio>

#include "common/files.h"

namespace orvenka {

namespace {

// Backslashes and line breaks of a string value; the folder paths hold no line breaks.
std::string DesktopString(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

uint32_t Fnv1a(const std::string& text) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

std::string AutostartFileName(const std::string& folder) {
    std::string latin;
    for (char c : FileNameOf(folder)) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (keep && latin.size() < 32)
            latin += c;
    }
    char hash[9];
    std::snprintf(hash, sizeof hash, "%08x", Fnv1a(folder));
    return "orvenka-" + (latin.empty() ? "" : latin + "-") + hash + ".desktop";
}

std::string DesktopExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    quoted += '"';
    return DesktopString(quoted);
}

std::string AutostartEntry(const std::string& folder, const std::string& tool) {
    std::string name = FileNameOf(folder);
    if (name.empty())
        name = folder;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Orvenka: " +
           DesktopString(name) +
           "\n"
           "Comment=Orvenka на папке обмена " +
           DesktopString(folder) +
           "\n"
           "Exec=" +
           DesktopExecArgument(tool) + " run " + DesktopExecArgument(folder) +
           "\n"
           "TryExec=" +
           DesktopString(tool) +
           "\n"
           "Icon=orvenka\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace orvenka
