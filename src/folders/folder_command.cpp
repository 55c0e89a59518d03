#include "folders/folder_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "common/failure.h"
#include "common/files.h"
#include "common/process.h"
#include "common/version.h"
#include "folders/autostart_entry.h"
#include "folders/exchange_folder.h"
#include "folders/folder_driver.h"
#include "folders/folder_registry.h"
#include "folders/folder_tool.h"
#include "folders/service_unit.h"

namespace orvenka {

const char* const kFolderUsageText =
    "Использование:\n"
    "  orvenka-folder create ПАПКА --kind EMUL|ATOL|SHTRIH   сделать папку (нет её - создать)\n"
    "                                              папкой обмена\n"
    "        [--driver SIM|AUTO|ПУТЬ]              драйвер ККМ: симулятор или библиотека\n"
    "  orvenka-folder remove ПАПКА                 перестать её обслуживать (файлы остаются)\n"
    "  orvenka-folder list                         папки обмена и работают ли они\n"
    "  orvenka-folder start [ПАПКА]                запустить программу (без папки: на всех)\n"
    "  orvenka-folder stop ПАПКА                   остановить программу на папке\n"
    "  orvenka-folder run ПАПКА                    работать на папке (для службы и автозапуска)\n"
    "  orvenka-folder autostart [--remove] ПАПКА   запуск в трее при входе пользователя\n"
    "  orvenka-folder service enable|disable ПАПКА служба systemd на папке (нужен root)\n"
    "  orvenka-folder service name ПАПКА           имя службы папки для systemctl и journalctl\n"
    "Каждая папка обмена обслуживается своей копией программы; вторая копия на той же папке\n"
    "не запускается. Код выхода: 0 - сделано, 1 - отказ (причина в сообщении), 2 - неверные\n"
    "аргументы.\n";

namespace {

using namespace folder_tool;

// Windows-1251 lines as the accounting system writes them (all of them ASCII).
const char* const kStarterEmulParam =
    "Oplata=\r\n"
    "Fiscal=-\r\n"
    "Section=1\r\n"
    "PRN_WIDHT=40\r\n"
    "PRN_WIDHT_ITOG=20\r\n"
    "PRN_FONT=Orvenka\r\n"
    "PRN_SIZEFONT=9\r\n"
    "PRN_SIZEFONT_ITOG=14\r\n";

// The service would lose its folder from under it.
void RefuseWhileServiceEnabled(const Context& c, const std::string& folder) {
    if (ServiceEnabled(c, folder)) {
        throw Failure("для папки " + folder +
                      " включена служба: сначала orvenka-folder service disable " + folder);
    }
}

std::string AutostartPath(const Context& c, const std::string& folder) {
    return c.setup.autostartDir + "/" + AutostartFileName(folder);
}

bool ProcessRunning(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

// The emulator lays out every document on paper of the widths Param.ini gives: a new emulator
// folder gets working ones, so that its first report prints. The accounting system's own
// Param.ini replaces the file with its first receipt; one already there is left alone.
void WriteStarterParam(Context& c, const std::string& folder) {
    if (FileSpellingOf(WithSlash(folder), "Param.ini"))
        return;
    try {
        WriteFileBytesAtomic(InFolder(folder, "Param.ini"), kStarterEmulParam);
        c.out << "Записан Param.ini с настройками эмулятора (бумага 40 знаков); учётная система "
                 "заменит его своим.\n";
    } catch (const Failure& f) {
        c.err << "orvenka-folder create: Param.ini не записан: " << f.what() << "\n";
    }
}

int Create(Context& c, const Args& args) {
    const Parsed p = Parse(args, true, false);
    const std::string given = OneFolder(p);
    if (!p.kind)
        throw UsageError{"не указан вид устройства: --kind EMUL, ATOL или SHTRIH"};
    const auto kind = KindFromName(*p.kind);
    if (!kind)
        throw UsageError{"неизвестный вид устройства " + *p.kind + ": EMUL, ATOL или SHTRIH"};
    std::optional<std::string> driver;
    if (p.driver) {
        if (!DriverKey(*kind))
            throw UsageError{"--driver только для ATOL и SHTRIH: у " + KindName(*kind) +
                             " нет драйвера ККМ"};
        try {
            driver = DriverSetting(*p.driver);
        } catch (const Failure& f) {
            throw UsageError{f.what()};
        }
    }
    // A folder that is not there yet is made, as "mkdir -p" would; taken back when the rest fails.
    struct stat st {};
    std::string made;
    if (::lstat(given.c_str(), &st) != 0 && errno == ENOENT) {
        made = AbsoluteFolder(given);
        std::error_code ec;
        std::filesystem::create_directories(made, ec);
        if (ec)
            throw Failure("не удалось создать папку " + made + ": " + ec.message());
    }
    const auto unmake = [&made] {
        if (!made.empty())
            ::rmdir(made.c_str());
    };
    std::string folder;
    CreateOutcome outcome{};
    try {
        folder = ExistingFolder(given);
        outcome = CreateExchangeFolder(folder, *kind, c.setup.program);
    } catch (const Failure&) {
        unmake();
        throw;
    }
    try {
        FolderRegistry(c.setup.registry).Add(folder);
    } catch (const Failure&) {
        if (outcome == CreateOutcome::Created)
            RemoveExchangeFolder(folder, c.setup.program);
        unmake();
        throw;
    }
    if (driver) {
        try {
            WriteDriverSetting(folder, *kind, *driver);
        } catch (const Failure&) {
            if (outcome == CreateOutcome::Created) {
                FolderRegistry(c.setup.registry).Remove(folder);
                RemoveExchangeFolder(folder, c.setup.program);
            }
            unmake();
            throw;
        }
    }
    if (!made.empty())
        c.out << "Папка " << folder << " создана.\n";
    switch (outcome) {
        case CreateOutcome::Created:
            c.out << "Папка обмена " << folder << " создана: " << KindName(*kind) << ".\n";
            break;
        case CreateOutcome::AlreadyThere:
            c.out << "Папка " << folder << " уже папка обмена: " << KindName(*kind) << ".\n";
            break;
        case CreateOutcome::LinkRestored:
            c.out << "Папка обмена " << folder << ": ссылка на программу восстановлена.\n";
            break;
    }
    if (driver) {
        c.out << "Драйвер ККМ " << KindName(*kind) << ": " << DriverShown(folder, *kind) << " ("
              << *DriverKey(*kind) << "=" << *driver << " в " << FolderSettingsPath(folder)
              << ").\n";
        if (FolderLockHolder(folder))
            c.out
                << "Программа на папке уже работает: драйвер сменится, когда её запустят снова.\n";
    }
    if (*kind == DeviceKind::Emul)
        WriteStarterParam(c, folder);
    if (c.setup.root) {
        // Root's folders are the machine's list, for services; the menu entry of a desktop
        // session starts the folders of that user's own list.
        c.out << "Папка в списке машины (для служб). Для меню рабочего стола кассира сделайте "
                 "её от его имени: sudo -u КАССИР orvenka-folder create \""
              << folder << "\" --kind " << KindName(*kind) << "\n";
    }
    c.out << "Запуск: orvenka-folder start " << folder << "\n"
          << "При входе в систему: orvenka-folder autostart " << folder << "\n"
          << "Службой: orvenka-folder service enable " << folder << "\n";
    return kFolderOk;
}

int Remove(Context& c, const Args& args) {
    const std::string given = OneFolder(Parse(args, false, false));
    struct stat st {};
    if (::stat(given.c_str(), &st) != 0) {
        // A folder deleted by hand: what refers to it goes too.
        const std::string gone = AbsoluteFolder(given);
        const FolderRegistry list(c.setup.registry);
        const auto folders = list.Folders();
        if (std::find(folders.begin(), folders.end(), gone) == folders.end())
            throw Failure("папка не найдена: " + given);
        RefuseWhileServiceEnabled(c, gone);
        DeleteFileIfExists(AutostartPath(c, gone));
        list.Remove(gone);
        c.out << "Папки " << gone << " нет; она убрана из списка.\n";
        return kFolderOk;
    }
    const std::string folder = ExistingFolder(given);
    RequireExchangeFolder(c, folder);
    if (const int pid = FolderLockHolder(folder)) {
        throw Failure("папку " + folder + " обслуживает процесс " + std::to_string(pid) +
                      ": сначала остановите его");
    }
    RefuseWhileServiceEnabled(c, folder);
    DeleteFileIfExists(AutostartPath(c, folder));
    RemoveExchangeFolder(folder, c.setup.program);
    FolderRegistry(c.setup.registry).Remove(folder);
    c.out << "Папка " << folder << " больше не папка обмена; её файлы остались на месте.\n";
    return kFolderOk;
}

std::string StateOf(const Context& c, const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "папки нет";
    FolderInfo info;
    try {
        info = InspectFolder(folder, c.setup.program);
    } catch (const Failure&) {
        return "файл " + std::string(kFolderFileName) + " испорчен";
    }
    if (!info.kind)
        return "не папка обмена";
    std::string state = KindName(*info.kind);
    if (info.link != FolderInfo::Link::ToProgram)
        state += ", нет ссылки на программу";
    if (const int pid = FolderLockHolder(folder))
        state += ", работает (pid " + std::to_string(pid) + ")";
    else
        state += ", остановлена";
    if (DriverKey(*info.kind))
        state += ", драйвер: " + DriverShown(folder, *info.kind);
    return state;
}

int List(Context& c, const Args& args) {
    const Parsed p = Parse(args, false, false);
    if (!p.positional.empty())
        throw UsageError{"лишний аргумент " + p.positional[0]};
    const auto folders = FolderRegistry(c.setup.registry).Folders();
    if (folders.empty()) {
        c.out << "Папок обмена нет. Создать: orvenka-folder create ПАПКА --kind EMUL\n";
        return kFolderOk;
    }
    for (const auto& folder : folders) {
        c.out << folder << ": " << StateOf(c, folder);
        if (FileExists(AutostartPath(c, folder)))
            c.out << ", автозапуск";
        if (ServiceEnabled(c, folder))
            c.out << ", служба " << ServiceUnitName(folder);
        c.out << "\n";
    }
    return kFolderOk;
}

// Starts the program on one folder and waits until it holds the folder or has ended.
// Here and in Run the installed program itself is started, named by the folder's link: it takes
// the link's folder as its own only while the link leads to it, and whoever may write into a
// folder cannot have it run a file of theirs in the program's place.
bool StartOne(Context& c, const std::string& folder) {
    const FolderInfo info = RequireExchangeFolder(c, folder);
    if (const int pid = FolderLockHolder(folder)) {
        c.out << folder << ": уже работает (pid " << pid << ").\n";
        return true;
    }
    const std::string link = ProgramLink(c, folder, info);
    const int pid = c.setup.spawn(c.setup.program, {link, KindArgument(*info.kind)});
    if (pid <= 0) {
        c.err << "orvenka-folder: " << folder << ": не удалось запустить " << link << "\n";
        return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < end) {
        if (FolderLockHolder(folder) == pid) {
            c.out << folder << ": запущена (pid " << pid << ").\n";
            return true;
        }
        if (!ProcessRunning(pid)) {
            c.err << "orvenka-folder: " << folder << ": программа закончилась сразу; "
                  << "причина в RunInfo.txt и " << kProgramLinkName << ".log папки\n";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    c.out << folder << ": запускается (pid " << pid << ").\n";
    return true;
}

int Start(Context& c, const Args& args) {
    const Parsed p = Parse(args, false, false);
    if (p.positional.size() > 1)
        throw UsageError{"лишний аргумент " + p.positional[1]};
    std::vector<std::string> folders;
    if (p.positional.empty()) {
        folders = FolderRegistry(c.setup.registry).Folders();
        if (folders.empty()) {
            throw Failure("папок обмена нет (список " + c.setup.registry +
                          "). Создать: orvenka-folder create ПАПКА --kind EMUL");
        }
    } else {
        folders.push_back(ExistingFolder(p.positional[0]));
    }
    bool all = true;
    for (const auto& folder : folders) {
        try {
            all = StartOne(c, folder) && all;
        } catch (const Failure& f) {
            c.err << "orvenka-folder: " << f.what() << "\n";
            all = false;
        }
    }
    return all ? kFolderOk : kFolderFailed;
}

// Ends the copy serving a folder the clean way (SIGTERM: its exit steps run and its run log is
// written) and waits until it has let the folder go.
int Stop(Context& c, const Args& args) {
    const std::string folder = ExistingFolder(OneFolder(Parse(args, false, false)));
    RequireExchangeFolder(c, folder);
    if (ServiceEnabled(c, folder)) {
        throw Failure("папку " + folder + " обслуживает служба " + ServiceUnitName(folder) +
                      ", она запустит программу снова: systemctl stop " + ServiceUnitName(folder) +
                      " или orvenka-folder service disable " + folder);
    }
    const int pid = FolderLockHolder(folder);
    if (pid == 0) {
        c.out << folder << ": программа не работает.\n";
        return kFolderOk;
    }
    if (::kill(pid, SIGTERM) != 0) {
        throw Failure("не удалось остановить процесс " + std::to_string(pid) + ": " +
                      SystemErrorText(errno));
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end) {
        if (FolderLockHolder(folder) != pid) {
            c.out << folder << ": остановлена (pid " << pid << ").\n";
            return kFolderOk;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw Failure("процесс " + std::to_string(pid) + " не закончился за 30 секунд после SIGTERM");
}

int Run(Context& c, const Args& args) {
    const std::string folder = ExistingFolder(OneFolder(Parse(args, false, false)));
    const FolderInfo info = RequireExchangeFolder(c, folder);
    const std::string link = ProgramLink(c, folder, info);
    if (const int pid = FolderLockHolder(folder)) {
        c.err << "orvenka-folder: папку " << folder << " уже обслуживает процесс " << pid
              << "; эта копия только отметится в RunInfo.txt\n";
    }
    c.err.flush();
    c.out.flush();
    c.setup.exec(c.setup.program, {link, KindArgument(*info.kind)});
    throw Failure("не удалось запустить " + link);
}

int Autostart(Context& c, const Args& args) {
    const Parsed p = Parse(args, false, true);
    const std::string given = OneFolder(p);
    if (p.remove) {
        const std::string path = AutostartPath(c, KnownFolder(given));
        if (!FileExists(path)) {
            c.out << "Автозапуска для папки " << given << " нет.\n";
            return kFolderOk;
        }
        if (!DeleteFileIfExists(path))
            throw Failure("не удалось удалить " + path);
        c.out << "Автозапуск убран: " << path << "\n";
        return kFolderOk;
    }
    const std::string folder = ExistingFolder(given);
    RequireExchangeFolder(c, folder);
    if (ServiceEnabled(c, folder)) {
        throw Failure("папку " + folder + " обслуживает служба " + ServiceUnitName(folder) +
                      "; вторую копию в трее она не пустит");
    }
    std::error_code ec;
    std::filesystem::create_directories(c.setup.autostartDir, ec);
    if (ec) {
        throw Failure("не удалось создать папку " + c.setup.autostartDir + ": " + ec.message());
    }
    const std::string path = AutostartPath(c, folder);
    WriteFileBytesAtomic(path, AutostartEntry(folder, c.setup.tool));
    c.out << "Автозапуск при входе в систему: " << path << "\n"
          << "Убрать: orvenka-folder autostart --remove " << folder << "\n";
    return kFolderOk;
}

struct CommandRow {
    const char* name;
    int (*handler)(Context&, const Args&);
};

constexpr CommandRow kCommands[] = {
    {"create", Create}, {"remove", Remove}, {"list", List},           {"start", Start},
    {"stop", Stop},     {"run", Run},       {"autostart", Autostart}, {"service", Service},
};

}  // namespace

int RunFolderTool(const std::vector<std::string>& args, const FolderToolSetup& setup,
                  std::ostream& out, std::ostream& err) {
    Context c{setup, out, err};
    if (args.empty()) {
        err << "orvenka-folder: не указана команда\n" << kFolderUsageText;
        return kFolderUsage;
    }
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        out << kFolderUsageText;
        return kFolderOk;
    }
    if (args[0] == "--version") {
        out << "orvenka-folder " << kOrvenkaVersion << "\n";
        return kFolderOk;
    }
    for (const auto& row : kCommands) {
        if (args[0] != row.name)
            continue;
        try {
            return row.handler(c, Args(args.begin() + 1, args.end()));
        } catch (const UsageError& e) {
            err << "orvenka-folder " << row.name << ": " << e.text << "\n" << kFolderUsageText;
            return kFolderUsage;
        } catch (const Failure& f) {
            err << "orvenka-folder " << row.name << ": " << f.what() << "\n";
            return kFolderFailed;
        }
    }
    err << "orvenka-folder: неизвестная команда " << args[0] << "\n" << kFolderUsageText;
    return kFolderUsage;
}

}  // namespace orvenka
