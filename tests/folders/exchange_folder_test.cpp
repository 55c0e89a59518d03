#include "folders/exchange_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "common/failure.h"
#include "common/files.h"
#include "support/run_unprivileged.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

namespace fs = std::filesystem;

// Every entry of a folder with what it is: a file's bytes, a link's target.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (e.is_symlink())
            entries[name] = "-> " + fs::read_symlink(e.path()).string();
        else if (e.is_directory())
            entries[name] = "<dir>";
        else
            entries[name] = ReadFileBytes(e.path().string());
    }
    return entries;
}

std::string FailureText(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& e) {
        return e.what();
    }
    return "(no failure)";
}

class ExchangeFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        install.WriteBytes("orvenka", "#!/bin/sh\n");
        program = install.File("orvenka");
        folder = ExistingFolder(work.Path());
    }
    std::string Link() const { return InFolder(folder, kProgramLinkName); }

    test::TempFolder install, work;
    std::string program, folder;
};

TEST(ExchangeFolderKinds, NamesAndArguments) {
    struct Row {
        std::string name;
        std::optional<DeviceKind> kind;
    };
    const std::vector<Row> rows = {
        {"EMUL", DeviceKind::Emul},
        {"emul", DeviceKind::Emul},
        {"/Emul", DeviceKind::Emul},
        {" ATOL ", DeviceKind::Atol},
        {"shtrih", DeviceKind::Shtrih},
        {"/SHTRIH", DeviceKind::Shtrih},
        {"", std::nullopt},
        {"PRN", std::nullopt},
        {"EMUL2", std::nullopt},
        {"//EMUL", std::nullopt},
        {"ШТРИХ", std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(KindFromName(r.name), r.kind) << "'" << r.name << "'";
    for (DeviceKind kind : kDeviceKinds) {
        EXPECT_EQ(KindFromName(KindName(kind)), kind);
        EXPECT_EQ(KindArgument(kind), "/" + KindName(kind));
    }
    EXPECT_EQ(InFolder("/", "orvenka"), "/orvenka");
    EXPECT_EQ(InFolder("/srv/kassa", "orvenka"), "/srv/kassa/orvenka");
}

TEST(ExchangeFolderPaths, ExistingFoldersAreResolved) {
    test::TempFolder tmp;
    const std::string root = ExistingFolder(tmp.Path());
    fs::create_directory(root + "/Обмен ККМ");
    fs::create_directory(root + "/a");
    fs::create_directory_symlink(root + "/Обмен ККМ", root + "/ссылка");
    struct Row {
        std::string given, expected;
    };
    const std::vector<Row> rows = {
        {root + "/Обмен ККМ", root + "/Обмен ККМ"},
        {root + "/Обмен ККМ/", root + "/Обмен ККМ"},
        {root + "/a/../Обмен ККМ/.", root + "/Обмен ККМ"},
        {root + "/ссылка", root + "/Обмен ККМ"},
        {"/", "/"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ExistingFolder(r.given), r.expected) << r.given;

    const std::string cwd = fs::current_path();
    fs::current_path(root);
    EXPECT_EQ(ExistingFolder("a"), root + "/a");
    EXPECT_EQ(AbsoluteFolder("gone/./x/"), root + "/gone/x");
    fs::current_path(cwd);
    EXPECT_EQ(AbsoluteFolder("/srv//kassa/"), "/srv/kassa");
}

TEST(ExchangeFolderPaths, UnusablePathsAreRefusedWithTheirReason) {
    test::TempFolder tmp;
    tmp.WriteBytes("file", "x");
    fs::create_directory(tmp.File("bad\nname"));
    struct Row {
        std::string given, message;
    };
    const std::vector<Row> rows = {
        {"", "не указана папка"},
        {tmp.File("нет такой"), "папка не найдена: " + tmp.File("нет такой")},
        {tmp.File("file"), "это не папка: " + tmp.File("file")},
        {tmp.File("file/x"), "папка не найдена: " + tmp.File("file/x")},
        {tmp.File("bad\nname"), "в пути к папке есть управляющие символы"},
        {tmp.File("tab\there"), "в пути к папке есть управляющие символы"},
        {tmp.File("\xCE\xE1\xEC\xE5\xED"), "путь к папке не в кодировке UTF-8"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(FailureText([&] { ExistingFolder(r.given); }).rfind(r.message, 0), 0u)
            << r.given << ": " << FailureText([&] { ExistingFolder(r.given); });
    }
    EXPECT_EQ(FailureText([] { AbsoluteFolder("a\x01"); }).rfind("в пути", 0), 0u);
}

TEST_F(ExchangeFolderTest, CreateMakesTheLinkAndTheKindFile) {
    work.Write("Param.ini", "NumCheck=1\r\n");
    EXPECT_EQ(CreateExchangeFolder(folder, DeviceKind::Atol, program), CreateOutcome::Created);
    EXPECT_EQ(fs::read_symlink(Link()).string(), program);
    EXPECT_EQ(work.ReadBytes(kFolderFileName), "Kind=ATOL\r\n");
    EXPECT_EQ(Snapshot(folder).size(), 3u) << "nothing else: no temporary or probe files";

    const FolderInfo info = InspectFolder(folder, program);
    EXPECT_EQ(info.kind, DeviceKind::Atol);
    EXPECT_EQ(info.link, FolderInfo::Link::ToProgram);

    const auto before = Snapshot(folder);
    EXPECT_EQ(CreateExchangeFolder(folder, DeviceKind::Atol, program), CreateOutcome::AlreadyThere);
    EXPECT_EQ(Snapshot(folder), before);
}

TEST_F(ExchangeFolderTest, ALostLinkIsRestored) {
    CreateExchangeFolder(folder, DeviceKind::Emul, program);
    fs::remove(Link());
    EXPECT_EQ(InspectFolder(folder, program).link, FolderInfo::Link::Missing);
    EXPECT_EQ(CreateExchangeFolder(folder, DeviceKind::Emul, program), CreateOutcome::LinkRestored);
    EXPECT_EQ(InspectFolder(folder, program).link, FolderInfo::Link::ToProgram);
}

TEST_F(ExchangeFolderTest, ALinkThatLeadsToTheProgramOtherwiseIsOurs) {
    // A link written relative to the folder, or the package's program gone for a moment.
    fs::create_symlink(fs::relative(program, folder), Link());
    EXPECT_EQ(InspectFolder(folder, program).link, FolderInfo::Link::ToProgram);
    fs::remove(Link());
    fs::remove(program);
    fs::create_symlink(program, Link());
    EXPECT_EQ(InspectFolder(folder, program).link, FolderInfo::Link::ToProgram);
}

TEST_F(ExchangeFolderTest, RefusalsLeaveTheFolderAsItWas) {
    struct Row {
        std::string what;
        std::function<void()> prepare;
        DeviceKind kind;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"another kind", [&] { CreateExchangeFolder(folder, DeviceKind::Shtrih, program); },
         DeviceKind::Emul, "папка " + folder + " уже обслуживает SHTRIH"},
        {"a copy of the program", [&] { work.WriteBytes("orvenka", "ELF"); }, DeviceKind::Emul,
         "в папке " + folder + " уже есть файл orvenka"},
        {"a link elsewhere", [&] { fs::create_symlink("/bin/true", Link()); }, DeviceKind::Emul,
         "в папке " + folder + " уже есть файл orvenka"},
        {"a damaged kind file", [&] { work.Write(kFolderFileName, "Kind=PRN\r\n"); },
         DeviceKind::Emul, "файл " + InFolder(folder, kFolderFileName) + " испорчен"},
    };
    for (const auto& r : rows) {
        fs::remove_all(folder);
        fs::create_directory(folder);
        r.prepare();
        const auto before = Snapshot(folder);
        const std::string text =
            FailureText([&] { CreateExchangeFolder(folder, r.kind, program); });
        EXPECT_EQ(text.rfind(r.message, 0), 0u) << r.what << ": " << text;
        EXPECT_EQ(Snapshot(folder), before) << r.what;
    }
}

TEST_F(ExchangeFolderTest, AFolderThisUserCannotWriteIsRefusedWholly) {
    test::OpenToAll(install.Path(), false);
    test::OpenToAll(folder, false);
    const auto answer = test::RunUnprivileged([&] {
        return FailureText([&] { CreateExchangeFolder(folder, DeviceKind::Emul, program); });
    });
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(
        answer->rfind("в папку нельзя записывать файлы: " + folder + " (Отказано в доступе)", 0),
        0u)
        << *answer;
    EXPECT_TRUE(Snapshot(folder).empty());
    test::OpenToAll(folder, true);
}

TEST_F(ExchangeFolderTest, RemoveKeepsTheWorkingFiles) {
    CreateExchangeFolder(folder, DeviceKind::Emul, program);
    work.Write("Result.txt", "");
    work.Write("orvenka.log", "журнал\r\n");
    RemoveExchangeFolder(folder, program);
    const auto left = Snapshot(folder);
    EXPECT_EQ(left.size(), 2u);
    EXPECT_TRUE(left.count("Result.txt") && left.count("orvenka.log"));
    EXPECT_FALSE(InspectFolder(folder, program).kind);

    // A program file that is not our link is not ours to delete.
    work.WriteBytes("orvenka", "ELF");
    work.Write(kFolderFileName, "Kind=EMUL\r\n");
    RemoveExchangeFolder(folder, program);
    EXPECT_EQ(work.ReadBytes("orvenka"), "ELF");
    EXPECT_FALSE(work.Exists(kFolderFileName));
}

}  // namespace
}  // namespace orvenka
