#include "common/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/files.h"

namespace orvenka {

namespace {

// The kernel keeps 15 characters of a process name.
constexpr char kHelperProcessName[] = "orvenka-helper";

// The descriptors of the folder locks this process holds, for a forked child to let go of: the
// lock belongs to the open descriptor, which a child shares until it closes its copy.
std::atomic<int> heldLocks[4] = {-1, -1, -1, -1};

void NoteHeldLock(int fd) {
    for (auto& slot : heldLocks) {
        int empty = -1;
        if (slot.compare_exchange_strong(empty, fd))
            return;
    }
}

void ForgetHeldLock(int fd) {
    for (auto& slot : heldLocks) {
        int held = fd;
        if (slot.compare_exchange_strong(held, -1))
            return;
    }
}

}  // namespace

void MarkAsHelperProcess() {
    ::prctl(PR_SET_NAME, kHelperProcessName);
    for (auto& slot : heldLocks) {
        const int fd = slot.exchange(-1);
        if (fd >= 0)
            ::close(fd);
    }
}

bool IsHelperProcess(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    return std::getline(comm, name) && name == kHelperProcessName;
}

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
        if (FileNameOf(target) == exeName && !IsHelperProcess(static_cast<int>(pid))) {
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

FolderLock::FolderLock(const std::string& folder) {
    fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = State::Held;
        NoteHeldLock(fd_);
        return;
    }
    state_ = errno == EWOULDBLOCK ? State::HeldByOther : State::Unavailable;
    ::close(fd_);
    fd_ = -1;
}

FolderLock::~FolderLock() {
    if (fd_ < 0)
        return;
    ForgetHeldLock(fd_);
    ::close(fd_);
}

int FolderLockHolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0)
        return 0;
    // Lines like "1: FLOCK  ADVISORY  WRITE 4242 fe:00:10953252 0 EOF"; the device numbers
    // are hexadecimal. A waiting request ("1: -> FLOCK ...") holds nothing.
    char device[64];
    std::snprintf(device, sizeof device, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, type, mode, access, pid, where;
        fields >> number >> type >> mode >> access >> pid >> where;
        if (type == "FLOCK" && access == "WRITE" && where == device)
            return std::atoi(pid.c_str());
    }
    return 0;
}

int FindOtherInstance(const ProgramFile& program, const FolderLock& lock, int ownPid) {
    if (lock.state() == FolderLock::State::HeldByOther) {
        const int holder = FolderLockHolder(program.folder);
        return holder > 0 && holder != ownPid ? holder : -1;
    }
    if (program.throughLink)
        return 0;
    return FindOtherInstance(program.name, ownPid);
}

int FindOtherInstance(const ProgramFile& program, std::optional<FolderLock>& lock, int ownPid,
                      int waitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        lock.emplace(program.folder);  // the earlier try's lock goes first
        const int other = FindOtherInstance(program, *lock, ownPid);
        if (other == 0 || std::chrono::steady_clock::now() >= deadline)
            return other;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace orvenka
