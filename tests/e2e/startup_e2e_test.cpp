// Start-up and exit of the real program: single instance, device kind, settings file, run log.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "common/cp1251.h"
#include "common/files.h"
#include "program_under_test.h"
#include "shell/startup.h"

namespace orvenka::test {
namespace {

const Millis kWait(15000);
const std::string kStamp = R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)";
const std::string kSettingsLine =
    " создан.Установлен параметр AtolNoCloseLinkToDriverAfterCommand по умолчанию";

bool Matches(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

// The text as a message box shows it: CR starts a new line.
std::string AsShown(std::string text) {
    for (char& c : text) {
        if (c == '\r')
            c = '\n';
    }
    return text;
}

TEST(StartupE2E, FirstStartCreatesTheSettingsFileAndReportsIt) {
    ProgramUnderTest p;
    ChildProcess& app = p.StartPolling({"/EMUL"});

    const std::string runInfo = p.Folder().ReadBytes("RunInfo.txt");
    EXPECT_EQ(runInfo.substr(0, 1), "\xD3") << "Windows-1251 'У'";
    EXPECT_EQ(runInfo.substr(runInfo.size() - 2), "\r\n");
    ASSERT_EQ(p.Lines("RunInfo.txt").size(), 1u);
    EXPECT_TRUE(Matches(p.Lines("RunInfo.txt")[0], "Успешно запущена! Время проверки:" + kStamp))
        << p.Lines("RunInfo.txt")[0];

    EXPECT_EQ(p.Folder().ReadBytes(p.SettingsName()), "AtolNoCloseLinkToDriverAfterCommand=\r\n");
    const std::string errorLine = p.File(p.SettingsName()) + kSettingsLine;
    EXPECT_NE(app.Stderr().find(errorLine), std::string::npos) << app.Stderr();

    // The first poll (timer, 5 s) answers with the error pane.
    ASSERT_TRUE(p.WaitForFile("Result.txt", Millis(8000)));
    const auto result = p.Lines("Result.txt");
    ASSERT_EQ(result.size(), 1u);
    EXPECT_TRUE(Matches(result[0], kStamp + ":.*")) << result[0];
    EXPECT_NE(result[0].find(errorLine), std::string::npos) << result[0];
    EXPECT_FALSE(p.Folder().Exists("cmd.finish")) << "no command, no end marker";
    EXPECT_TRUE(app.Running());
}

TEST(StartupE2E, ExistingSettingsFileIsKept) {
    ProgramUnderTest p;
    p.Folder().Write(p.SettingsName(), "AtolNoCloseLinkToDriverAfterCommand= + \r\n");
    ChildProcess& app = p.StartPolling({"/EMUL"});
    EXPECT_EQ(p.Folder().Read(p.SettingsName()), "AtolNoCloseLinkToDriverAfterCommand= + \r\n");
    EXPECT_EQ(app.Stderr().find(kSettingsLine), std::string::npos) << app.Stderr();
}

TEST(StartupE2E, StopSignalEndsWithTheRunLog) {
    for (int sig : {SIGTERM, SIGINT}) {
        ProgramUnderTest p;
        ChildProcess& app = p.StartPolling({"/EMUL"});
        app.Signal(sig);
        ASSERT_EQ(app.WaitForExit(kWait), 0) << "signal " << sig << "\n" << app.Stderr();

        const auto log = p.Lines(p.RunLogName());
        const std::string f = p.Folder().Path();
        const std::vector<std::string> expected = {
            kCaption,
            p.Executable() + " /EMUL ",
            "Имя файла для команд " + f + "cmd.ini",
            "Имя файла для окончания выполнения команд " + f + "cmd.finish",
            "Имя файла для доп строк перед мн.ч " + f + "Dop.ini",
            "Имя файла для списка товаров " + f + "Tovar.ini",
            "Имя файла для параметров " + f + "Param.ini",
            "Имя файла для ошибок " + f + "Result.txt",
            "Имя файла с номером созданного чека " + f + "ResultNumCheck.txt",
            "Имя файла для текущих событий " + f + p.RunLogName(),
            "Старт отслеживания команд",
            "Завершение работы...",
            f + p.SettingsName() + kSettingsLine,  // the error pane follows the messages
        };
        ASSERT_EQ(log.size(), expected.size()) << "signal " << sig;
        for (size_t i = 0; i < log.size(); ++i) {
            const auto colon = log[i].find(':', 17);  // after "dd.mm.yyyy hh:mm:ss"
            ASSERT_NE(colon, std::string::npos) << log[i];
            EXPECT_TRUE(Matches(log[i].substr(0, colon), kStamp)) << log[i];
            EXPECT_EQ(log[i].substr(colon + 1), expected[i]);
        }
        // Said after the file was written, so only on the screen (here: standard error).
        EXPECT_NE(app.Stderr().find("Запись log файла:" + f + p.RunLogName()), std::string::npos);
    }
}

TEST(StartupE2E, SecondCopyReportsItselfAndEndsSilently) {
    ProgramUnderTest p;
    ChildProcess& first = p.StartPolling({"/EMUL"});
    ChildProcess& second = p.Start({"/EMUL"});
    ASSERT_EQ(second.WaitForExit(kWait), 0) << second.Stderr();

    const auto info = p.Lines("RunInfo.txt");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_TRUE(Matches(info[0], "Копия программы уже запущена! Время проверки:" + kStamp))
        << info[0];
    EXPECT_EQ(second.Stderr().find(kCaption), std::string::npos) << "nothing logged";
    EXPECT_FALSE(std::regex_search(second.Stderr(), std::regex(kStamp))) << second.Stderr();
    EXPECT_FALSE(p.Folder().Exists(p.RunLogName())) << "the second copy writes no run log";
    EXPECT_TRUE(first.Running());

    first.Terminate();
    ASSERT_EQ(first.WaitForExit(kWait), 0);
    EXPECT_TRUE(p.Folder().Exists(p.RunLogName()));
}

TEST(StartupE2E, SameProgramFileNameInAnotherFolderIsASecondCopy) {
    ProgramUnderTest p;
    ChildProcess& first = p.StartPolling({"/EMUL"});
    TempFolder other;
    const std::string copy = other.Path() + p.Name();
    std::filesystem::copy_file(p.Executable(), copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    ChildProcess second(copy, {"/EMUL"}, {"QT_QPA_PLATFORM=offscreen"}, other.Path(),
                        other.Path() + "out");
    ASSERT_EQ(second.WaitForExit(kWait), 0);
    EXPECT_EQ(SplitLines(other.Read("RunInfo.txt")).size(), 1u);
    EXPECT_EQ(other.Read("RunInfo.txt").rfind("Копия программы уже запущена! Время проверки:", 0),
              0u);
    EXPECT_FALSE(other.Exists(p.SettingsName()));
    EXPECT_TRUE(first.Running());
}

TEST(StartupE2E, MissingOrWrongDeviceKindEndsTheProgram) {
    const std::vector<std::vector<std::string>> rows = {
        {}, {"/FOO"}, {"ATOL"}, {"/EMUL2"}, {"/ATOL/"}, {"-platform", "offscreen"}, {"/SHTRIH-M"}};
    for (const auto& args : rows) {
        ProgramUnderTest p;
        ChildProcess& app = p.Start(args);
        const auto code = app.WaitForExit(kWait);
        ASSERT_TRUE(code.has_value()) << "the program keeps running";
        EXPECT_NE(*code, 0);
        EXPECT_NE(app.Stderr().find(AsShown(kStartupKindMessage)), std::string::npos)
            << app.Stderr();
        EXPECT_EQ(app.Stderr().find(ProgramUnderTest::kPollingLine), std::string::npos);

        EXPECT_EQ(p.Lines("RunInfo.txt").at(0).rfind("Успешно запущена!", 0), 0u);
        const std::string log = p.Folder().Read(p.RunLogName());
        EXPECT_NE(log.find("Для запуска программы, в командной строке"), std::string::npos);
        EXPECT_NE(log.find("Завершение работы..."), std::string::npos);
        EXPECT_EQ(log.find(ProgramUnderTest::kPollingLine), std::string::npos);
    }
}

TEST(StartupE2E, DeviceKindIgnoresCaseAndOnlyTheFirstArgumentCounts) {
    const std::vector<std::vector<std::string>> rows = {
        {"/shtrih"}, {"/Atol", "/SHTRIH"}, {"/emul"}, {"/EMUL", "/FOO"}, {"/Shtrih"}};
    for (const auto& args : rows) {
        ProgramUnderTest p;
        ChildProcess& app = p.StartPolling(args);
        app.Terminate();
        EXPECT_EQ(app.WaitForExit(kWait), 0) << args[0];
    }
}

TEST(StartupE2E, CommandFileIsAnsweredWithoutWaitingForTheTimer) {
    ProgramUnderTest p;
    p.StartPolling({"/EMUL"});
    const auto start = std::chrono::steady_clock::now();
    p.Folder().Write("cmd.ini", "OPENSESSION\r\n");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, Millis(2000)) << "taken by the 5 s timer, not by the folder watch";
    EXPECT_FALSE(p.Folder().Exists("cmd.ini"));
    EXPECT_EQ(p.Folder().ReadBytes("Result.txt"), "") << "the emulator has no shift to open";
    ASSERT_EQ(p.Lines("cmd.finish").size(), 1u);
    EXPECT_TRUE(Matches(p.Lines("cmd.finish")[0], kStamp));
}

}  // namespace
}  // namespace orvenka::test
