#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/files_internal.h"

// The writes of files.h: in place, atomic through a temporary file, appends.
namespace orvenka {

using files_detail::Fail;
using files_detail::StampOfStat;

namespace {

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            Fail("Не удалось записать файл", path, err);
        }
        done += static_cast<size_t>(n);
    }
}

// Opens a file to write in place. A link in place of the file must not make us write into the
// file it points to; a pipe or a device must not hang the program waiting for a reader (the
// open does not block, and anything but a plain file is refused before a byte is written).
// `mode` holds O_CREAT, O_TRUNC, O_APPEND as wanted: O_TRUNC is applied only to a plain file.
int OpenPlainFileToWrite(const std::string& path, int mode, const char* openFailure) {
    const int fd =
        ::open(path.c_str(),
               O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | (mode & ~O_TRUNC), 0644);
    if (fd < 0)
        Fail(openFailure, path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Failure(std::string(openFailure) + " \"" + path + "\": Это не обычный файл");
    }
    // Another name of the same file may lie outside the folder: written in place, the data
    // would land there too.
    if (st.st_nlink > 1) {
        ::close(fd);
        throw Failure(std::string(openFailure) + " \"" + path +
                      "\": у файла есть и другие имена (жёсткая ссылка)");
    }
    // Plain files never block; the flag only guarded the open.
    const int flags = ::fcntl(fd, F_GETFL);
    const bool cleared = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    if (!cleared || ((mode & O_TRUNC) && ::ftruncate(fd, 0) != 0)) {
        const int err = errno;
        ::close(fd);
        Fail(openFailure, path, err);
    }
    return fd;
}

// Opens (creating, then truncating or appending by `mode`), writes and closes.
void WriteFileBytes(const std::string& path, const std::string& bytes, int mode,
                    const char* openFailure) {
    const int fd = OpenPlainFileToWrite(path, O_CREAT | mode, openFailure);
    WriteAll(fd, bytes, path);
    if (::close(fd) != 0)
        Fail("Не удалось записать файл", path, errno);
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return Utf8ToCp1251(text);
}

}  // namespace

void SaveText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, Utf8ToCp1251(text), O_TRUNC, "Не удалось создать файл");
}

void SaveLines(const std::string& path, const std::vector<std::string>& lines) {
    WriteFileBytes(path, JoinLines(lines), O_TRUNC, "Не удалось создать файл");
}

namespace {

const char* const kTemporaryMark = ".tmp-";

// Mode first, then owner and group where the system lets us give them: a group we are not a
// member of (or another owner, unless we are root) is refused, and the file stays ours.
void ApplyShare(int fd, const FileShare& share) {
    const auto id = [](int64_t v) { return static_cast<uid_t>(v >= 0 ? v : -1); };
    if ((share.owner >= 0 || share.group >= 0) &&
        ::fchown(fd, id(share.owner), static_cast<gid_t>(id(share.group))) != 0) {
        (void)!::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(id(share.group)));
    }
    // After the owner: a change of owner may clear bits of the mode.
    ::fchmod(fd, static_cast<mode_t>(share.mode));
}

// Writes `bytes` into a new hidden temporary file beside `path`, flushed to the disk, and
// answers its path. Hidden: folder listings (FindFiles skips names beginning with ".") never see
// a half-written file; same folder: same file system for the rename or link that follows.
std::string WriteTemporaryFile(const std::string& path, const std::string& bytes, bool wait,
                               const FileShare& share = {}) {
    std::string tmp = FolderOf(path) + "." + FileNameOf(path) + kTemporaryMark +
                      std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        Fail("Не удалось создать файл", path, errno);
    ApplyShare(fd, share);
    try {
        WriteAll(fd, bytes, path);
    } catch (...) {
        ::unlink(tmp.c_str());
        throw;
    }
    // Either wait until the data is on the disk, or only send it on its way: blocks are then
    // given to it now, before the name appears, so that a power cut cannot leave the name with
    // an empty file behind it.
    const int syncErr = wait ? (::fsync(fd) != 0 ? errno : 0)
                             : (::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE) != 0 &&
                                        errno != ENOSYS && errno != EINVAL && errno != ESPIPE
                                    ? errno
                                    : 0);
    const int closeErr = ::close(fd) != 0 ? errno : 0;
    if (syncErr != 0 || closeErr != 0) {
        ::unlink(tmp.c_str());
        Fail("Не удалось записать файл", path, syncErr != 0 ? syncErr : closeErr);
    }
    return tmp;
}

void SyncFolderOf(const std::string& path) {
    SyncFolder(FolderOf(path));
}

