// Exchange folders: the real program started through each folder's link to one shared program
// file, by the real orvenka-folder, and asked by the real orvenka-cmd.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "common/files.h"
#include "common/process.h"
#include "folders/autostart_entry.h"
#include "program_under_test.h"
#include "support/desktop_exec.h"
#include "support/shell_command.h"

namespace orvenka::test {
namespace {

namespace fs = std::filesystem;
const Millis kWait(15000);

std::string ExeOf(int pid) {
    std::error_code ec;
    return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec).string();
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat x {};
    struct stat y {};
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

class FolderE2E : public ::testing::Test {
  protected:
    struct Outcome {
        int code;
        std::string out, err;
    };

    void TearDown() override {
        for (auto& p : children) {
            p->Terminate();
            if (!p->WaitForExit(Millis(5000)))
                p->Kill();
        }
        // Copies started in the background are nobody's children here: a test that stopped
        // half-way must not leave them serving its folders, and running under the program's
        // own file name, after it.
        for (const auto& folder : folders) {
            if (const int pid = FolderLockHolder(folder))
                ::kill(pid, SIGKILL);
        }
    }

    std::vector<std::string> Env() const {
        return {"ORVENKA_PROGRAM=" + shared.Executable(),
                "ORVENKA_FOLDER_LIST=" + state.File("folders"),
                "XDG_CONFIG_HOME=" + state.File("config"), "QT_QPA_PLATFORM=offscreen",
                "CUPS_SERVER=/nonexistent/orvenka-e2e/cups.sock"};
    }
    ChildProcess& Child(const std::string& executable, const std::vector<std::string>& args,
                        std::vector<std::string> env = {}) {
        auto all = Env();
        all.insert(all.end(), env.begin(), env.end());
        const std::string prefix = state.File("child-" + std::to_string(children.size()));
        children.push_back(
            std::make_unique<ChildProcess>(executable, args, all, state.Path(), prefix));
        return *children.back();
    }
    Outcome Finish(ChildProcess& p) {
        const auto code = p.WaitForExit(Millis(30000));
        return {code.value_or(-1), p.Stdout(), p.Stderr()};
    }
    Outcome Tool(const std::vector<std::string>& args) {
        return Finish(Child(ORVENKA_FOLDER_EXECUTABLE, args));
    }
    Outcome Cmd(const std::string& folder, const std::string& command) {
        return Finish(Child(ORVENKA_CMD_EXECUTABLE, {"-d", folder, "-t", "20", command}));
    }
    // A word no kind knows: answered, with its error line, only by a copy serving the folder.
    bool Answered(const std::string& folder) {
        const Outcome answer = Cmd(folder, "NOSUCHCOMMAND");
        return answer.code == 1 &&
               answer.out.find("Неизвестная команда \"NOSUCHCOMMAND\"") != std::string::npos;
    }
    // A new exchange folder made by the folder command.
    std::string Folder(const std::string& name, const std::string& kind) {
        const std::string path = fs::canonical(root.Path()).string() + "/" + name;
        fs::create_directories(path);
        folders.push_back(path);
        const Outcome made = Tool({"create", path, "--kind", kind});
        EXPECT_EQ(made.code, 0) << made.err;
        return path;
    }
    // "orvenka-folder run FOLDER", as the service and the autostart entries start it.
    ChildProcess& Serve(const std::string& folder) {
        ChildProcess& p = Child(ORVENKA_FOLDER_EXECUTABLE, {"run", folder});
        if (!p.WaitForStderr(ProgramUnderTest::kPollingLine, kWait))
            ADD_FAILURE() << folder << " is not served; stderr:\n" << p.Stderr();
        return p;
    }
    static std::string RunInfo(const std::string& folder) {
        return DecodeFileText(ReadFileBytes(folder + "/RunInfo.txt"));
    }

