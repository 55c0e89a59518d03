#include "folders/exchange_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "common/failure.h"
#include "common/files.h"
#include "common/key_values.h"
#include "common/text.h"
#include "common/utf8.h"

namespace orvenka {

namespace {

const char* const kKindKey = "Kind";

// A path is written into the folder list, desktop entries and service names, all line-based
// UTF-8 text.
void CheckPathText(const std::string& path) {
    if (path.empty())
        throw Failure("не указана папка");
    size_t i = 0;
    while (i < path.size()) {
        char32_t cp = 0;
        if (!DecodeUtf8(path, i, cp))
            throw Failure("путь к папке не в кодировке UTF-8: " + path);
        if (cp < 0x20 || cp == 0x7F)
            throw Failure("в пути к папке есть управляющие символы (перевод строки, табуляция)");
    }
}

bool IsOurLink(const std::string& path, const std::string& program) {
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(path, ec);
    if (ec)
        return false;
    if (target == program)
        return true;
    struct stat a {};
    struct stat b {};
    return ::stat(path.c_str(), &a) == 0 && ::stat(program.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string ExistingFolder(const std::string& given) {
    CheckPathText(given);
    struct stat st {};
    if (::stat(given.c_str(), &st) != 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            throw Failure("папка не найдена: " + given);
        throw Failure("папка недоступна: " + given + " (" + SystemErrorText(err) + ")");
    }
    if (!S_ISDIR(st.st_mode))
        throw Failure("это не папка: " + given);
    char* real = ::realpath(given.c_str(), nullptr);
    if (!real)
        throw Failure("папка недоступна: " + given + " (" + SystemErrorText(errno) + ")");
    std::string path(real);
    std::free(real);
    CheckPathText(path);  // a link may lead somewhere the given text did not say
    return path;
}

std::string AbsoluteFolder(const std::string& given) {
    CheckPathText(given);
    std::filesystem::path path(given);
    if (path.is_relative()) {
        std::error_code ec;
        path = std::filesystem::current_path(ec) / path;
    }
    return WithoutTrailingSlash(path.lexically_normal().string());
}

void CheckWritable(const std::string& folder) {
    std::string probe = InFolder(folder, ".orvenka-folder-XXXXXX");
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        throw Failure("в папку нельзя записывать файлы: " + folder + " (" + SystemErrorText(errno) +
                      ")");
    }
    ::close(fd);
    if (::unlink(probe.c_str()) != 0) {
        throw Failure("в папке нельзя удалять файлы: " + folder + " (" + SystemErrorText(errno) +
                      ")");
    }
}

FolderInfo InspectFolder(const std::string& folder, const std::string& program) {
    FolderInfo info;
    const std::string file = InFolder(folder, kFolderFileName);
    if (FileExists(file)) {
        const auto value = KeyValueLines(LoadLines(file)).Value(kKindKey);
        info.kind = value ? KindFromName(*value) : std::nullopt;
        if (!info.kind) {
            throw Failure("файл " + file + " испорчен: в нём нет строки " + kKindKey +
                          "=EMUL, ATOL или SHTRIH");
        }
    }
    const std::string link = InFolder(folder, kProgramLinkName);
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0)
        info.link =
            IsOurLink(link, program) ? FolderInfo::Link::ToProgram : FolderInfo::Link::Foreign;
    return info;
}

CreateOutcome CreateExchangeFolder(const std::string& folder, DeviceKind kind,
                                   const std::string& program) {
    const FolderInfo info = InspectFolder(folder, program);
    if (info.kind && *info.kind != kind) {
        throw Failure("папка " + folder + " уже обслуживает " + KindName(*info.kind) +
                      "; другой вид: сначала orvenka-folder remove " + folder);
    }
    const std::string link = InFolder(folder, kProgramLinkName);
    if (info.link == FolderInfo::Link::Foreign) {
        throw Failure("в папке " + folder + " уже есть файл " + kProgramLinkName +
                      ", и это не ссылка на " + program +
                      " (копия программы?). Остановите её и уберите файл, затем повторите");
    }
    if (info.kind && info.link == FolderInfo::Link::ToProgram)
        return CreateOutcome::AlreadyThere;
    CheckWritable(folder);

    const std::string file = InFolder(folder, kFolderFileName);
    const bool newFile = !info.kind;
    if (newFile)
        SaveLinesAtomic(file, {std::string(kKindKey) + "=" + KindName(kind)});
    if (info.link == FolderInfo::Link::Missing) {
        // Made under a temporary name and renamed: the folder never shows a half-made link.
        const std::string temporary = link + ".orvenka-folder-new";
        ::unlink(temporary.c_str());
        if (::symlink(program.c_str(), temporary.c_str()) != 0 ||
            ::rename(temporary.c_str(), link.c_str()) != 0) {
            const int err = errno;
            ::unlink(temporary.c_str());
            if (newFile)
                DeleteFileIfExists(file);
            throw Failure("не удалось создать ссылку " + link + ": " + SystemErrorText(err));
        }
    }
    return newFile ? CreateOutcome::Created : CreateOutcome::LinkRestored;
}

void RemoveExchangeFolder(const std::string& folder, const std::string& program) {
    const std::string link = InFolder(folder, kProgramLinkName);
    if (InspectFolder(folder, program).link == FolderInfo::Link::ToProgram &&
        ::unlink(link.c_str()) != 0) {
        throw Failure("не удалось удалить ссылку " + link + ": " + SystemErrorText(errno));
    }
    const std::string file = InFolder(folder, kFolderFileName);
    if (!DeleteFileIfExists(file))
        throw Failure("не удалось удалить файл " + file);
}

}  // namespace orvenka
