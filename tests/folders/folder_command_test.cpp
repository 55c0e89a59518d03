#include "folders/folder_command.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/files.h"
#include "common/key_values.h"
#include "common/process.h"
#include "folders/autostart_entry.h"
#include "folders/exchange_folder.h"
#include "folders/folder_registry.h"
#include "folders/service_unit.h"
#include "support/desktop_exec.h"
#include "support/run_unprivileged.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// The command on folders of its own, with systemctl and exec recorded instead of run.
class FolderCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base = ExistingFolder(tmp.Path());
        fs::create_directories(base + "/lib");
        fs::create_directories(base + "/etc/systemd/system");
        fs::create_directories(base + "/Обмен ККМ");
        fs::create_directories(base + "/kassa2");
        std::ofstream(base + "/lib/orvenka") << "#!/bin/sh\n";
        setup.program = base + "/lib/orvenka";
        setup.tool = base + "/lib/orvenka-folder";
        setup.registry = base + "/state/folders";
        setup.autostartDir = base + "/config/autostart";
        setup.systemdDir = base + "/etc/systemd/system";
        setup.root = true;
        setup.runCommand = [this](const Args& command) {
            commands.push_back(command);
            return commandExit;
        };
        setup.exec = [this](const std::string& path, const Args& argv) {
            execs.push_back(Args{path});
            execs.back().insert(execs.back().end(), argv.begin(), argv.end());
        };
        setup.spawn = [](const std::string&, const Args&) { return -1; };
        kassa1 = base + "/Обмен ККМ";
        kassa2 = base + "/kassa2";
    }

    int Run(const Args& args) {
        out.str("");
        err.str("");
        return RunFolderTool(args, setup, out, err);
    }
    std::vector<std::string> Listed() const {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::string Unit(const std::string& folder) const { return ServiceUnitName(folder); }
    void EnableByHand(const std::string& folder) {
        fs::create_directories(setup.systemdDir + "/multi-user.target.wants");
        fs::create_symlink("/lib/systemd/system/orvenka@.service",
                           setup.systemdDir + "/multi-user.target.wants/" + Unit(folder));
    }

    test::TempFolder tmp;
    std::string base, kassa1, kassa2;
    FolderToolSetup setup;
    std::vector<Args> commands, execs;
    int commandExit = 0;
    std::ostringstream out, err;
};

TEST_F(FolderCommandTest, BadArgumentsAreUsageErrorsThatChangeNothing) {
    struct Row {
        Args args;
        std::string message;
    };
    const std::vector<Row> rows = {
        {{}, "orvenka-folder: не указана команда"},
        {{"frobnicate"}, "orvenka-folder: неизвестная команда frobnicate"},
        {{"create", kassa1}, "orvenka-folder create: не указан вид устройства"},
        {{"create", kassa1, "--kind"}, "orvenka-folder create: после --kind нужен вид"},
        {{"create", kassa1, "--kind", "PRN"},
         "orvenka-folder create: неизвестный вид устройства PRN"},
        {{"create", "--kind", "EMUL"}, "orvenka-folder create: не указана папка"},
        {{"create", kassa1, kassa2, "-k", "EMUL"},
         "orvenka-folder create: лишний аргумент " + kassa2},
        {{"remove", kassa1, "--force"}, "orvenka-folder remove: неизвестный ключ --force"},
        {{"autostart", "--kind=EMUL", kassa1},
         "orvenka-folder autostart: неизвестный ключ --kind=EMUL"},
        {{"create", kassa1, "--kind", "ATOL", "--driver"},
         "orvenka-folder create: после --driver нужен драйвер"},
        {{"create", kassa1, "--kind", "EMUL", "--driver", "SIM"},
         "orvenka-folder create: --driver только для ATOL и SHTRIH"},
        {{"create", kassa1, "--kind", "ATOL", "--driver=lib/libfptr10.so"},
         "orvenka-folder create: драйвер lib/libfptr10.so: укажите SIM, AUTO или полный путь"},
        {{"create", kassa1, "--kind", "SHTRIH", "--driver", "/opt/\u4e2d/lib.so"},
         "orvenka-folder create: путь /opt/\u4e2d/lib.so нельзя записать в файл настроек"},
        {{"remove", kassa1, "--driver", "SIM"}, "orvenka-folder remove: неизвестный ключ --driver"},
        {{"list", "x"}, "orvenka-folder list: лишний аргумент x"},
        {{"service"}, "orvenka-folder service: после service нужно enable, disable или name"},
        {{"service", "start", kassa1}, "orvenka-folder service: неизвестное действие службы start"},
        {{"service", "enable"}, "orvenka-folder service: не указана папка"},
        {{"run"}, "orvenka-folder run: не указана папка"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Run(r.args), kFolderUsage) << r.message;
        EXPECT_EQ(err.str().rfind(r.message, 0), 0u) << err.str();
        EXPECT_NE(err.str().find(kFolderUsageText), std::string::npos) << r.message;
        EXPECT_TRUE(fs::is_empty(kassa1)) << r.message;
        EXPECT_FALSE(fs::exists(setup.registry)) << r.message;
    }
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(Run({"--help"}), kFolderOk);
    EXPECT_EQ(out.str(), kFolderUsageText);
    EXPECT_EQ(Run({"--version"}), kFolderOk);
    EXPECT_EQ(out.str(), "orvenka-folder 4.52\n");
}