    ProgramUnderTest shared;  // the installed program: a copy under a file name of its own
    TempFolder root;          // the exchange folders
    TempFolder state;         // the folder list, autostart entries, the children's output
    std::vector<std::unique_ptr<ChildProcess>> children;
    std::vector<std::string> folders;  // every exchange folder the test made
};

TEST_F(FolderE2E, TwoFoldersAreServedAtOnceEachByItsOwnCopy) {
    const std::string emul = Folder("Обмен ККМ", "EMUL");
    const std::string atol = Folder("kassa 2", "ATOL");
    ChildProcess& first = Serve(emul);
    ChildProcess& second = Serve(atol);
    ASSERT_NE(first.Pid(), second.Pid());
    EXPECT_EQ(ExeOf(first.Pid()), shared.Executable()) << "one shared program file";
    EXPECT_EQ(ExeOf(second.Pid()), shared.Executable());

    // Each folder answers its own commands only.
    for (const auto& [asked, other] : {std::pair{atol, emul}, std::pair{emul, atol}}) {
        fs::remove(other + "/cmd.finish");
        EXPECT_TRUE(Answered(asked)) << asked;
        EXPECT_TRUE(fs::exists(asked + "/cmd.finish"));
        EXPECT_FALSE(fs::exists(other + "/cmd.finish")) << "the other folder saw nothing";
    }

    // Each copy works under the link's name in its own folder, on the folder's kind.
    first.Terminate();
    second.Terminate();
    ASSERT_EQ(first.WaitForExit(kWait), 0);
    ASSERT_EQ(second.WaitForExit(kWait), 0);
    for (const auto& [folder, kind] : {std::pair{emul, "/EMUL"}, std::pair{atol, "/ATOL"}}) {
        EXPECT_EQ(RunInfo(folder).rfind("Успешно запущена!", 0), 0u) << folder;
        const std::string log = DecodeFileText(ReadFileBytes(folder + "/orvenka.log"));
        EXPECT_NE(log.find(":" + folder + "/orvenka " + kind + " \r\n"), std::string::npos) << log;
        EXPECT_NE(log.find("Имя файла для команд " + folder + "/cmd.ini"), std::string::npos);
        EXPECT_TRUE(fs::exists(folder + "/orvenka.ini"));
    }
}

TEST_F(FolderE2E, OneCopyPerFolderHoweverItIsStarted) {
    const std::string kassa = Folder("kassa", "EMUL");
    const std::string other = Folder("other", "EMUL");
    ChildProcess& first = Serve(kassa);
    ChildProcess& beside = Serve(other);

    // The same folder again: through the folder command, through another link, and a copy of
    // the program under another name (which the file name rule alone would let through).
    fs::create_symlink(shared.Executable(), kassa + "/kassa-b");
    fs::copy_file(shared.Executable(), kassa + "/orvenka-copy");
    const std::vector<std::pair<std::string, std::vector<std::string>>> starts = {
        {ORVENKA_FOLDER_EXECUTABLE, {"run", kassa}},
        {kassa + "/kassa-b", {"/EMUL"}},
        {kassa + "/orvenka-copy", {"/EMUL"}},
    };
    for (const auto& [executable, args] : starts) {
        fs::remove(kassa + "/RunInfo.txt");
        ChildProcess& again = Child(executable, args);
        ASSERT_EQ(again.WaitForExit(kWait), 0) << executable << "\n" << again.Stderr();
        EXPECT_EQ(RunInfo(kassa).rfind("Копия программы уже запущена! Время проверки:", 0), 0u)
            << executable;
        EXPECT_EQ(again.Stderr().find(ProgramUnderTest::kPollingLine), std::string::npos);
    }
    EXPECT_NE(children[children.size() - 3]->Stderr().find("уже обслуживает процесс " +
                                                           std::to_string(first.Pid())),
              std::string::npos)
        << "the folder command says who serves the folder";
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(beside.Running());
    EXPECT_TRUE(Answered(kassa));

    // Once the first copy has ended, the folder is free again.
    first.Terminate();
    ASSERT_EQ(first.WaitForExit(kWait), 0);
    ChildProcess& next = Child(kassa + "/kassa-b", {"/EMUL"});
    EXPECT_TRUE(next.WaitForStderr(ProgramUnderTest::kPollingLine, kWait)) << next.Stderr();
}

TEST_F(FolderE2E, AnUpgradeReachesEveryFolderAtItsNextStart) {
    const std::string a = Folder("a", "EMUL");
    const std::string b = Folder("b", "ATOL");
    ChildProcess& servingA = Serve(a);
    ChildProcess& servingB = Serve(b);

    // The package manager's way: the new file beside the old one, renamed over it.
    const std::string program = shared.Executable();
    fs::copy_file(ORVENKA_EXECUTABLE, program + ".dpkg-new");
    fs::rename(program + ".dpkg-new", program);
    EXPECT_EQ(ExeOf(servingA.Pid()), program + " (deleted)");

    EXPECT_TRUE(Answered(b)) << "still running the old program";
    EXPECT_TRUE(Answered(a));

    servingA.Terminate();
    ASSERT_EQ(servingA.WaitForExit(kWait), 0);
    ChildProcess& restarted = Serve(a);
    EXPECT_EQ(ExeOf(restarted.Pid()), program);
    EXPECT_TRUE(SameFile("/proc/" + std::to_string(restarted.Pid()) + "/exe", program));
    EXPECT_TRUE(Answered(a));
    EXPECT_TRUE(servingB.Running());
    EXPECT_EQ(ExeOf(servingB.Pid()), program + " (deleted)");
}

// The ExecStart line and the environment of the service unit, as systemd would run them.
struct ServiceLine {
    std::vector<std::string> argv;
    std::vector<std::string> env;
};

ServiceLine ReadUnit(const std::string& unitText, const std::string& folder) {
    ServiceLine line;
    std::istringstream in(unitText);
    for (std::string l; std::getline(in, l);) {
        if (l.rfind("Environment=", 0) == 0)
            line.env.push_back(l.substr(12));
        if (l.rfind("ExecStart=", 0) != 0)
            continue;
        std::istringstream words(l.substr(10));
        for (std::string w; words >> w;)
            line.argv.push_back(w == "%f" ? folder : w);
    }
    return line;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST_F(FolderE2E, TheServiceRunsTheProgramOffscreenAndStopsItCleanly) {
    const std::string folder = Folder("Касса $1", "EMUL");
    const ServiceLine unit = ReadUnit(ReadText(ORVENKA_SERVICE_UNIT), folder);
    ASSERT_EQ(unit.argv, (std::vector<std::string>{":/usr/bin/orvenka-folder", "run", folder}));
    EXPECT_EQ(unit.env, std::vector<std::string>{"QT_QPA_PLATFORM=offscreen"});

    // No desktop, what the unit sets, and the built folder command in the installed one's place.
    ChildProcess& service = Child(ORVENKA_FOLDER_EXECUTABLE, {"run", folder},
                                  {unit.env[0], "DISPLAY=", "WAYLAND_DISPLAY="});
    ASSERT_TRUE(service.WaitForStderr(ProgramUnderTest::kPollingLine, kWait)) << service.Stderr();
    EXPECT_TRUE(Answered(folder));
    EXPECT_NE(service.Stderr().find("Имя файла для команд " + folder + "/cmd.ini"),
              std::string::npos)
        << "its messages go to standard error, which the unit sends to the journal";

    service.Terminate();
    ASSERT_EQ(service.WaitForExit(kWait), 0) << "a clean stop is no failure to restart after";
    const std::string log = DecodeFileText(ReadFileBytes(folder + "/orvenka.log"));
    EXPECT_NE(log.find("Завершение работы..."), std::string::npos) << log;
}

TEST_F(FolderE2E, AStopSignalWhileStartingStillEndsTheCleanWay) {
    // A service stopped right after it was started: the signal comes before the program
    // polls the folder, as soon as it holds the folder.
    const std::string folder = Folder("kassa", "EMUL");
    for (int i = 0; i < 3; ++i) {
        fs::remove(folder + "/orvenka.log");
        ChildProcess& p = Child(ORVENKA_FOLDER_EXECUTABLE, {"run", folder});
        ASSERT_TRUE(WaitUntil([&] { return FolderLockHolder(folder) == p.Pid(); }, kWait));
        p.Terminate();
        ASSERT_EQ(p.WaitForExit(kWait), 0) << p.Stderr();
        const std::string log = DecodeFileText(ReadFileBytes(folder + "/orvenka.log"));
        EXPECT_NE(log.find("Завершение работы..."), std::string::npos) << log;
    }
}

TEST(FolderServiceUnit, SystemdAcceptsTheUnit) {
    if (::access("/usr/bin/systemd-analyze", X_OK) != 0)
        GTEST_SKIP() << "systemd-analyze is not installed";
    // The unit as installed, but starting the built folder command; checked as an instance.
    TempFolder units;
    std::string text = ReadText(ORVENKA_SERVICE_UNIT);
    text = std::regex_replace(text, std::regex(":/usr/bin/orvenka-folder"),
                              std::string(":") + ORVENKA_FOLDER_EXECUTABLE);
    const std::string name =
        "orvenka@srv-\\xd0\\x9a\\xd0\\xb0\\xd1\\x81\\xd1\\x81\\xd0\\xb0\\x201.service";
    std::ofstream(units.File("orvenka@.service")) << text;
    std::ofstream(units.File(name)) << text;
    for (const std::string& unit : {std::string("orvenka@.service"), name}) {
        const std::string command =
            "SYSTEMD_LOG_COLOR=0 /usr/bin/systemd-analyze verify --man=no '" + units.File(unit) +
            "' 2>&1";
        const ShellOutcome verified = RunShell(command);
        EXPECT_EQ(verified.status, 0) << unit << "\n" << verified.output;
        EXPECT_EQ(verified.output, "") << unit;
    }
}

TEST_F(FolderE2E, TheAutostartEntryStartsTheProgramOnItsFolder) {
    const std::string folder = Folder("Обмен \"1\" 100%", "EMUL");
    ASSERT_EQ(Tool({"autostart", folder}).code, 0);
    const std::string entryPath = state.File("config/autostart/" + AutostartFileName(folder));
    std::smatch exec;
    const std::string entry = ReadText(entryPath);
    ASSERT_TRUE(std::regex_search(entry, exec, std::regex("\nExec=([^\n]*)\n"))) << entry;
    const auto argv = ParseDesktopExec(exec[1]);
    ASSERT_TRUE(argv.has_value()) << exec[1];

    // What the desktop starts at login.
    ChildProcess& tray =
        Child(argv->at(0), std::vector<std::string>(argv->begin() + 1, argv->end()));
    ASSERT_TRUE(tray.WaitForStderr(ProgramUnderTest::kPollingLine, kWait)) << tray.Stderr();
    EXPECT_TRUE(Answered(folder));

    ASSERT_EQ(Tool({"autostart", "--remove", folder}).code, 0);
    EXPECT_FALSE(fs::exists(entryPath));
}

TEST_F(FolderE2E, StartPutsEveryFolderToWorkInTheBackground) {
    const std::string a = Folder("a", "EMUL");
    const std::string b = Folder("b b", "SHTRIH");
    const Outcome started = Tool({"start"});
    ASSERT_EQ(started.code, 0) << started.err;
    const Outcome listed = Tool({"list"});
    std::smatch m;
    std::vector<int> pids;
    for (const auto& folder : {a, b}) {
        ASSERT_TRUE(std::regex_search(
            listed.out, m,
            std::regex(std::regex_replace(folder, std::regex(R"([\\^$.|?*+()])"), R"(\$&)") +
                       ": [A-Z]+, работает \\(pid (\\d+)\\)")))
            << listed.out;
        pids.push_back(std::stoi(m[1]));
        EXPECT_NE(started.out.find(folder + ": запущена (pid " + m[1].str() + ")."),
                  std::string::npos)
            << started.out;
    }
    for (int pid : pids) {
        for (const char* fd : {"/fd/0", "/fd/1", "/fd/2"}) {
            EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(pid) + fd).string(), "/dev/null")
                << "nothing of the caller's stays open in the program: a pipe would never end";
        }
    }
    const Outcome again = Tool({"start", b});
    EXPECT_EQ(again.out, b + ": уже работает (pid " + std::to_string(pids[1]) + ").\n");

