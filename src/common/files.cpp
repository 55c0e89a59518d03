#include "common/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files_internal.h"
#include "common/text.h"
#include "common/utf8.h"

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
        case ELOOP:
            return "Это символическая ссылка, а не файл";
        default:
            return "Ошибка ввода-вывода (код " + std::to_string(err) + ")";
    }
}

namespace files_detail {

void Fail(const std::string& what, const std::string& path, int err) {
    throw Failure(what + " \"" + path + "\": " + SystemErrorText(err));
}

FileStamp StampOfStat(const struct stat& st) {
    const auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
    FileStamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = ns(st.st_mtim);
    s.ctimeNs = ns(st.st_ctim);
    return s;
}

}  // namespace files_detail

using files_detail::Fail;
using files_detail::StampOfStat;

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return StampOfStat(st);
}

std::optional<FileStamp> EntryStampOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return StampOfStat(st);
}

std::vector<std::string> SpellingsOf(const std::string& folder, const std::string& name) {
    const auto lower = [](std::string text) {
        for (char& c : text) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return text;
    };
    const std::string wanted = lower(name);
    std::vector<std::string> found;
    bool exact = false;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return found;
    while (const dirent* e = ::readdir(d)) {
        const std::string entry = e->d_name;
        if (entry == name)
            exact = true;
        else if (lower(entry) == wanted)
            found.push_back(entry);
    }
    ::closedir(d);
    std::sort(found.begin(), found.end());
    if (exact)
        found.insert(found.begin(), name);
    return found;
}

std::optional<std::string> FileSpellingOf(const std::string& folder, const std::string& name) {
    for (const std::string& spelling : SpellingsOf(folder, name)) {
        struct stat st {};
        if (::lstat((folder + spelling).c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            return spelling;
    }
    return std::nullopt;
}

std::vector<std::string> EntriesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> found;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return found;
    while (const dirent* e = ::readdir(d)) {
        const std::string entry = e->d_name;
        if (entry.rfind(prefix, 0) == 0)
            found.push_back(entry);
    }
    ::closedir(d);
    std::sort(found.begin(), found.end());
    return found;
}

void RefuseLinkedFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISLNK(st.st_mode)) {
        throw Failure("Файл \"" + path +
                      "\" - символическая ссылка на другой файл; через ссылку программа свои "
                      "файлы не читает и не записывает");
    }
    if (S_ISREG(st.st_mode) && st.st_nlink > 1) {
        throw Failure("Файл \"" + path +
                      "\" - жёсткая ссылка (у файла есть и другие имена); через ссылку "
                      "программа свои файлы не читает и не записывает");
    }
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

namespace {

// Opens for reading and checks that it is a plain file: a pipe or a device under a working-file
// name must fail at once, not hang the program. Closes the descriptor on failure.
int OpenPlainFile(const std::string& path, int flags, struct stat& st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | flags);
    if (fd < 0)
        Fail("Не удается открыть файл", path, errno);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        if (err == EINVAL)
            throw Failure("Не удается открыть файл \"" + path + "\": Это не обычный файл");
        Fail("Не удается открыть файл", path, err);
    }
    return fd;
}

