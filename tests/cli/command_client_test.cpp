#include "cli/command_client.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <sstream>
#include <thread>

#include "common/files.h"
#include "common/folder_watch.h"
#include "shell/command_loop.h"
#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using Args = std::vector<std::string>;

// The client in a thread of its own, against a real command loop driven here by a watch on the
// folder, as the program drives it.
class CommandClientTest : public test::ShellTest {
  public:
    using ShellTest::Fake;
    using ShellTest::folder;

    int Run(const std::string& commandLine, double timeout = 20, bool orvenkaRuns = true) {
        ClientOptions options;
        options.folder = folder.Path();
        options.timeoutSeconds = timeout;
        options.commandLine = commandLine;
        auto client =
            std::async(std::launch::async, [&] { return RunCommandClient(options, out, err); });
        while (client.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
            if (orvenkaRuns)
                Poll();
        }
        return client.get();
    }
    void Poll() {
        for (const FolderWatch::Event& event : watch.Read())
            loop.NoteChange(event);
        loop.Tick();
    }

    CommandLoop loop{ctx};
    FolderWatch watch{folder.Path()};
    std::ostringstream out, err;
};

TEST_F(CommandClientTest, CommandAnsweredWithoutErrors) {
    folder.Write("cmd.finish", "от прошлой команды\r\n");
    EXPECT_EQ(Run("ATOL,1,XOTCHET"), kClientOk);
    EXPECT_EQ(Operations(), std::vector<std::string>{"A:XReport()"});
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(folder.Read("cmd.finish"), FormatDateTime(clock.Now()) + "\r\n");
}

TEST_F(CommandClientTest, ErrorLinesAndTheNewDocumentNumberArePrinted) {
    Fake(DeviceKind::Shtrih).failOn = "ZReport";
    EXPECT_EQ(Run("ZOTCHET"), kClientErrors);
    EXPECT_EQ(out.str(), FormatDateTime(clock.Now()) + ":отказ устройства в операции ZReport\n");

    // An old number is not this command's answer.
    folder.Write("ResultNumCheck.txt", "41\r\n");
    out.str("");
    Fake(DeviceKind::Shtrih).failOn.clear();
    EXPECT_EQ(Run("OPENSESSION"), kClientOk);
    EXPECT_EQ(out.str(), "");

    EXPECT_EQ(Run("printtxtfile=" + folder.File("Нет.txt")), kClientErrors);
    EXPECT_NE(out.str().find("Нет.txt"), std::string::npos);  // UTF-8 again
    Fake(DeviceKind::Shtrih).onCall = [&](const std::string&) {
        SaveLinesAtomic(folder.File("ResultNumCheck.txt"), {"43"});
    };
    out.str("");
    EXPECT_EQ(Run("XOTCHET"), kClientOk);
    EXPECT_EQ(out.str(), "ResultNumCheck.txt: 43\n");
}