    // Not our children: they end on SIGTERM like any copy, and the folders are free again.
    for (int pid : pids)
        ::kill(pid, SIGTERM);
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Tool({"list"}).out ==
                   a + ": EMUL, остановлена\n" + b + ": SHTRIH, остановлена, драйвер: симулятор\n";
        },
        kWait));
    EXPECT_TRUE(fs::exists(b + "/orvenka.log"));
}

// The README's way: a folder that is not there yet, made for the emulator, started, asked for
// its X report, stopped, removed. The report is laid out at once (no printer here: it is kept
// as Unprinted_*.txt), and stop ends the copy so that remove goes through.
TEST_F(FolderE2E, ANewEmulatorFolderAnswersXOTCHETAtOnce) {
    const std::string folder = fs::canonical(root.Path()).string() + "/новая/kassa1";
    folders.push_back(folder);
    const Outcome made = Tool({"create", folder, "--kind", "EMUL"});
    ASSERT_EQ(made.code, 0) << made.err;
    ASSERT_EQ(Tool({"start", folder}).code, 0);
    const Outcome report = Cmd(folder, "XOTCHET");
    EXPECT_EQ(report.out.find("EMULPARAM"), std::string::npos) << report.out;
    std::vector<std::string> kept;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().filename().string().rfind("Unprinted_", 0) == 0)
            kept.push_back(DecodeFileText(ReadFileBytes(e.path().string())));
    }
    ASSERT_EQ(kept.size(), 1u) << report.out;
    EXPECT_NE(kept[0].find("ОТЧЕТ БЕЗ ГАШЕНИЯ"), std::string::npos) << kept[0];

    const Outcome stopped = Tool({"stop", folder});
    EXPECT_EQ(stopped.code, 0) << stopped.err;
    EXPECT_NE(stopped.out.find(": остановлена (pid "), std::string::npos) << stopped.out;
    EXPECT_NE(DecodeFileText(ReadFileBytes(folder + "/orvenka.log")).find("Завершение работы..."),
              std::string::npos)
        << "the clean way";
    const Outcome removed = Tool({"remove", folder});
    EXPECT_EQ(removed.code, 0) << removed.err;
}

}  // namespace
}  // namespace orvenka::test