TEST_F(FolderCommandTest, CreateListAndRemove) {
    EXPECT_EQ(Run({"list"}), kFolderOk);
    EXPECT_EQ(out.str(), "Папок обмена нет. Создать: orvenka-folder create ПАПКА --kind EMUL\n");

    ASSERT_EQ(Run({"create", kassa1 + "/", "--kind", "emul"}), kFolderOk) << err.str();
    EXPECT_EQ(Listed().at(0), "Папка обмена " + kassa1 + " создана: EMUL.");
    ASSERT_EQ(Run({"create", "--kind=/Atol", kassa2}), kFolderOk) << err.str();
    EXPECT_EQ(Run({"create", kassa2, "--kind", "ATOL"}), kFolderOk);
    EXPECT_EQ(Listed().at(0), "Папка " + kassa2 + " уже папка обмена: ATOL.");
    fs::remove(kassa2 + "/orvenka");
    EXPECT_EQ(Run({"create", kassa2, "--kind", "ATOL"}), kFolderOk);
    EXPECT_EQ(Listed().at(0), "Папка обмена " + kassa2 + ": ссылка на программу восстановлена.");

    EXPECT_EQ(Run({"list"}), kFolderOk);
    EXPECT_EQ(Listed(),
              (std::vector<std::string>{kassa1 + ": EMUL, остановлена",
                                        kassa2 + ": ATOL, остановлена, драйвер: симулятор"}));
    {
        // This test process serving the first folder, as the program would.
        const FolderLock serving(kassa1);
        ASSERT_EQ(serving.state(), FolderLock::State::Held);
        Run({"list"});
        EXPECT_EQ(Listed().at(0),
                  kassa1 + ": EMUL, работает (pid " + std::to_string(::getpid()) + ")");
        EXPECT_EQ(Run({"remove", kassa1}), kFolderFailed);
        EXPECT_EQ(err.str(), "orvenka-folder remove: папку " + kassa1 + " обслуживает процесс " +
                                 std::to_string(::getpid()) + ": сначала остановите его\n");
    }
    EnableByHand(kassa2);
    Run({"autostart", kassa1});
    fs::remove(kassa2 + "/orvenka");
    Run({"list"});
    EXPECT_EQ(Listed(),
              (std::vector<std::string>{kassa1 + ": EMUL, остановлена, автозапуск",
                                        kassa2 +
                                            ": ATOL, нет ссылки на программу, остановлена, "
                                            "драйвер: симулятор, служба " +
                                            Unit(kassa2)}));
    EXPECT_EQ(Run({"remove", kassa2}), kFolderFailed);
    EXPECT_NE(err.str().find("включена служба: сначала orvenka-folder service disable"),
              std::string::npos);

    std::ofstream(kassa1 + "/Result.txt") << "";
    ASSERT_EQ(Run({"remove", kassa1}), kFolderOk) << err.str();
    EXPECT_EQ(Listed().at(0),
              "Папка " + kassa1 + " больше не папка обмена; её файлы остались на месте.");
    EXPECT_TRUE(fs::exists(kassa1 + "/Result.txt"));
    EXPECT_FALSE(fs::exists(kassa1 + "/orvenka"));
    EXPECT_FALSE(fs::exists(setup.autostartDir + "/" + AutostartFileName(kassa1)));
    fs::remove_all(kassa2);
    Run({"list"});
    EXPECT_EQ(Listed(), std::vector<std::string>{kassa2 + ": папки нет, служба " + Unit(kassa2)});

    // A folder deleted by hand leaves the list by the same command, its service first.
    EXPECT_EQ(Run({"remove", kassa2}), kFolderFailed);
    fs::remove(setup.systemdDir + "/multi-user.target.wants/" + Unit(kassa2));
    EXPECT_EQ(Run({"remove", kassa2}), kFolderOk);
    EXPECT_EQ(Listed().at(0), "Папки " + kassa2 + " нет; она убрана из списка.");
    Run({"list"});
    EXPECT_EQ(Listed().at(0), "Папок обмена нет. Создать: orvenka-folder create ПАПКА --kind EMUL");
    EXPECT_EQ(Run({"remove", kassa2}), kFolderFailed);
    EXPECT_EQ(err.str(), "orvenka-folder remove: папка не найдена: " + kassa2 + "\n");
}

