#include "folders/folder_tool.h"

#include <sys/stat.h>

#include "common/failure.h"
#include "common/files.h"
#include "folders/service_unit.h"

namespace orvenka::folder_tool {

std::string WithSlash(const std::string& folder) {
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

Parsed Parse(const Args& args, bool takesKind, bool takesRemove) {
    Parsed p;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnd || a.size() < 2 || a[0] != '-') {
            p.positional.push_back(a);
        } else if (a == "--") {
            optionsEnd = true;
        } else if (takesKind && (a == "--kind" || a == "-k")) {
            if (i + 1 >= args.size())
                throw UsageError{"после " + a + " нужен вид устройства: EMUL, ATOL или SHTRIH"};
            p.kind = args[++i];
        } else if (takesKind && a.rfind("--kind=", 0) == 0) {
            p.kind = a.substr(7);
        } else if (takesKind && a == "--driver") {
            if (i + 1 >= args.size())
                throw UsageError{"после --driver нужен драйвер: SIM, AUTO или путь к библиотеке"};
            p.driver = args[++i];
        } else if (takesKind && a.rfind("--driver=", 0) == 0) {
            p.driver = a.substr(9);
        } else if (takesRemove && a == "--remove") {
            p.remove = true;
        } else {
            throw UsageError{"неизвестный ключ " + a};
        }
    }
    return p;
}

std::string OneFolder(const Parsed& p) {
    if (p.positional.empty())
        throw UsageError{"не указана папка"};
    if (p.positional.size() > 1)
        throw UsageError{"лишний аргумент " + p.positional[1]};
    return p.positional[0];
}

FolderInfo RequireExchangeFolder(const Context& c, const std::string& folder) {
    FolderInfo info = InspectFolder(folder, c.setup.program);
    if (!info.kind) {
        throw Failure("папка " + folder +
                      " не папка обмена: сначала orvenka-folder create ПАПКА --kind ВИД");
    }
    return info;
}

std::string ProgramLink(const Context& c, const std::string& folder, const FolderInfo& info) {
    if (info.link != FolderInfo::Link::ToProgram) {
        throw Failure("в папке " + folder + " нет ссылки " + kProgramLinkName + " на " +
                      c.setup.program + ": orvenka-folder create " + folder + " --kind " +
                      KindName(*info.kind) + " восстановит её");
    }
    return InFolder(folder, kProgramLinkName);
}

std::string KnownFolder(const std::string& given) {
    struct stat st {};
    return ::stat(given.c_str(), &st) == 0 ? ExistingFolder(given) : AbsoluteFolder(given);
}

namespace {

std::string WantsLink(const Context& c, const std::string& unit) {
    return c.setup.systemdDir + "/multi-user.target.wants/" + unit;
}

}  // namespace

bool ServiceEnabled(const Context& c, const std::string& folder) {
    try {
        struct stat st {};
        return ::lstat(WantsLink(c, ServiceUnitName(folder)).c_str(), &st) == 0;
    } catch (const Failure&) {
        return false;  // a path too long for a service has none
    }
}

}  // namespace orvenka::folder_tool
