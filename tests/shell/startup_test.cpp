#include "shell/startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/cp1251.h"
#include "common/files.h"
#include "support/run_unprivileged.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using Lines = std::vector<std::string>;

const char* const kStamp = "01.02.2021 09:05:07:";

Lines FolderEntries(const std::string& folder) {
    Lines names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class StartupTest : public ::testing::Test {
  protected:
    std::string Stamped(const std::string& text) const { return kStamp + text; }

    test::TempFolder tmp;
    test::ScriptedPlatform platform;
    FixedClock clock{EncodeDateTime({2021, 2, 1, 9, 5, 7})};
    AppContext ctx{tmp.Path(), "orvenka", platform, clock};
};

TEST_F(StartupTest, SingleInstanceReportsSuccessfulStart) {
    EXPECT_TRUE(CheckSingleInstance(tmp.Path(), 0, clock));
    EXPECT_EQ(tmp.ReadBytes("RunInfo.txt"),
              Utf8ToCp1251("Успешно запущена! Время проверки:01.02.2021 09:05:07\r\n"));
}

TEST_F(StartupTest, SecondCopyReportsAndMustEnd) {
    EXPECT_TRUE(CheckSingleInstance(tmp.Path(), 0, clock));
    clock.AdvanceSeconds(60);
    EXPECT_FALSE(CheckSingleInstance(tmp.Path(), 4321, clock));
    // Overwritten, not appended; nothing else left in the folder.
    EXPECT_EQ(tmp.ReadBytes("RunInfo.txt"),
              Utf8ToCp1251("Копия программы уже запущена! Время проверки:01.02.2021 09:06:07\r\n"));
    EXPECT_EQ(FolderEntries(tmp.Path()), Lines{"RunInfo.txt"});
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(StartupTest, UnwritableFolderDoesNotStopTheStart) {
    std::filesystem::create_directory(tmp.File("RunInfo.txt"));
    EXPECT_TRUE(CheckSingleInstance(tmp.Path(), 0, clock));
    EXPECT_FALSE(CheckSingleInstance(tmp.Path(), 7, clock));
}

struct KindRow {
    const char* name;
    Lines arguments;
    DeviceKind kind;
};

void PrintTo(const KindRow& r, std::ostream* os) {
    *os << r.name;
}

class StartupKindRows : public ::testing::TestWithParam<KindRow> {};

TEST_P(StartupKindRows, FirstArgumentUpperCased) {
    EXPECT_EQ(StartupKindFromArgument(GetParam().arguments), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StartupKindRows,
    ::testing::Values(KindRow{"atol", {"/ATOL"}, DeviceKind::Atol},
                      KindRow{"atol_lower", {"/atol"}, DeviceKind::Atol},
                      KindRow{"shtrih", {"/SHTRIH"}, DeviceKind::Shtrih},
                      KindRow{"shtrih_mixed", {"/Shtrih"}, DeviceKind::Shtrih},
                      KindRow{"shtrih_lower", {"/shtrih"}, DeviceKind::Shtrih},
                      KindRow{"emul", {"/EMUL"}, DeviceKind::Emul},
                      KindRow{"emul_lower", {"/emul"}, DeviceKind::Emul},
                      KindRow{"only_first_counts", {"/ATOL", "/SHTRIH"}, DeviceKind::Atol},
                      KindRow{"only_first_counts_2", {"/SHTRIH", "/ATOL"}, DeviceKind::Shtrih},
                      KindRow{"bad_first_good_second", {"/X", "/ATOL"}, DeviceKind::None},
                      KindRow{"none", {}, DeviceKind::None},
                      KindRow{"empty", {""}, DeviceKind::None},
                      KindRow{"no_slash", {"ATOL"}, DeviceKind::None},
                      KindRow{"trailing_blank", {"/ATOL "}, DeviceKind::None},
                      KindRow{"leading_blank", {" /ATOL"}, DeviceKind::None},
                      KindRow{"dash", {"-ATOL"}, DeviceKind::None},
                      KindRow{"cyrillic", {"/АТОЛ"}, DeviceKind::None},
                      KindRow{"shtrih_m", {"/SHTRIH-M"}, DeviceKind::None}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, MissingSettingsFileIsCreatedAndReported) {
    ctx.KeepAtolDriver = true;
    ReadProgramIni(ctx);
    EXPECT_FALSE(ctx.KeepAtolDriver);
    EXPECT_EQ(tmp.ReadBytes("orvenka.ini"), "AtolNoCloseLinkToDriverAfterCommand=\r\n");
    EXPECT_EQ(ctx.log.Errors(), Lines{Stamped(tmp.File("orvenka.ini") +
                                              " создан.Установлен параметр "
                                              "AtolNoCloseLinkToDriverAfterCommand по умолчанию")});
    // The error line also goes to the long log, as every error does.
    EXPECT_TRUE(tmp.Exists("orvenka.long.log"));
    // The next start finds the file and says nothing.
    ctx.log.ClearErrors();
    ReadProgramIni(ctx);
    EXPECT_TRUE(ctx.log.Errors().empty());
    EXPECT_FALSE(ctx.KeepAtolDriver);
}

struct IniRow {
    const char* name;
    std::string content;
    bool keep;
};

void PrintTo(const IniRow& r, std::ostream* os) {
    *os << r.name;
}

class ProgramIniRows : public StartupTest, public ::testing::WithParamInterface<IniRow> {};

TEST_P(ProgramIniRows, SetsTheKeepFlag) {
    tmp.Write("orvenka.ini", GetParam().content);
    ctx.KeepAtolDriver = !GetParam().keep;
    ReadProgramIni(ctx);
    EXPECT_EQ(ctx.KeepAtolDriver, GetParam().keep);
    EXPECT_TRUE(ctx.log.Errors().empty());
    EXPECT_EQ(tmp.Read("orvenka.ini"), GetParam().content);  // never rewritten
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgramIniRows,
    ::testing::Values(
        IniRow{"plus", "AtolNoCloseLinkToDriverAfterCommand=+\r\n", true},
        IniRow{"plus_blanks", "AtolNoCloseLinkToDriverAfterCommand=  +  ", true},
        IniRow{"plus_tab", "AtolNoCloseLinkToDriverAfterCommand=+\t", true},
        IniRow{"key_any_case", "ATOLNOCLOSELINKTODRIVERAFTERCOMMAND=+", true},
        IniRow{"minus", "AtolNoCloseLinkToDriverAfterCommand=-", false},
        IniRow{"empty_value", "AtolNoCloseLinkToDriverAfterCommand=", false},
        IniRow{"double_plus", "AtolNoCloseLinkToDriverAfterCommand=++", false},
        IniRow{"one", "AtolNoCloseLinkToDriverAfterCommand=1", false},
        IniRow{"yes", "AtolNoCloseLinkToDriverAfterCommand=yes", false},
        IniRow{"first_wins_on",
               "AtolNoCloseLinkToDriverAfterCommand=+\nAtolNoCloseLinkToDriverAfterCommand=-",
               true},
        IniRow{"first_wins_off",
               "AtolNoCloseLinkToDriverAfterCommand=-\rAtolNoCloseLinkToDriverAfterCommand=+",
               false},
        IniRow{"after_other_keys", "Other=1\r\n\r\nAtolNoCloseLinkToDriverAfterCommand=+", true},
        IniRow{"blank_in_key", " AtolNoCloseLinkToDriverAfterCommand=+", false},
        IniRow{"blank_before_equals", "AtolNoCloseLinkToDriverAfterCommand =+", false},
        IniRow{"no_equals", "AtolNoCloseLinkToDriverAfterCommand+", false},
        IniRow{"empty_file", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

const char* const kIniWarning = "Read_ORVENKA_ini:Предупреждение! ";

TEST_F(StartupTest, SettingsPathThatIsAFolderIsAWarning) {
    std::filesystem::create_directory(tmp.File("orvenka.ini"));
    ctx.KeepAtolDriver = true;
    ReadProgramIni(ctx);
    EXPECT_FALSE(ctx.KeepAtolDriver);
    ASSERT_EQ(ctx.log.Errors().size(), 1u);
    const std::string line = ctx.log.Errors()[0];
    EXPECT_EQ(line.rfind(Stamped(kIniWarning + tmp.File("orvenka.ini") + " "), 0), 0u) << line;
    EXPECT_EQ(line.find("создан"), std::string::npos);
}

TEST_F(StartupTest, UnreadableSettingsFileIsAWarning) {
    tmp.Write("orvenka.ini", "AtolNoCloseLinkToDriverAfterCommand=+");
    ::chmod(tmp.File("orvenka.ini").c_str(), 0200);  // nobody may read it, not even its owner
    test::OpenToAll(tmp.Path(), true);
    const auto answer = test::RunUnprivileged([&] {
        test::ScriptedPlatform p;
        FixedClock c{EncodeDateTime({2021, 2, 1, 9, 5, 7})};
        AppContext other(tmp.Path(), "orvenka", p, c);
        other.KeepAtolDriver = true;
        ReadProgramIni(other);
        std::string out = other.KeepAtolDriver ? "on\n" : "off\n";
        for (const auto& e : other.log.Errors())
            out += e + "\n";
        return out;
    });
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, "off\n" + Stamped(kIniWarning + tmp.File("orvenka.ini") +
                                         " Не удается открыть файл \"" + tmp.File("orvenka.ini") +
                                         "\": Отказано в доступе\n"));
}

TEST_F(StartupTest, SettingsFileThatCannotBeCreatedIsAWarning) {
    test::OpenToAll(tmp.Path(), false);
    const auto answer = test::RunUnprivileged([&] {
        test::ScriptedPlatform p;
        FixedClock c{EncodeDateTime({2021, 2, 1, 9, 5, 7})};
        AppContext other(tmp.Path(), "orvenka", p, c);
        ReadProgramIni(other);
        std::string out = other.KeepAtolDriver ? "on\n" : "off\n";
        for (const auto& e : other.log.Errors())
            out += e + "\n";
        return out;
    });
    ASSERT_TRUE(answer.has_value());
    // The long log cannot be written either: its own note follows the warning.
    ASSERT_EQ(answer->rfind("off\n" + Stamped(kIniWarning + tmp.File("orvenka.ini") +
                                              " Не удалось создать файл \"" +
                                              tmp.File("orvenka.ini") + "\": Отказано в доступе\n"),
                            0),
              0u)
        << *answer;
    EXPECT_EQ(answer->find("создан."), std::string::npos);
    EXPECT_FALSE(tmp.Exists("orvenka.ini"));
}

Lines ExpectedCreationLog(const std::string& folder, const std::string& commandLine) {
    return {kStamp + std::string("Orvenka v4.52 от 12/02/2021"),
            kStamp + commandLine,
            kStamp + ("Имя файла для команд " + folder + "cmd.ini"),
            kStamp + ("Имя файла для окончания выполнения команд " + folder + "cmd.finish"),
            kStamp + ("Имя файла для доп строк перед мн.ч " + folder + "Dop.ini"),
            kStamp + ("Имя файла для списка товаров " + folder + "Tovar.ini"),
            kStamp + ("Имя файла для параметров " + folder + "Param.ini"),
            kStamp + ("Имя файла для ошибок " + folder + "Result.txt"),
            kStamp + ("Имя файла с номером созданного чека " + folder + "ResultNumCheck.txt"),
            kStamp + ("Имя файла для текущих событий " + folder + "orvenka.log")};
}

TEST_F(StartupTest, FormCreateLogsCaptionCommandLineAndWorkingFiles) {
    tmp.Write("orvenka.ini", "AtolNoCloseLinkToDriverAfterCommand=+");
    ASSERT_TRUE(FormCreate(ctx, {"/opt/kassa/orvenka", "/atol", "extra"}));
    EXPECT_EQ(ctx.StartupKind, DeviceKind::Atol);
    EXPECT_TRUE(ctx.KeepAtolDriver);
    EXPECT_EQ(ctx.log.Messages(),
              ExpectedCreationLog(tmp.Path(), "/opt/kassa/orvenka /atol extra "));
    EXPECT_TRUE(ctx.log.Errors().empty());
    EXPECT_TRUE(platform.messages.empty());
    StartPolling(ctx);
    EXPECT_EQ(ctx.log.Messages().back(), Stamped("Старт отслеживания команд"));
}

TEST_F(StartupTest, FirstStartLeavesTheSettingsLineInTheErrorPane) {
    ASSERT_TRUE(FormCreate(ctx, {"/opt/kassa/orvenka", "/Shtrih"}));
    EXPECT_EQ(ctx.StartupKind, DeviceKind::Shtrih);
    EXPECT_EQ(ctx.log.Errors().size(), 1u);
    EXPECT_TRUE(tmp.Exists("orvenka.ini"));
}

TEST_F(StartupTest, MissingDeviceKindShowsTheMessageAndEnds) {
    tmp.Write("orvenka.ini", "");
    EXPECT_FALSE(FormCreate(ctx, {"/opt/kassa/orvenka", "/ATOLL"}));
    EXPECT_EQ(ctx.StartupKind, DeviceKind::None);
    const std::string text =
        "Для запуска программы, в командной строке, необходимо указывать параметр: /ATOL или "
        "/SHTRIH\rв зависимости от установленного ККМ\rЕсли ККМ установлен один то для Атол это "
        "будет параметр /ATOL\rДля Штрих это /Shtrih\rЕсли планируется использовать несколько "
        "ККМ, то любой из /Atol или /Shtrih\rДля эмулятора принтера (чеки на обычном принтере) "
        "это /EMUL";
    EXPECT_EQ(platform.messages, Lines{text});
    Lines expected = ExpectedCreationLog(tmp.Path(), "/opt/kassa/orvenka /ATOLL ");
    expected.push_back(Stamped(text));
    EXPECT_EQ(ctx.log.Messages(), expected);
}

TEST_F(StartupTest, NoArgumentsAtAllEnds) {
    tmp.Write("orvenka.ini", "");
    EXPECT_FALSE(FormCreate(ctx, {"/opt/kassa/orvenka"}));
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_FALSE(FormCreate(ctx, {}));
}

TEST_F(StartupTest, ExitWritesMessagesThenErrorsToTheRunLog) {
    tmp.Write("orvenka.log", "previous run\r\n");
    ctx.LogMessage("сообщение");
    ctx.LogError("ошибка 1");
    clock.AdvanceSeconds(1);
    ctx.LogError("ошибка 2");
    ctx.LogMessage("ещё сообщение");
    FormDestroy(ctx);
    const Lines expected = {Stamped("сообщение"), "01.02.2021 09:05:08:ещё сообщение",
                            "01.02.2021 09:05:08:Завершение работы...", Stamped("ошибка 1"),
                            "01.02.2021 09:05:08:ошибка 2"};
    EXPECT_EQ(LoadLines(tmp.File("orvenka.log")), expected);
    // The last line is logged after the file was written and is not in it.
    EXPECT_EQ(ctx.log.Messages().back(),
              "01.02.2021 09:05:08:Запись log файла:" + tmp.File("orvenka.log"));
    EXPECT_EQ(ctx.log.Messages().size(), expected.size() + 1);
}

TEST_F(StartupTest, ExitWithUnwritableRunLogStillEnds) {
    std::filesystem::create_directory(tmp.File("orvenka.log"));
    EXPECT_NO_THROW(FormDestroy(ctx));
    EXPECT_EQ(ctx.log.Messages().back(), Stamped("Запись log файла:" + tmp.File("orvenka.log")));
}

}  // namespace
}  // namespace orvenka
