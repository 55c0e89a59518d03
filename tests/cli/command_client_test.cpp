#include "cli/command_client.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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
  protected:
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
    EXPECT_EQ(Run("PRINTQRCODE=https://Пример.рф/AbC", 0.05, false), kClientTimeout);
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
    EXPECT_EQ(Run("XOTCHET", 0.05, false), kClientTimeout);
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
    EXPECT_EQ(Run("XOTCHET", 0.1, false), kClientTimeout);
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
    EXPECT_EQ(Run("XOTCHET", 0.05, false), kClientTimeout);
    EXPECT_EQ(folder.Read("CMD.INI"), "ZOTCHET\r\n");
    EXPECT_FALSE(folder.Exists("cmd.ini"));
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
