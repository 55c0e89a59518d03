#include "common/process.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>

#include "common/files.h"

namespace orvenka {

int FindOtherInstance(const std::string& exeName, int ownPid) {
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return 0;
    int found = 0;
    while (const dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == ownPid)
            continue;
        char buf[4096];
        const std::string link = std::string("/proc/") + e->d_name + "/exe";
        const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
        if (n <= 0)
            continue;
        std::string target(buf, static_cast<size_t>(n));
        // A program file replaced while running still counts as the same program.
        const std::string deleted = " (deleted)";
        if (target.size() > deleted.size() &&
            target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0) {
            target.resize(target.size() - deleted.size());
        }
        if (FileNameOf(target) == exeName) {
            found = static_cast<int>(pid);
            break;
        }
    }
    ::closedir(proc);
    return found;
}

int FindOtherInstance() {
    return FindOtherInstance(ProgramFileName(), static_cast<int>(::getpid()));
}

}  // namespace orvenka