// Reads to the end, at most `maxBytes`; closes the descriptor on failure.
std::string ReadAll(int fd, const struct stat& st, const std::string& path, uint64_t maxBytes) {
    const auto tooLarge = [&](uint64_t size) {
        ::close(fd);
        throw FileTooLarge(path, size, maxBytes);
    };
    if (static_cast<uint64_t>(st.st_size) > maxBytes)
        tooLarge(static_cast<uint64_t>(st.st_size));
    // Read straight into the text, sized for the whole file, so a large file is copied once. The
    // page to spare shows the file's end, and a line appended to the text later (the register of
    // printed documents) fits without copying it all again.
    std::string bytes(static_cast<size_t>(st.st_size) + 4096, '\0');
    size_t done = 0;
    for (;;) {
        if (done == bytes.size())
            bytes.resize(done + std::max<size_t>(65536, done / 2));  // it grew meanwhile
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            Fail("Не удается прочитать файл", path, err);
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
        // A file that grows while it is read is held to the same limit.
        if (done > maxBytes)
            tooLarge(done);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

FileTooLarge::FileTooLarge(const std::string& path, uint64_t size, uint64_t limit)
    : Failure("Не удается прочитать файл \"" + path + "\": файл слишком велик (" +
              std::to_string(size) + " байт, допустимо не более " + std::to_string(limit) +
              " байт)"),
      size_(size),
      limit_(limit) {}

std::string ReadFileBytes(const std::string& path, uint64_t maxBytes) {
    struct stat st {};
    const int fd = OpenPlainFile(path, 0, st);
    std::string bytes = ReadAll(fd, st, path, maxBytes);
    ::close(fd);
    return bytes;
}

FileToEmpty::FileToEmpty(const std::string& path, uint64_t maxBytes) : path_(path) {
    struct stat st {};
    fd_ = OpenPlainFile(path, O_NOFOLLOW, st);
    bytes_ = ReadAll(fd_, st, path, maxBytes);
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        ::close(fd_);
        Fail("Не удается прочитать файл", path, err);
    }
    stamp_ = StampOfStat(st);
}

FileToEmpty::~FileToEmpty() {
    ::close(fd_);
}

std::optional<FileStamp> FileToEmpty::Empty() {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        Fail("Не удалось очистить файл", path_, errno);
    }
    struct stat held {};
    struct stat now {};
    if (::fstat(fd_, &held) != 0 || ::fstat(fd, &now) != 0 || !SameFile(held, now)) {
        ::close(fd);
        return std::nullopt;
    }
    if (::ftruncate(fd, 0) != 0 || ::fstat(fd, &now) != 0) {
        const int err = errno;
        ::close(fd);
        Fail("Не удалось очистить файл", path_, err);
    }
    ::close(fd);
    return StampOfStat(now);
}

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool HoldsCyrillicUtf8(const std::string& bytes) {
    bool cyrillic = false;
    size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        if (!DecodeUtf8(bytes, i, cp))
            return false;
        cyrillic = cyrillic || (cp >= 0x400 && cp <= 0x4FF);
    }
    return cyrillic;
}

}  // namespace

bool ReadsAsUtf8(const std::string& bytes) {
    if (bytes.rfind(kUtf8Bom, 0) == 0)
        return IsValidUtf8(bytes.substr(kUtf8Bom.size()));
    return HoldsCyrillicUtf8(bytes);
}

std::string DecodeFileText(const std::string& bytes) {
    const bool bom = bytes.rfind(kUtf8Bom, 0) == 0;
    std::string rest = bom ? bytes.substr(kUtf8Bom.size()) : bytes;
    if (bom ? IsValidUtf8(rest) : HoldsCyrillicUtf8(rest))
        return rest;
    return Cp1251ToUtf8(rest);
}

InputLines LoadInputLines(const std::string& path, uint64_t maxBytes, size_t maxLines) {
    const std::string bytes = ReadFileBytes(path, maxBytes);
    return {SplitLines(DecodeFileText(bytes), maxLines), ReadsAsUtf8(bytes)};
}

std::string Utf8InputMessage(const std::string& path) {
    return "Файл " + path + " в кодировке UTF-8, а не Windows-1251: прочитан как UTF-8";
}

std::vector<std::string> SplitLines(const std::string& text, size_t maxLines) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size() && lines.size() < maxLines) {
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
    if (start < text.size() && lines.size() < maxLines)
        lines.emplace_back(text, start, text.size() - start);
    return lines;
}

std::vector<std::string> LoadLines(const std::string& path, uint64_t maxBytes, size_t maxLines) {
    return SplitLines(DecodeFileText(ReadFileBytes(path, maxBytes)), maxLines);
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