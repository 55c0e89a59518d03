// The driver a shop names in the settings file, from the accounting system's side: a library
// that is not there answers every command with one error line naming it, prints nothing, never
// falls back to the simulator, and leaves nothing that would stop the receipt being sent again.
#include <gtest/gtest.h>

#include "program_under_test.h"
#include "register_e2e.h"

namespace orvenka::test {
namespace {

const Millis kWait(30000);
using Lines = std::vector<std::string>;

class DriverChoiceE2E : public ::testing::TestWithParam<RegisterKind> {
  protected:
    ProgramUnderTest p;

    void Start() {
        ChildProcess& app =
            p.Start({GetParam().argument}, {"CUPS_SERVER=/nonexistent/orvenka-e2e/cups.sock"});
        if (!app.WaitForStderr(ProgramUnderTest::kPollingLine, kWait))
            throw std::runtime_error("the program did not start polling:\n" + app.Stderr());
    }
    void Settings(const std::string& driver) const {
        p.Folder().Write(p.SettingsName(),
                         std::string(GetParam().settingsKey) + "=" + driver + "\r\n");
    }
    Lines Send(const std::string& line) { return SendCommand(p, line); }
    void WriteReceipt() const {
        p.Folder().Write("Param.ini",
                         "SNO=OSN\r\nOplata=\r\nDocumStr=Д-1\r\nAuthorCaption=Иванова А.П.\r\n");
        p.Folder().Write("Tovar.ini", "Хлеб\r\n1\r\n30.00\r\n20\r\n");
    }
    bool SimulatorFilesThere() const {
        return HasFileStartingWith(p.Folder(), GetParam().simulatorFiles);
    }
};

TEST_P(DriverChoiceE2E, ALibraryThatIsNotThereFailsEveryCommandWithOneLineNamingIt) {
    const std::string library = "/nonexistent/orvenka-e2e/libdriver.so";
    Settings(library);
    Start();
    for (const char* command : {"OPENSESSION", "XOTCHET", "PRINT"}) {
        SCOPED_TRACE(command);
        if (std::string(command) == "PRINT")
            WriteReceipt();
        const Lines answer = Send(command);
        ASSERT_EQ(answer.size(), 1u) << ::testing::PrintToString(answer);
        EXPECT_NE(answer[0].find(library), std::string::npos) << answer[0];
        // The loader's own reason.
        EXPECT_NE(answer[0].find("No such file or directory"), std::string::npos) << answer[0];
    }
    EXPECT_FALSE(SimulatorFilesThere()) << "a command went to the simulator";
    EXPECT_EQ(p.Lines("ResultNumCheck.txt"), Lines{});
    EXPECT_EQ(p.Lines("CheckList.txt"), Lines{});

    // The shop mends the setting: the same receipt goes through at once, without the question
    // a receipt printed before gets.
    p.Main().Kill();
    Settings("SIM");
    Start();
    WriteReceipt();
    EXPECT_EQ(Send("PRINT"), Lines{});
    EXPECT_EQ(p.Lines("CheckList.txt"), Lines{"Д-1"});
    EXPECT_TRUE(SimulatorFilesThere());
}

INSTANTIATE_TEST_SUITE_P(Kinds, DriverChoiceE2E, ::testing::Values(kAtolRegister, kShtrihRegister),
                         [](const ::testing::TestParamInfo<RegisterKind>& info) {
                             return std::string(info.param.settingsKey);
                         });

}  // namespace
}  // namespace orvenka::test
