#include "common/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/text.h"

namespace orvenka {

std::string SystemErrorText(int err) {
    switch (err) {
        case ENOENT:
            return "Файл не найден";
        case EACCES:
        case EPERM:
            return "Отказано в доступе";
        case EISDIR:
            return "Это папка, а не файл";
        case ENOSPC:
            return "Нет места на диске";
        case EROFS:
            return "Файловая система только для чтения";
        case ENOTDIR:
            return "Путь не найден";
        case EBUSY:
            return "Файл занят";
        default:
            return "Ошибка ввода-вывода (код " + std::to_string(err) + ")";
    }
}

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err) {
    throw Failure(what + " \"" + path + "\": " + SystemErrorText(err));
}

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

// Opens (creating, then truncating or appending by `mode`), writes and closes.
void WriteFileBytes(const std::string& path, const std::string& bytes, int mode,
                    const char* openFailure) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | mode | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail(openFailure, path, errno);
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

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
    FileStamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = ns(st.st_mtim);
    s.ctimeNs = ns(st.st_ctim);
    return s;
}

bool DeleteFileIfExists(const std::string& path) {
    if (::unlink(path.c_str()) == 0)
        return true;
    return errno == ENOENT;
}

void RenameFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        Fail("Не удалось переименовать файл", from, errno);
}

std::string ReadFileBytes(const std::string& path) {
    // Non-blocking open and a plain-file check: a pipe or a device under a working-file name
    // must fail at once, not hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        Fail("Не удается открыть файл", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        if (err == EINVAL)
            throw Failure("Не удается открыть файл \"" + path + "\": Это не обычный файл");
        Fail("Не удается открыть файл", path, err);
    }
    std::string bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            Fail("Не удается прочитать файл", path, err);
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::string DecodeFileText(const std::string& bytes) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        std::string rest = bytes.substr(3);
        return IsValidUtf8(rest) ? rest : Cp1251ToUtf8(rest);
    }
    return Cp1251ToUtf8(bytes);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text, start, i - start);
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text, start, text.size() - start);
    return lines;
}

std::vector<std::string> LoadLines(const std::string& path) {
    return SplitLines(DecodeFileText(ReadFileBytes(path)));
}

void SaveText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, Utf8ToCp1251(text), O_TRUNC, "Не удалось создать файл");
}

void SaveLines(const std::string& path, const std::vector<std::string>& lines) {
    WriteFileBytes(path, JoinLines(lines), O_TRUNC, "Не удалось создать файл");
}

void WriteFileBytesAtomic(const std::string& path, const std::string& bytes) {
    // Hidden temporary name in the same folder: same file system for the rename, and folder
    // listings (FindFiles skips names beginning with ".") never see a half-written file.
    const std::string folder = FolderOf(path);
    std::string tmp = folder + "." + FileNameOf(path) + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        Fail("Не удалось создать файл", path, errno);
    ::fchmod(fd, 0644);
    try {
        WriteAll(fd, bytes, path);
    } catch (...) {
        ::unlink(tmp.c_str());
        throw;
    }
    const int syncErr = ::fsync(fd) != 0 ? errno : 0;
    const int closeErr = ::close(fd) != 0 ? errno : 0;
    if (syncErr != 0 || closeErr != 0) {
        ::unlink(tmp.c_str());
        Fail("Не удалось записать файл", path, syncErr != 0 ? syncErr : closeErr);
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        Fail("Не удалось записать файл", path, err);
    }
    // Make the rename itself survive a power cut; the data is already safe either way.
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void SaveLinesAtomic(const std::string& path, const std::vector<std::string>& lines) {
    WriteFileBytesAtomic(path, JoinLines(lines));
}

void AppendText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, Utf8ToCp1251(text), O_APPEND, "Не удалось открыть файл");
}

namespace {

// Path of the running program file. A program file replaced while running reads
// "... (deleted)"; the name it was started under is what counts.
std::string OwnExecutable() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path(buf, static_cast<size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}

}  // namespace

std::string ProgramFolder() {
    const std::string exe = OwnExecutable();
    return exe.empty() ? "./" : FolderOf(exe);
}

std::string ProgramFileName() {
    const std::string exe = OwnExecutable();
    return exe.empty() ? "orvenka" : FileNameOf(exe);
}