void ReplaceAtomically(const std::string& path, const std::string& bytes, bool wait) {
    const std::string tmp = WriteTemporaryFile(path, bytes, wait);
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        Fail("Не удалось записать файл", path, err);
    }
    if (wait)
        SyncFolderOf(path);
}

}  // namespace

void SyncFolder(const std::string& folder) {
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void CreateFileBytesSynced(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        Fail("Не удалось создать файл", path, errno);
    WriteAll(fd, bytes, path);
    const int syncErr = ::fsync(fd) != 0 ? errno : 0;
    const int closeErr = ::close(fd) != 0 ? errno : 0;
    if (syncErr != 0 || closeErr != 0)
        Fail("Не удалось записать файл", path, syncErr != 0 ? syncErr : closeErr);
}

void WriteFileBytesAtomic(const std::string& path, const std::string& bytes) {
    ReplaceAtomically(path, bytes, true);
}

void SaveAnswerLines(const std::string& path, const std::vector<std::string>& lines) {
    ReplaceAtomically(path, JoinLines(lines), false);
}

std::optional<FileStamp> CreateFileBytesExclusive(const std::string& path, const std::string& bytes,
                                                  const FileShare& share) {
    const std::string tmp = WriteTemporaryFile(path, bytes, true, share);
    const std::optional<FileStamp> stamp = StampOf(tmp);
    // A rename that refuses to replace, which a folder watch sees as a file moved in; where the
    // file system cannot do that, a hard link, which never replaces a name either.
    int err = ::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0
                  ? 0
                  : errno;
    if (err == EINVAL || err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP) {
        err = ::link(tmp.c_str(), path.c_str()) == 0 ? 0 : errno;
        if (err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == EMLINK)
            err = EINVAL;
    }
    ::unlink(tmp.c_str());
    if (err == EINVAL) {
        // Neither: created in place, then. The file may be seen half-written for a moment,
        // which readers of cmd.ini allow for.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST)
            return std::nullopt;
        if (fd < 0)
            Fail("Не удалось создать файл", path, errno);
        ApplyShare(fd, share);
        WriteAll(fd, bytes, path);
        struct stat st {};
        const int statErr = ::fstat(fd, &st) != 0 ? errno : 0;
        if (::close(fd) != 0 || statErr != 0)
            Fail("Не удалось записать файл", path, statErr != 0 ? statErr : errno);
        return StampOfStat(st);
    }
    if (err == EEXIST)
        return std::nullopt;
    if (err != 0)
        Fail("Не удалось создать файл", path, err);
    SyncFolderOf(path);
    return stamp;
}

int TemporaryFileOwner(const std::string& name) {
    // "." + name + ".tmp-" + pid + "-" + six characters of mkstemp
    if (name.size() < 2 || name[0] != '.')
        return 0;
    const auto mark = name.rfind(kTemporaryMark);
    const auto dash = name.rfind('-');
    if (mark == std::string::npos || mark == 0 || dash == std::string::npos ||
        name.size() - dash - 1 != 6) {
        return 0;
    }
    const size_t from = mark + std::char_traits<char>::length(kTemporaryMark);
    if (dash <= from || dash - from > 9)
        return 0;
    int pid = 0;
    for (size_t i = from; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

std::vector<std::string> RemoveStaleTemporaryFiles(const std::string& folder) {
    std::vector<std::string> removed;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return removed;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        const int pid = TemporaryFileOwner(name);
        // A process that runs (or that we may not signal) may still be writing it.
        if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        if (StampOf(folder + name) && ::unlink((folder + name).c_str()) == 0)
            removed.push_back(name);
    }
    ::closedir(d);
    std::sort(removed.begin(), removed.end());
    return removed;
}

void SaveLinesAtomic(const std::string& path, const std::vector<std::string>& lines) {
    WriteFileBytesAtomic(path, JoinLines(lines));
}

void AppendText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, Utf8ToCp1251(text), O_APPEND, "Не удалось открыть файл");
}

void AppendBytesSynced(const std::string& path, const std::string& bytes) {
    const int fd = OpenPlainFileToWrite(path, O_APPEND, "Не удалось открыть файл");
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        Fail("Не удалось открыть файл", path, err);
    }
    size_t done = 0;
    int err = 0;
    while (done < bytes.size() && err == 0) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno != EINTR)
                err = errno;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (err != 0 && ::ftruncate(fd, st.st_size) == 0)
        ::fsync(fd);
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        Fail("Не удалось записать файл", path, err);
}

}  // namespace orvenka