// The driver behind a folder's register goes into the program's settings file there, beside
// what the file already holds, and the list shows it.
TEST_F(FolderCommandTest, CreateWritesTheDriverAndListShowsIt) {
    const std::string settings = kassa1 + "/orvenka.ini";
    std::ofstream(settings) << "AtolNoCloseLinkToDriverAfterCommand=+\r\n"
                               "atoldriver=/old/libfptr10.so\r\nShtrihDriver=SIM\r\n";
    const std::string library = base + "/lib/libfptr10.so";
    std::ofstream(library) << "";
    const auto listed = [&](const std::string& folder) {
        Run({"list"});
        for (const auto& line : Listed()) {
            if (line.rfind(folder + ": ", 0) == 0)
                return line.substr(folder.size() + 2);
        }
        return std::string("<not listed>");
    };
    ASSERT_EQ(Run({"create", kassa1, "--kind", "ATOL", "--driver", library}), kFolderOk)
        << err.str();
    EXPECT_EQ(Listed().at(1),
              "Драйвер ККМ ATOL: " + library + " (AtolDriver=" + library + " в " + settings + ").");
    EXPECT_EQ(ReadFileBytes(settings), "AtolNoCloseLinkToDriverAfterCommand=+\r\nAtolDriver=" +
                                           library + "\r\nShtrihDriver=SIM\r\n");
    EXPECT_EQ(listed(kassa1), "ATOL, остановлена, драйвер: " + library);

    const struct {
        std::string given, written, shown;
    } rows[] = {
        {"sim", "SIM", "симулятор"},
        {"/opt/Драйвер АТОЛ/libfptr10.so", "/opt/Драйвер АТОЛ/libfptr10.so",
         "/opt/Драйвер АТОЛ/libfptr10.so, файла нет"},
        {"Auto", "AUTO", "AUTO: "},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.given);
        ASSERT_EQ(Run({"create", kassa1, "--kind", "ATOL", "--driver=" + r.given}), kFolderOk)
            << err.str();
        EXPECT_NE(
            DecodeFileText(ReadFileBytes(settings)).find("\r\nAtolDriver=" + r.written + "\r\n"),
            std::string::npos);
        EXPECT_EQ(listed(kassa1).rfind("ATOL, остановлена, драйвер: " + r.shown, 0), 0u)
            << listed(kassa1);
    }
    // Without --driver the file is left as it is; a new folder gets one holding the key only.
    const std::string before = ReadFileBytes(settings);
    ASSERT_EQ(Run({"create", kassa1, "--kind", "ATOL"}), kFolderOk);
    EXPECT_EQ(ReadFileBytes(settings), before);
    ASSERT_EQ(Run({"create", kassa2, "--kind", "SHTRIH", "--driver", library}), kFolderOk);
    EXPECT_EQ(ReadFileBytes(kassa2 + "/orvenka.ini"), "ShtrihDriver=" + library + "\r\n");
    EXPECT_EQ(listed(kassa2), "SHTRIH, остановлена, драйвер: " + library);
    // Written by hand: a bare name is the loader's to find.
    std::ofstream(kassa2 + "/orvenka.ini") << "ShtrihDriver=libclassic_fr_drv_ng.so\r\n";
    EXPECT_EQ(listed(kassa2),
              "SHTRIH, остановлена, драйвер: libclassic_fr_drv_ng.so (на путях загрузчика)");
}