std::optional<std::string> LinkToProgram(const std::string& argv0, const std::string& cwd,
                                         const std::string& executable) {
    if (argv0.find('/') == std::string::npos)
        return std::nullopt;
    std::string path = argv0[0] == '/' ? argv0 : cwd + "/" + argv0;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat link {};
    struct stat target {};
    struct stat running {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) ||
        ::stat(path.c_str(), &target) != 0 || ::stat(executable.c_str(), &running) != 0 ||
        target.st_dev != running.st_dev || target.st_ino != running.st_ino) {
        return std::nullopt;
    }
    // "a/./b", "a/../b" and linked folders end in the folder the system found the link in.
    const std::string folder = FolderOf(path);
    char* real = ::realpath(folder.empty() ? "/" : folder.c_str(), nullptr);
    if (!real)
        return std::nullopt;
    std::string resolved(real);
    std::free(real);
    if (resolved.back() != '/')
        resolved += '/';
    return resolved + FileNameOf(path);
}

ProgramFile StartedProgramFile(const std::string& argv0) {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) {
        if (const auto link = LinkToProgram(argv0, cwd, "/proc/self/exe"))
            return {FolderOf(*link), FileNameOf(*link), true};
    }
    return {ProgramFolder(), ProgramFileName(), false};
}

std::string FolderOf(const std::string& path) {
    const auto p = path.rfind('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string FileNameOf(const std::string& path) {
    const auto p = path.rfind('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ChangeExtension(const std::string& fileName, const std::string& extension) {
    std::string ext = TrimText(extension);
    // An empty extension removes the old one (a lone trailing "." names another file here).
    if (!ext.empty() && ext[0] != '.')
        ext.insert(ext.begin(), '.');
    const auto slash = fileName.rfind('/');
    const auto dot = fileName.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        return fileName.substr(0, dot) + ext;
    }
    return fileName + ext;
}

namespace {

bool MatchPart(const std::u32string& text, const std::u32string& pattern) {
    if (pattern == U"*")
        return true;
    if (pattern.empty())
        return text.empty();
    const auto star = pattern.find(U'*');
    size_t k = (star == std::u32string::npos || star == 0) ? pattern.size() : star;
    if (star == 0)
        k = pattern.size();
    if (text.size() < k)
        return false;
    for (size_t i = 0; i < k; ++i) {
        if (pattern[i] != U'?' && pattern[i] != text[i])
            return false;
    }
    const bool starAfterFirst = pattern.find(U'*', 1) != std::u32string::npos;
    if (!starAfterFirst && text.size() != k)
        return false;
    return true;
}

}  // namespace

bool MatchMask(const std::string& name, const std::string& mask) {
    const std::u32string n = ToU32(UpperRus(name));
    const std::u32string m = ToU32(UpperRus(mask));
    const auto nd = n.find(U'.');
    const auto md = m.find(U'.');
    const std::u32string nameBase = n.substr(0, nd);
    const std::u32string nameExt = nd == std::u32string::npos ? U"" : n.substr(nd + 1);
    const std::u32string maskBase = m.substr(0, md);
    const std::u32string maskExt = md == std::u32string::npos ? U"*" : m.substr(md + 1);
    return MatchPart(nameBase, maskBase) && MatchPart(nameExt, maskExt);
}

void FindFiles(std::vector<std::string>& list, const std::string& folder, const std::string& mask,
               bool all) {
    list.clear();
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    std::string matchMask = mask;
    bool recursive = false;
    if (CharCount(mask) >= 3 && SameNoCase(mask.substr(mask.size() - 2), "/S")) {
        recursive = true;
        matchMask = mask.substr(0, mask.size() - 2);
    }
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.')
            continue;
        struct stat st {};
        const bool isDir = ::stat((dir + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        // A link to a folder is listed but never entered: a link to a parent would recurse
        // without end.
        struct stat own {};
        const bool isLink = ::lstat((dir + name).c_str(), &own) == 0 && S_ISLNK(own.st_mode);
        if (recursive && isDir && !isLink) {
            std::vector<std::string> sub;
            FindFiles(sub, dir + name, mask, all);
            list.insert(list.end(), sub.begin(), sub.end());
        }
        // "Normal" entries: plain files; folders and special files only when all are asked for.
        const bool normal = !isDir && S_ISREG(st.st_mode);
        if (MatchMask(name, matchMask) && (all || normal))
            list.push_back(dir + name);
    }
    ::closedir(d);
}

}  // namespace orvenka