TEST_F(CommandClientTest, WritesTheCommandInWindows1251) {
    EXPECT_EQ(Run("PRINTQRCODE=https://Пример.рф/AbC", 0.05, false), kClientWithdrawn);
    // Not taken in time: withdrawn, so it cannot run later unexpectedly.
    EXPECT_FALSE(folder.Exists("cmd.ini"));
    EXPECT_NE(err.str().find("отозвана"), std::string::npos);

    ClientOptions options;
    options.folder = folder.Path();
    options.commandLine = "PRINTQRCODE=https://Пример.рф/AbC";
    auto client =
        std::async(std::launch::async, [&] { return RunCommandClient(options, out, err); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!folder.Exists("cmd.ini") && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(folder.ReadBytes("cmd.ini"),
              "PRINTQRCODE=https://\xCF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4/AbC\r\n");
    while (client.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        Poll();
    EXPECT_EQ(client.get(), kClientOk);
    EXPECT_EQ(Operations(),
              std::vector<std::string>{"S:PrintQRCode(PRINTQRCODE=https://Пример.рф/AbC)"});
}

TEST_F(CommandClientTest, WaitsWhileAnotherCommandIsPending) {
    folder.Write("cmd.ini", "ZOTCHET\r\n");
    EXPECT_EQ(Run("XOTCHET", 0.05, false), kClientBusy);
    EXPECT_EQ(folder.Read("cmd.ini"), "ZOTCHET\r\n");
    EXPECT_NE(err.str().find("занята"), std::string::npos);

    // Once Orvenka runs, the pending command goes first, then ours.
    EXPECT_EQ(Run("XOTCHET"), kClientOk);
    EXPECT_EQ(Operations(), (std::vector<std::string>{"S:ZReport()", "S:XReport()"}));
}

// Another client's turn: this one waits for it, and writes nothing when it does not come.
TEST_F(CommandClientTest, WaitsForTheTurnOfAnotherClient) {
    const int lock = ::open(folder.File(kClientLockFile).c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    EXPECT_EQ(Run("XOTCHET", 0.1, false), kClientBusy);
    EXPECT_NE(err.str().find("другой клиент"), std::string::npos) << err.str();
    EXPECT_FALSE(folder.Exists("cmd.ini"));

    // Its turn ends while this one waits: then this one runs.
    auto release = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::close(lock);
    });
    EXPECT_EQ(Run("XOTCHET"), kClientOk);
    release.get();
    EXPECT_EQ(Operations(), std::vector<std::string>{"S:XReport()"});
}

// A command file in another letter case is a command Orvenka has not finished either.
TEST_F(CommandClientTest, WaitsForACommandFileInAnyLetterCase) {
    folder.Write("CMD.INI", "ZOTCHET\r\n");
    EXPECT_EQ(Run("XOTCHET", 0.05, false), kClientBusy);
    EXPECT_EQ(folder.Read("CMD.INI"), "ZOTCHET\r\n");
    EXPECT_FALSE(folder.Exists("cmd.ini"));
}

// Every outcome has an exit code of its own, so that a script knows whether it may send the
// command again.
struct OutcomeRow {
    const char* name;
    std::function<void(CommandClientTest&)> before;  // the folder as the client finds it
    bool orvenkaRuns;
    std::function<void(CommandClientTest&)> meanwhile;  // run in a thread while the client waits
    int code;
    const char* says;  // in the client's standard error
};

class ClientOutcomes : public CommandClientTest,
                       public ::testing::WithParamInterface<OutcomeRow> {};

TEST_P(ClientOutcomes, ExitCodeTellsWhatBecameOfTheCommand) {
    const OutcomeRow& row = GetParam();
    if (row.before)
        row.before(*this);
    std::future<void> meanwhile;
    if (row.meanwhile)
        meanwhile = std::async(std::launch::async, [&] { row.meanwhile(*this); });
    EXPECT_EQ(Run("XOTCHET", 0.3, row.orvenkaRuns), row.code) << err.str();
    if (meanwhile.valid())
        meanwhile.get();
    EXPECT_NE(err.str().find(row.says), std::string::npos) << err.str();
    // Withdrawn or not handed over: nothing is left that could still run.
    if (row.code == kClientWithdrawn || row.code == kClientFileError) {
        EXPECT_FALSE(folder.Exists("cmd.ini"));
    }
}

void TakeWithoutAnswer(CommandClientTest& t) {
    // Orvenka takes the command the way it does (a rename) and then never finishes it.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < limit) {
        if (::rename(t.folder.File("cmd.ini").c_str(), t.folder.File(".taken").c_str()) == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ClientOutcomes,
    ::testing::Values(
        OutcomeRow{"Answered", nullptr, true, nullptr, kClientOk, ""},
        OutcomeRow{"AnsweredWithErrors",
                   [](CommandClientTest& t) { t.Fake(DeviceKind::Shtrih).failOn = "XReport"; },
                   true, nullptr, kClientErrors, ""},
        OutcomeRow{"NotTakenIsWithdrawn", nullptr, false, nullptr, kClientWithdrawn,
                   "её можно отправить снова"},
        OutcomeRow{"TakenButNotFinished", nullptr, false, TakeWithoutAnswer, kClientUnfinished,
                   "Не отправляйте её снова, пока не проверите ККМ"},
        OutcomeRow{"NotHandedOver",
                   [](CommandClientTest& t) {
                       ASSERT_EQ(::mkdir(t.folder.File("cmd.finish").c_str(), 0755), 0);
                   },
                   false, nullptr, kClientFileError, "cmd.finish"},
        OutcomeRow{"BusyWithAnotherCommand",
                   [](CommandClientTest& t) { t.folder.Write("cmd.ini", "ZOTCHET\r\n"); }, false,
                   nullptr, kClientBusy, "всё ещё лежит cmd.ini"}),
    [](const auto& info) { return std::string(info.param.name); });

// Orvenka may run as the folder's owner while the accounting system writes as another user of
// the folder's group: the command must be takeable by both.
TEST_F(CommandClientTest, CommandFileIsWritableByTheFoldersOwnerAndGroup) {
    struct stat dir {};
    ASSERT_EQ(::stat(folder.Path().c_str(), &dir), 0);
    ClientOptions options;
    options.folder = folder.Path();
    options.timeoutSeconds = 5;
    options.commandLine = "XOTCHET";
    auto client =
        std::async(std::launch::async, [&] { return RunCommandClient(options, out, err); });
    struct stat st {};
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::stat(folder.File("cmd.ini").c_str(), &st) != 0 &&
           std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(st.st_gid, dir.st_gid);
    EXPECT_EQ(st.st_uid, ::geteuid() == 0 ? dir.st_uid : ::geteuid());
    while (client.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        Poll();
    EXPECT_EQ(client.get(), kClientOk);
}

TEST_F(CommandClientTest, RefusesWhatCannotBeHandedOver) {
    ClientOptions options;
    options.folder = folder.File("нет такой/");
    options.commandLine = "ZOTCHET";
    EXPECT_EQ(RunCommandClient(options, out, err), kClientUsage);
    options.folder = folder.Path();
    options.commandLine = "PRINTQRCODE=\xF0\x9F\x98\x80";
    EXPECT_EQ(RunCommandClient(options, out, err), kClientUsage);
    options.commandLine = "PRINT\xff";
    EXPECT_EQ(RunCommandClient(options, out, err), kClientUsage);
    EXPECT_FALSE(folder.Exists("cmd.ini"));
}

struct ArgsCase {
    Args args;
    bool ok;
    std::string folder;
    double timeout;
    std::string command;
    bool check = false;  // the dry run instead of a command
};

class ClientArgumentsTest : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(ClientArgumentsTest, Parses) {
    const ArgsCase& c = GetParam();
    ClientOptions options;
    std::string error;
    ASSERT_EQ(ParseClientArguments(c.args, "/opt/orvenka", options, error), c.ok) << error;
    if (!c.ok) {
        EXPECT_NE(error, "");
        return;
    }
    EXPECT_EQ(options.folder, c.folder);
    EXPECT_DOUBLE_EQ(options.timeoutSeconds, c.timeout);
    EXPECT_EQ(options.commandLine, c.command);
    EXPECT_EQ(options.check, c.check);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClientArgumentsTest,
    ::testing::Values(ArgsCase{{"ZOTCHET"}, true, "/opt/orvenka/", 30, "ZOTCHET"},
                      ArgsCase{{"-d", "/srv/o/", "-t", "2.5", "ATOL,1,PRINT,ORDER 15"},
                               true,
                               "/srv/o/",
                               2.5,
                               "ATOL,1,PRINT,ORDER 15"},
                      ArgsCase{{"--", "-ODD"}, true, "/opt/orvenka/", 30, "-ODD"},
                      ArgsCase{{}, false, "", 0, ""}, ArgsCase{{"-d"}, false, "", 0, ""},
                      ArgsCase{{"-t", "0", "X"}, false, "", 0, ""},
                      ArgsCase{{"-t", "abc", "X"}, false, "", 0, ""},
                      ArgsCase{{"-x", "X"}, false, "", 0, ""},
                      ArgsCase{{"ATOL,1,PRINT,ORDER", "15"}, false, "", 0, ""},
                      ArgsCase{{"A\nB"}, false, "", 0, ""}, ArgsCase{{"  "}, false, "", 0, ""},
                      ArgsCase{{"check"}, true, "/opt/orvenka/", 30, "check", true},
                      ArgsCase{{"check", "-d", "/srv/o"}, true, "/srv/o/", 30, "check", true},
                      ArgsCase{{"-d", "/srv/o", "check"}, true, "/srv/o/", 30, "check", true},
                      ArgsCase{{"--", "check"}, true, "/opt/orvenka/", 30, "check", false},
                      ArgsCase{{"CHECK"}, true, "/opt/orvenka/", 30, "CHECK", false},
                      ArgsCase{{"check", "PRINT"}, false, "", 0, ""}));

}  // namespace
}  // namespace orvenka