TEST_F(FolderCommandTest, RefusedCreatesLeaveNothingHalfMade) {
    std::ofstream(base + "/file") << "x";
    ASSERT_EQ(Run({"create", kassa2, "--kind", "SHTRIH"}), kFolderOk);
    const std::string registry = ReadFileBytes(setup.registry);
    struct Row {
        std::string folder, message;
    };
    const std::vector<Row> rows = {
        {base + "/file", "это не папка: " + base + "/file"},
        {kassa2, "папка " + kassa2 + " уже обслуживает SHTRIH"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Run({"create", r.folder, "--kind", "EMUL"}), kFolderFailed) << r.folder;
        EXPECT_EQ(err.str().rfind("orvenka-folder create: " + r.message, 0), 0u) << err.str();
        EXPECT_EQ(ReadFileBytes(setup.registry), registry);
    }
    EXPECT_EQ(ReadFileBytes(kassa2 + "/" + kFolderFileName), "Kind=SHTRIH\r\n");

    // A settings file that cannot be written takes the new folder back.
    fs::create_directories(kassa1 + "/orvenka.ini");
    EXPECT_EQ(Run({"create", kassa1, "--kind", "ATOL", "--driver", "AUTO"}), kFolderFailed);
    EXPECT_EQ(ReadFileBytes(setup.registry), registry);
    EXPECT_FALSE(fs::exists(kassa1 + "/orvenka"));
    EXPECT_FALSE(fs::exists(kassa1 + "/" + kFolderFileName));
    fs::remove(kassa1 + "/orvenka.ini");

    // A list that cannot be written takes the new folder back.
    setup.registry = base + "/file/folders";
    EXPECT_EQ(Run({"create", kassa1, "--kind", "EMUL"}), kFolderFailed);
    EXPECT_TRUE(fs::is_empty(kassa1));
}

TEST_F(FolderCommandTest, CreateMakesAFolderThatIsNotThereYet) {
    const std::string deep = base + "/новая/Касса 1";
    ASSERT_EQ(Run({"create", deep, "--kind", "EMUL"}), kFolderOk) << err.str();
    EXPECT_EQ(Listed().at(0), "Папка " + deep + " создана.");
    EXPECT_EQ(ReadFileBytes(deep + "/" + kFolderFileName), "Kind=EMUL\r\n");
    EXPECT_EQ(FolderRegistry(setup.registry).Folders(), std::vector<std::string>{deep});
    // An emulator folder gets paper widths it can print with; a register's folder nothing.
    const KeyValueLines param(LoadLines(deep + "/Param.ini"));
    EXPECT_EQ(param.Value("PRN_WIDHT"), "40");
    EXPECT_EQ(param.Value("PRN_WIDHT_ITOG"), "20");
    EXPECT_EQ(param.Value("Oplata"), "") << "the one key the reader cannot do without";
    ASSERT_EQ(Run({"create", kassa2, "--kind", "ATOL"}), kFolderOk);
    EXPECT_FALSE(fs::exists(kassa2 + "/Param.ini"));
    // The accounting system's own file, in any spelling, is left alone.
    fs::create_directories(kassa1);
    std::ofstream(kassa1 + "/PARAM.INI") << "PRN_WIDHT=32\r\n";
    ASSERT_EQ(Run({"create", kassa1, "--kind", "EMUL"}), kFolderOk);
    EXPECT_FALSE(fs::exists(kassa1 + "/Param.ini"));
    EXPECT_EQ(ReadFileBytes(kassa1 + "/PARAM.INI"), "PRN_WIDHT=32\r\n");

    // Refused after all (the list cannot be written): the folder it made goes again.
    const std::string other = base + "/другая";
    setup.registry = base + "/file/folders";
    std::ofstream(base + "/file") << "x";
    EXPECT_EQ(Run({"create", other, "--kind", "EMUL"}), kFolderFailed);
    EXPECT_FALSE(fs::exists(other));
}

