// Taking a command end to end: the real program on the simulated ATOL register, run as another
// user than the accounting system that writes cmd.ini, so that the file system's own rights
// decide what the program may do with the command file (root would be allowed everything).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <regex>
#include <thread>

#include "common/files.h"
#include "program_under_test.h"

namespace orvenka::test {
namespace {

const Millis kWait(20000);
constexpr uid_t kOtherUser = 65534;  // nobody / nogroup
const char* const kSetpriv = "/usr/bin/setpriv";

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::string Body(const std::string& line) {
    static const std::regex stamp(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d:(.*))");
    std::smatch m;
    return std::regex_match(line, m, stamp) ? m[1].str() : "<no stamp> " + line;
}

class CommandTakeE2E : public ::testing::Test {
  protected:
    ProgramUnderTest p;
    TempFolder home;  // the other user's home and the program's standard streams
    std::unique_ptr<ChildProcess> app;

    void SetUp() override {
        if (::geteuid() != 0 || ::access(kSetpriv, X_OK) != 0)
            GTEST_SKIP() << "needs root and setpriv to run the program as another user";
        ASSERT_EQ(::chmod(home.Path().c_str(), 0777), 0);
    }

    // The program as the folder's other user; the folder's mode decides what it may do there.
    void StartAsOtherUser(mode_t folderMode) {
        ASSERT_EQ(::chmod(p.Folder().Path().c_str(), folderMode), 0);
        const std::string uid = std::to_string(kOtherUser);
        app = std::make_unique<ChildProcess>(
            kSetpriv,
            std::vector<std::string>{"--reuid=" + uid, "--regid=" + uid, "--clear-groups",
                                     p.Executable(), "/ATOL"},
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen", "HOME=" + home.Path()},
            p.Folder().Path(), home.File("app"));
        ASSERT_TRUE(app->WaitForStderr(ProgramUnderTest::kPollingLine, kWait)) << app->Stderr();
    }

    // cmd.ini written by the accounting system (root here), readable by all, writable by it only.
    void WriteCommand(const std::string& line) const {
        DeleteFileIfExists(p.File("cmd.finish"));
        p.Folder().Write("cmd.ini", line + "\r\n");
        ASSERT_EQ(::chmod(p.File("cmd.ini").c_str(), 0644), 0);
    }

    std::vector<std::string> Answer() const {
        std::vector<std::string> out;
        for (const auto& line : p.Lines("Result.txt"))
            out.push_back(Body(line));
        return out;
    }

    std::string Tape() const { return p.Folder().Read("Fptr10.sim.tape.txt"); }
};

// The program may not write the file, but may rename it in the folder: it takes the command and
// carries it out once, and the answer is clean.
TEST_F(CommandTakeE2E, CommandThatCannotBeEmptiedIsTakenAndCarriedOutOnce) {
    StartAsOtherUser(0777);
    WriteCommand("OPENSESSION");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait)) << app->Stderr();
    WriteCommand("CASHINCOME=100");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait)) << app->Stderr();
    EXPECT_EQ(Answer(), std::vector<std::string>{});
    EXPECT_FALSE(p.Folder().Exists("cmd.ini"));
    // Another poll of the timer must not find it again.
    std::this_thread::sleep_for(Millis(5500));
    EXPECT_EQ(Count(Tape(), "ВНЕСЕНИЕ"), 1u) << Tape();
    EXPECT_EQ(Count(app->Stderr(), "Прочитал команду CASHINCOME=100"), 1u) << app->Stderr();
}

// A folder with the sticky bit, the file another user's: the program can neither empty, rename
// nor delete it. The command is answered with one error line, never carried out, and not
// answered again until the file changes.
TEST_F(CommandTakeE2E, CommandThatCannotBeTakenIsAnsweredOnceAndNeverCarriedOut) {
    StartAsOtherUser(01777);
    WriteCommand("OPENSESSION");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait)) << app->Stderr();
    const std::vector<std::string> answer = Answer();
    ASSERT_EQ(answer.size(), 1u) << app->Stderr();
    EXPECT_EQ(answer[0].rfind("Команда \"OPENSESSION\" не выполнена: файл команд не удалось "
                              "забрать из папки (",
                              0),
              0u)
        << answer[0];
    EXPECT_NE(answer[0].find("Отказано в доступе"), std::string::npos) << answer[0];
    EXPECT_TRUE(p.Folder().Exists("cmd.ini"));

    // Two polls of the timer later: no second answer, nothing carried out.
    DeleteFileIfExists(p.File("cmd.finish"));
    std::this_thread::sleep_for(Millis(11000));
    EXPECT_FALSE(p.Folder().Exists("cmd.finish"));
    EXPECT_EQ(Count(Tape(), "ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ"), 0u) << Tape();
    EXPECT_EQ(Count(app->Stderr(), "Не удалось забрать файл команд"), 1u) << app->Stderr();

    // A new command in the same file is a change: answered again, still not carried out.
    WriteCommand("XOTCHET");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait)) << app->Stderr();
    ASSERT_EQ(Answer().size(), 1u);
    EXPECT_EQ(Answer()[0].rfind("Команда \"XOTCHET\" не выполнена", 0), 0u) << Answer()[0];
    EXPECT_EQ(Tape().find("X-ОТЧЕТ"), std::string::npos) << Tape();
}

// A command taken by a run that was killed before it answered: the next start answers it with an
// error line and does not carry it out a second time.
TEST(CommandTakenByAKilledRun, IsAnsweredWithAnErrorAndNotCarriedOutAgain) {
    ProgramUnderTest p;
    p.Folder().Write(".cmd.ini.taken-999999", "CASHINCOME=100\r\n");
    ChildProcess& app = p.StartPolling({"/ATOL"});
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait)) << app.Stderr();
    const auto lines = p.Lines("Result.txt");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Body(lines[0]),
              "Команда \"CASHINCOME=100\" была принята, но программа остановилась, не закончив её. "
              "Повторно она не выполняется: проверьте по ККМ, выполнена ли она");
    EXPECT_FALSE(p.Folder().Exists(".cmd.ini.taken-999999"));
    EXPECT_EQ(p.Folder().Read("Fptr10.sim.tape.txt").find("ВНЕСЕНИЕ"), std::string::npos);
}

}  // namespace
}  // namespace orvenka::test
