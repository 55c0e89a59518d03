#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/failure.h"
#include "common/files.h"
#include "common/process.h"
#include "folders/folder_tool.h"
#include "folders/service_unit.h"

// orvenka-folder service: a systemd service per exchange folder, confined to it.
namespace orvenka::folder_tool {

namespace {

void Systemctl(Context& c, const Args& args) {
    Args command{"systemctl"};
    command.insert(command.end(), args.begin(), args.end());
    const int code = c.setup.runCommand(command);
    if (code == -1)
        throw Failure("systemctl не найден: службам нужен systemd");
    if (code != 0) {
        std::string line;
        for (const auto& a : command)
            line += (line.empty() ? "" : " ") + a;
        throw Failure("\"" + line + "\" закончилась с кодом " + std::to_string(code));
    }
}

std::string DropInPath(const Context& c, const std::string& unit, const char* name) {
    return c.setup.systemdDir + "/" + unit + ".d/" + name;
}

// A service on a folder of root runs as root; files it writes in place there must not be links
// that another user who may write into the folder has put in their stead.
void RefuseSharedRootFolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0 && st.st_uid == 0 && (st.st_mode & (S_IWGRP | S_IWOTH))) {
        throw Failure("папка " + folder +
                      " принадлежит root, но писать в неё могут и другие пользователи: служба "
                      "работала бы в ней от root. Отдайте папку пользователю, от имени которого "
                      "служба должна работать (chown), или закройте запись другим (chmod go-w)");
    }
}

void RemoveServiceDropIn(Context& c, const std::string& unit) {
    DeleteFileIfExists(DropInPath(c, unit, kServiceDropInName));
    DeleteFileIfExists(DropInPath(c, unit, kOldServiceDropInName));
    // only when empty: an administrator's own drop-ins stay
    ::rmdir(FolderOf(DropInPath(c, unit, kServiceDropInName)).c_str());
}

// Writes the folder's drop-in: the folder's owner as the service's user (a folder of root keeps
// root), a home left readable, the network for a register reached over TCP.
void WriteServiceDropIn(Context& c, const std::string& folder, const std::string& unit) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        throw Failure("папка недоступна: " + folder);
    ServiceNeeds needs;
    if (st.st_uid != 0) {
        const passwd* user = ::getpwuid(st.st_uid);
        if (!user) {
            throw Failure("у владельца папки " + folder + " (uid " + std::to_string(st.st_uid) +
                          ") нет имени пользователя");
        }
        needs.user = user->pw_name;
        const group* g = ::getgrgid(st.st_gid);
        needs.group = g ? g->gr_name : std::to_string(st.st_gid);
    }
    needs.inHome = InHomeArea(folder);
    needs.network = RegisterOverNetwork(folder);
    if (needs.user.empty() && !needs.inHome && !needs.network) {
        RemoveServiceDropIn(c, unit);  // the template as it is
        return;
    }
    const std::string path = DropInPath(c, unit, kServiceDropInName);
    std::error_code ec;
    std::filesystem::create_directories(FolderOf(path), ec);
    if (ec)
        throw Failure("не удалось создать папку " + FolderOf(path) + ": " + ec.message());
    WriteFileBytesAtomic(path, ServiceDropIn(needs));
    DeleteFileIfExists(DropInPath(c, unit, kOldServiceDropInName));
    if (!needs.user.empty())
        c.out << "Служба будет работать от имени владельца папки: " << needs.user << "\n";
    if (needs.network)
        c.out << "Службе открыта сеть: касса подключена по TCP.\n";
}

int ServiceEnable(Context& c, const std::string& given) {
    const std::string folder = ExistingFolder(given);
    RequireExchangeFolder(c, folder);
    const std::string unit = ServiceUnitName(folder);
    if (ServiceEnabled(c, folder)) {
        // Run again after the folder's connection changed: the drop-in follows it.
        WriteServiceDropIn(c, folder, unit);
        if (c.setup.systemdRunning) {
            Systemctl(c, {"daemon-reload"});
            Systemctl(c, {"try-restart", unit});
        }
        c.out << "Служба " << unit << " уже включена; её настройки обновлены.\n";
        return kFolderOk;
    }
    if (const int pid = FolderLockHolder(folder)) {
        throw Failure("папку " + folder + " уже обслуживает процесс " + std::to_string(pid) +
                      ": сначала остановите его, иначе служба не запустится");
    }
    RefuseSharedRootFolder(folder);
    WriteServiceDropIn(c, folder, unit);
    try {
        if (c.setup.systemdRunning)
            Systemctl(c, {"daemon-reload"});
        if (c.setup.systemdRunning)
            Systemctl(c, {"enable", "--now", unit});
        else
            Systemctl(c, {"enable", unit});
    } catch (const Failure&) {
        RemoveServiceDropIn(c, unit);
        throw;
    }
    c.out << "Служба " << unit << " включена.\n";
    if (!c.setup.systemdRunning)
        c.out << "systemd сейчас не работает: служба запустится при следующей загрузке.\n";
    c.out << "Состояние: systemctl status " << unit << "\n"
          << "Журнал: journalctl -u " << unit << "\n";
    return kFolderOk;
}

int ServiceDisable(Context& c, const std::string& given) {
    const std::string unit = ServiceUnitName(KnownFolder(given));
    if (c.setup.systemdRunning)
        Systemctl(c, {"disable", "--now", unit});
    else
        Systemctl(c, {"disable", unit});
    RemoveServiceDropIn(c, unit);
    if (c.setup.systemdRunning)
        Systemctl(c, {"daemon-reload"});
    c.out << "Служба " << unit << " выключена.\n";
    return kFolderOk;
}

}  // namespace

int Service(Context& c, const Args& args) {
    if (args.empty())
        throw UsageError{"после service нужно enable, disable или name"};
    const std::string action = args[0];
    const std::string given = OneFolder(Parse(Args(args.begin() + 1, args.end()), false, false));
    if (action == "name") {
        c.out << ServiceUnitName(ExistingFolder(given)) << "\n";
        return kFolderOk;
    }
    if (action != "enable" && action != "disable")
        throw UsageError{"неизвестное действие службы " + action + ": enable, disable или name"};
    if (!c.setup.root)
        throw Failure("службы включает и выключает root: sudo orvenka-folder service " + action +
                      " " + given);
    return action == "enable" ? ServiceEnable(c, given) : ServiceDisable(c, given);
}

}  // namespace orvenka::folder_tool