// A copy serving the folder, in a process of its own that ends on SIGTERM.
class ServingChild {
  public:
    explicit ServingChild(const std::string& folder) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const FolderLock lock(folder);
            const char held = lock.state() == FolderLock::State::Held ? '1' : '0';
            (void)!::write(fds[1], &held, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        char held = 0;
        held_ = pid_ > 0 && ::read(fds[0], &held, 1) == 1 && held == '1';
        ::close(fds[0]);
    }
    ~ServingChild() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    int pid() const { return held_ ? pid_ : 0; }

  private:
    pid_t pid_ = -1;
    bool held_ = false;
};

TEST_F(FolderCommandTest, StopEndsTheCopyServingTheFolder) {
    ASSERT_EQ(Run({"create", kassa1, "--kind", "EMUL"}), kFolderOk);
    EXPECT_EQ(Run({"stop", kassa1}), kFolderOk);
    EXPECT_EQ(Listed().at(0), kassa1 + ": программа не работает.");

    const ServingChild child(kassa1);
    ASSERT_NE(child.pid(), 0);
    ASSERT_EQ(FolderLockHolder(kassa1), child.pid());
    ASSERT_EQ(Run({"stop", kassa1}), kFolderOk) << err.str();
    EXPECT_EQ(Listed().at(0), kassa1 + ": остановлена (pid " + std::to_string(child.pid()) + ").");
    EXPECT_EQ(FolderLockHolder(kassa1), 0);
    // Stopped, remove goes through.
    EXPECT_EQ(Run({"remove", kassa1}), kFolderOk) << err.str();

    // A service would only start it again.
    ASSERT_EQ(Run({"create", kassa1, "--kind", "EMUL"}), kFolderOk);
    EnableByHand(kassa1);
    EXPECT_EQ(Run({"stop", kassa1}), kFolderFailed);
    EXPECT_NE(err.str().find("обслуживает служба " + Unit(kassa1)), std::string::npos) << err.str();
    EXPECT_EQ(Run({"stop", kassa2}), kFolderFailed) << "not an exchange folder";
}

TEST_F(FolderCommandTest, RunBecomesTheProgramOnTheFolder) {
    ASSERT_EQ(Run({"create", kassa1, "--kind", "SHTRIH"}), kFolderOk);
    EXPECT_EQ(Run({"run", kassa1 + "/."}), kFolderFailed) << "exec returned: it failed";
    // The installed program, named by the link: the program serves the link's folder.
    EXPECT_EQ(execs, (std::vector<Args>{{setup.program, kassa1 + "/orvenka", "/SHTRIH"}}));
    EXPECT_EQ(err.str(), "orvenka-folder run: не удалось запустить " + kassa1 + "/orvenka\n");

    {
        const FolderLock serving(kassa1);
        Run({"run", kassa1});
        EXPECT_EQ(err.str().rfind("orvenka-folder: папку " + kassa1 + " уже обслуживает процесс " +
                                      std::to_string(::getpid()) +
                                      "; эта копия только отметится в RunInfo.txt\n",
                                  0),
                  0u)
            << err.str();
        EXPECT_EQ(execs.size(), 2u) << "the program itself refuses, and says so in RunInfo.txt";
    }

    // No link, or one that leads elsewhere: nothing runs.
    execs.clear();
    fs::remove(kassa1 + "/orvenka");
    EXPECT_EQ(Run({"run", kassa1}), kFolderFailed);
    const std::string noLink = "orvenka-folder run: в папке " + kassa1 + " нет ссылки orvenka на " +
                               setup.program + ": orvenka-folder create " + kassa1 +
                               " --kind SHTRIH восстановит её\n";
    EXPECT_EQ(err.str(), noLink);
    fs::create_symlink("/bin/true", kassa1 + "/orvenka");
    EXPECT_EQ(Run({"run", kassa1}), kFolderFailed);
    EXPECT_EQ(err.str(), noLink);
    EXPECT_EQ(Run({"run", kassa2}), kFolderFailed);
    EXPECT_EQ(err.str(), "orvenka-folder run: папка " + kassa2 +
                             " не папка обмена: сначала orvenka-folder create ПАПКА --kind ВИД\n");
    EXPECT_TRUE(execs.empty());
}

TEST_F(FolderCommandTest, AutostartEntryOnAndOff) {
    ASSERT_EQ(Run({"create", kassa1, "--kind", "EMUL"}), kFolderOk);
    ASSERT_EQ(Run({"autostart", kassa1}), kFolderOk) << err.str();
    const std::string path = setup.autostartDir + "/" + AutostartFileName(kassa1);
    EXPECT_EQ(Listed().at(0), "Автозапуск при входе в систему: " + path);
    EXPECT_EQ(ReadFileBytes(path), AutostartEntry(kassa1, setup.tool));
    EXPECT_EQ(Run({"autostart", kassa1}), kFolderOk) << "again: the same entry";

    ASSERT_EQ(Run({"autostart", "--remove", kassa1}), kFolderOk);
    EXPECT_EQ(Listed().at(0), "Автозапуск убран: " + path);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(Run({"autostart", "--remove", kassa1}), kFolderOk);
    EXPECT_EQ(Listed().at(0), "Автозапуска для папки " + kassa1 + " нет.");

    EXPECT_EQ(Run({"autostart", kassa2}), kFolderFailed) << "not an exchange folder";
    EnableByHand(kassa1);
    EXPECT_EQ(Run({"autostart", kassa1}), kFolderFailed);
    EXPECT_EQ(err.str(), "orvenka-folder autostart: папку " + kassa1 + " обслуживает служба " +
                             Unit(kassa1) + "; вторую копию в трее она не пустит\n");
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(FolderCommandTest, ServiceEnableAndDisable) {
    ASSERT_EQ(Run({"create", kassa1, "--kind", "EMUL"}), kFolderOk);
    const std::string unit = Unit(kassa1);
    struct Row {
        bool systemdRunning;
        std::vector<Args> enable, disable;
    };
    const std::vector<Row> rows = {
        {false, {{"systemctl", "enable", unit}}, {{"systemctl", "disable", unit}}},
        {true,
         {{"systemctl", "daemon-reload"}, {"systemctl", "enable", "--now", unit}},
         {{"systemctl", "disable", "--now", unit}, {"systemctl", "daemon-reload"}}},
    };
    for (const auto& r : rows) {
        setup.systemdRunning = r.systemdRunning;
        commands.clear();
        ASSERT_EQ(Run({"service", "enable", kassa1}), kFolderOk) << err.str();
        EXPECT_EQ(commands, r.enable);
        EXPECT_NE(out.str().find("Журнал: journalctl -u " + unit), std::string::npos);
        EXPECT_EQ(out.str().find("при следующей загрузке") != std::string::npos, !r.systemdRunning);
        EXPECT_FALSE(fs::exists(setup.systemdDir + "/" + unit + ".d")) << "root's folder";
        commands.clear();
        ASSERT_EQ(Run({"service", "disable", kassa1}), kFolderOk) << err.str();
        EXPECT_EQ(commands, r.disable);
    }

    EXPECT_EQ(Run({"service", "name", kassa1}), kFolderOk);
    EXPECT_EQ(out.str(), unit + "\n");

    // Enabled again (after the folder's connection changed): its settings are written anew and
    // a running service takes them.
    EnableByHand(kassa1);
    for (const auto& r : rows) {
        setup.systemdRunning = r.systemdRunning;
        commands.clear();
        EXPECT_EQ(Run({"service", "enable", kassa1}), kFolderOk);
        EXPECT_EQ(out.str(), "Служба " + unit + " уже включена; её настройки обновлены.\n");
        const std::vector<Args> reload = {{"systemctl", "daemon-reload"},
                                          {"systemctl", "try-restart", unit}};
        EXPECT_EQ(commands, r.systemdRunning ? reload : std::vector<Args>{});
    }
}

TEST_F(FolderCommandTest, AServiceRunsAsTheOwnerOfItsFolder) {
    ASSERT_EQ(Run({"create", kassa1, "--kind", "EMUL"}), kFolderOk);
    // Others may write into a folder of root: a service there would run as root among files
    // they could swap for links.
    for (mode_t mode : {0775, 0757, 01777}) {
        ASSERT_EQ(::chmod(kassa1.c_str(), mode), 0);
        EXPECT_EQ(Run({"service", "enable", kassa1}), kFolderFailed) << std::oct << mode;
        EXPECT_NE(err.str().find("принадлежит root, но писать в неё могут и другие"),
                  std::string::npos);
    }
    EXPECT_TRUE(commands.empty());
    // Given to a user, it is fine: the service runs as that user.
    ASSERT_EQ(::chown(kassa1.c_str(), 65534, 65534), 0);
    const std::string dropIn = setup.systemdDir + "/" + Unit(kassa1) + ".d/folder.conf";
    const group* g = ::getgrgid(65534);
    const std::string groupName = g ? g->gr_name : "65534";

    ASSERT_EQ(Run({"service", "enable", kassa1}), kFolderOk) << err.str();
    EXPECT_EQ(ReadFileBytes(dropIn), ServiceDropIn({"nobody", groupName, false, false}));
    // The owner's file of earlier versions gives way to it.
    ASSERT_EQ(Run({"service", "disable", kassa1}), kFolderOk);
    const std::string old = FolderOf(dropIn) + "owner.conf";
    fs::create_directories(FolderOf(dropIn));
    WriteFileBytesAtomic(old, "[Service]\nUser=nobody\n");
    ASSERT_EQ(Run({"service", "enable", kassa1}), kFolderOk) << err.str();
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(dropIn));
    ASSERT_EQ(Run({"service", "disable", kassa1}), kFolderOk);
    EXPECT_FALSE(fs::exists(FolderOf(dropIn))) << "the drop-in folder goes with it";

    // systemctl refusing takes the drop-in back.
    for (int code : {1, -1}) {
        commandExit = code;
        EXPECT_EQ(Run({"service", "enable", kassa1}), kFolderFailed);
        EXPECT_FALSE(fs::exists(FolderOf(dropIn)));
    }
    EXPECT_EQ(err.str(), "orvenka-folder service: systemctl не найден: службам нужен systemd\n");
    commandExit = 1;
    Run({"service", "enable", kassa1});
    EXPECT_EQ(err.str(), "orvenka-folder service: \"systemctl enable " + Unit(kassa1) +
                             "\" закончилась с кодом 1\n");
}

TEST_F(FolderCommandTest, ServiceRefusals) {
    commands.clear();
    EXPECT_EQ(Run({"service", "enable", kassa1}), kFolderFailed) << "not an exchange folder";
    ASSERT_EQ(Run({"create", kassa1, "--kind", "EMUL"}), kFolderOk);
    {
        const FolderLock serving(kassa1);
        EXPECT_EQ(Run({"service", "enable", kassa1}), kFolderFailed);
        EXPECT_NE(err.str().find("уже обслуживает процесс " + std::to_string(::getpid()) +
                                 ": сначала остановите его, иначе служба не запустится"),
                  std::string::npos)
            << err.str();
    }
    setup.root = false;
    for (const std::string action : {"enable", "disable"}) {
        EXPECT_EQ(Run({"service", action, kassa1}), kFolderFailed);
        EXPECT_EQ(err.str(),
                  "orvenka-folder service: службы включает и выключает root: sudo "
                  "orvenka-folder service " +
                      action + " " + kassa1 + "\n");
    }
    EXPECT_EQ(Run({"service", "name", kassa1}), kFolderOk) << "anyone may ask the name";
    EXPECT_TRUE(commands.empty());
}

}  // namespace
}  // namespace orvenka
