#include "common/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/folder_watch.h"
#include "support/run_unprivileged.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using Lines = std::vector<std::string>;
using test::TempFolder;

// Names in a folder, sorted (hidden ones included).
Lines FolderEntries(const std::string& folder) {
    Lines names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct SplitRow {
    std::string name;
    std::string text;
    Lines lines;
};

void PrintTo(const SplitRow& r, std::ostream* os) {
    *os << r.name;
}

class SplitLinesRows : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitLinesRows, SplitsAtEveryKindOfBreak) {
    EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitLinesRows,
    ::testing::Values(SplitRow{"empty", "", {}}, SplitRow{"no_break", "a", {"a"}},
                      SplitRow{"crlf", "a\r\nb", {"a", "b"}}, SplitRow{"cr", "a\rb", {"a", "b"}},
                      SplitRow{"lf", "a\nb", {"a", "b"}},
                      SplitRow{"final_crlf", "a\r\nb\r\n", {"a", "b"}},
                      SplitRow{"final_cr", "a\r", {"a"}}, SplitRow{"final_lf", "a\n", {"a"}},
                      SplitRow{"empty_line_kept", "a\n\n", {"a", ""}},
                      SplitRow{"only_break", "\r\n", {""}},
                      SplitRow{"blank_lines", "a\r\n\r\n\r\nb", {"a", "", "", "b"}},
                      SplitRow{"lf_cr_is_two", "a\n\rb", {"a", "", "b"}},
                      SplitRow{"cr_crlf_is_two", "a\r\r\nb", {"a", "", "b"}},
                      SplitRow{"mixed", "1\r2\n3\r\n4", {"1", "2", "3", "4"}},
                      SplitRow{"blanks_kept", "  a  \r\n\t", {"  a  ", "\t"}}),
    [](const auto& info) { return info.param.name; });

TEST(Files, LoadLinesDecodesWindows1251) {
    TempFolder tmp;
    tmp.WriteBytes("Tovar.ini",
                   "\xA8\xEB\xEA\xE0\r\n\xD7\xE0\xE9 \xB9"
                   "1\r\n");
    EXPECT_EQ(LoadLines(tmp.File("Tovar.ini")), (Lines{"Ёлка", "Чай №1"}));
}

TEST(Files, LoadLinesTakesUtf8AfterAByteOrderMark) {
    TempFolder tmp;
    tmp.WriteBytes("a.ini",
                   "\xEF\xBB\xBF"
                   "Ёлка\r\nЧай");
    EXPECT_EQ(LoadLines(tmp.File("a.ini")), (Lines{"Ёлка", "Чай"}));
    tmp.WriteBytes("bom-only.ini", "\xEF\xBB\xBF");
    EXPECT_EQ(LoadLines(tmp.File("bom-only.ini")), Lines{});
    // A mark followed by text that is not UTF-8: the rest is Windows-1251, the mark dropped.
    tmp.WriteBytes("mixed.ini", "\xEF\xBB\xBF\xC0\xC1");
    EXPECT_EQ(LoadLines(tmp.File("mixed.ini")), Lines{"АБ"});
}

TEST(Files, Utf8WithoutAMarkIsReadAsUtf8WhenItHoldsCyrillic) {
    struct Row {
        const char* name;
        std::string bytes;
        bool utf8;
        Lines lines;
    };
    const std::vector<Row> rows = {
        {"cyrillic utf-8", "Name=Хлеб ржаной\r\nЁлка №1", true, {"Name=Хлеб ржаной", "Ёлка №1"}},
        {"marked", "\xEF\xBB\xBFЧай", true, {"Чай"}},
        {"windows-1251", "\xD5\xEB\xE5\xE1\r\n\xA8\xEB\xEA\xE0", false, {"Хлеб", "Ёлка"}},
        // "Сё" in Windows-1251 is the valid UTF-8 of U+0478; the letter after it is not.
        {"1251 with a pair that is utf-8", "\xD1\xB8\xEB", false, {"Сёл"}},
        {"ascii only", "PRN_WIDHT=40", false, {"PRN_WIDHT=40"}},
        // Valid UTF-8 without a Cyrillic letter is no sign: it stays Windows-1251.
        {"utf-8 without cyrillic", "\xC2\xA9", false, {"В©"}},
        {"broken utf-8", "Хлеб\xFF", false, {"РҐР»РµР±я"}},
    };
    TempFolder tmp;
    for (const Row& r : rows) {
        tmp.WriteBytes("Tovar.ini", r.bytes);
        EXPECT_EQ(ReadsAsUtf8(r.bytes), r.utf8) << r.name;
        const InputLines read = LoadInputLines(tmp.File("Tovar.ini"));
        EXPECT_EQ(read.utf8, r.utf8) << r.name;
        EXPECT_EQ(read.lines, r.lines) << r.name;
        EXPECT_EQ(LoadLines(tmp.File("Tovar.ini")), r.lines) << r.name;
    }
}

TEST(Files, NoWindows1251WordIsTakenForUtf8) {
    // Windows-1251 letters: А-я, Ё, ё. A word of three letters or more, and a word of two whose
    // second letter is not Ё or ё, is never valid UTF-8, alone or between Latin text. (A capital
    // followed by ё, alone in a file, is the one text that is: "Сё" is the UTF-8 of "Ѹ".)
    std::vector<char> letters = {'\xA8', '\xB8'};
    for (int c = 0xC0; c <= 0xFF; ++c)
        letters.push_back(static_cast<char>(c));
    for (char a : letters) {
        for (char b : letters) {
            if (b != '\xA8' && b != '\xB8') {
                ASSERT_FALSE(ReadsAsUtf8({a, b})) << int(a) << " " << int(b);
                ASSERT_FALSE(ReadsAsUtf8("Name=" + std::string{a, b} + "\r\n"));
            }
            for (char c : letters)
                ASSERT_FALSE(ReadsAsUtf8("N=" + std::string{a, b, c} + " x")) << int(a) << int(b);
        }
    }
}

TEST(Files, LoadLinesOfEmptyFileIsEmpty) {
    TempFolder tmp;
    tmp.WriteBytes("empty.ini", "");
    EXPECT_EQ(LoadLines(tmp.File("empty.ini")), Lines{});
}

TEST(Files, LoadLinesFailsOnWhatIsNotAFile) {
    TempFolder tmp;
    try {
        LoadLines(tmp.File("missing.ini"));
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "Не удается открыть файл \"" + tmp.File("missing.ini") + "\": Файл не найден");
    }
    std::filesystem::create_directory(tmp.File("dir.ini"));
    EXPECT_THROW(LoadLines(tmp.File("dir.ini")), Failure);
    // A pipe under a working-file name fails at once instead of waiting for a writer.
    ASSERT_EQ(::mkfifo(tmp.File("pipe.ini").c_str(), 0644), 0);
    EXPECT_THROW(LoadLines(tmp.File("pipe.ini")), Failure);
}

TEST(Files, SaveLinesWritesWindows1251WithCrLf) {
    TempFolder tmp;
    SaveLines(tmp.File("Result.txt"), {"Ошибка: ёж", "", "價 ok"});
    EXPECT_EQ(tmp.ReadBytes("Result.txt"), "\xCE\xF8\xE8\xE1\xEA\xE0: \xB8\xE6\r\n\r\n? ok\r\n");
    SaveLines(tmp.File("Result.txt"), {});
    EXPECT_EQ(tmp.ReadBytes("Result.txt"), "");
    SaveText(tmp.File("t.txt"), "Ёж\n");
    EXPECT_EQ(tmp.ReadBytes("t.txt"), "\xA8\xE6\n");
}

TEST(Files, SavedLinesLoadBackUnchanged) {
    TempFolder tmp;
    const Lines lines = {"Ёлка", "", "  blanks  ", "tab\tinside", "№ 5 — €"};
    SaveLinesAtomic(tmp.File("CheckList.txt"), lines);
    EXPECT_EQ(LoadLines(tmp.File("CheckList.txt")), lines);
}

TEST(Files, SaveLinesAtomicReplacesAndLeavesNoTemporaryFile) {
    TempFolder tmp;
    tmp.Write("CheckList.txt", "old\r\n");
    SaveLinesAtomic(tmp.File("CheckList.txt"), {"new", "Ёж"});
    EXPECT_EQ(tmp.ReadBytes("CheckList.txt"), "new\r\n\xA8\xE6\r\n");
    SaveLinesAtomic(tmp.File("Fresh.txt"), {"x"});
    EXPECT_EQ(FolderEntries(tmp.Path()), (Lines{"CheckList.txt", "Fresh.txt"}));
    WriteFileBytesAtomic(tmp.File("Fresh.txt"), std::string("\x00\x98", 2));
    EXPECT_EQ(tmp.ReadBytes("Fresh.txt"), std::string("\x00\x98", 2));
    EXPECT_EQ(FolderEntries(tmp.Path()), (Lines{"CheckList.txt", "Fresh.txt"}));
}

TEST(Files, SaveLinesAtomicOverAFolderFailsAndCleansUp) {
    TempFolder tmp;
    std::filesystem::create_directory(tmp.File("X.ini"));
    EXPECT_THROW(SaveLinesAtomic(tmp.File("X.ini"), {"a"}), Failure);
    EXPECT_EQ(FolderEntries(tmp.Path()), Lines{"X.ini"});
}

TEST(Files, SaveLinesAtomicInReadOnlyFolderKeepsTheOldFile) {
    TempFolder tmp;
    const std::string folder = tmp.File("ro/");
    std::filesystem::create_directory(folder);
    tmp.Write("ro/CheckList.txt", "old\r\n");
    ::chmod(tmp.File("ro/CheckList.txt").c_str(), 0666);
    test::OpenToAll(tmp.Path(), false);
    test::OpenToAll(folder, false);
    const auto answer = test::RunUnprivileged([&] {
        try {
            SaveLinesAtomic(folder + "CheckList.txt", {"new"});
            return std::string("saved");
        } catch (const Failure& f) {
            return std::string(f.what());
        }
    });
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer,
              "Не удалось создать файл \"" + folder + "CheckList.txt\": Отказано в доступе");
    EXPECT_EQ(tmp.ReadBytes("ro/CheckList.txt"), "old\r\n");
    EXPECT_EQ(FolderEntries(folder), Lines{"CheckList.txt"});
}

TEST(Files, AppendTextCreatesThenAppends) {
    TempFolder tmp;
    AppendText(tmp.File("X.long.log"), "Ёж\r\n");
    AppendText(tmp.File("X.long.log"), "два\r\n");
    EXPECT_EQ(tmp.ReadBytes("X.long.log"), "\xA8\xE6\r\n\xE4\xE2\xE0\r\n");
    std::filesystem::create_directory(tmp.File("dir.log"));
    EXPECT_THROW(AppendText(tmp.File("dir.log"), "x"), Failure);
}

TEST(Files, ReadingRefusesFilesBeyondTheirLimitFromTheSizeAlone) {
    TempFolder tmp;
    tmp.WriteBytes("Param.ini", std::string(1000, 'x'));
    struct Case {
        uint64_t limit;
        bool read;
    };
    for (const Case& c :
         {Case{1000, true}, Case{999, false}, Case{0, false}, Case{kAnySize, true}}) {
        if (c.read) {
            EXPECT_EQ(ReadFileBytes(tmp.File("Param.ini"), c.limit).size(), 1000u) << c.limit;
            continue;
        }
        try {
            LoadLines(tmp.File("Param.ini"), c.limit);
            ADD_FAILURE() << "read beyond the limit " << c.limit;
        } catch (const Failure& f) {
            EXPECT_EQ(std::string(f.what()),
                      "Не удается прочитать файл \"" + tmp.File("Param.ini") +
                          "\": файл слишком велик (1000 байт, допустимо не более " +
                          std::to_string(c.limit) + " байт)");
        }
    }
    // A huge file costs nothing to refuse: it is never read (sparse, 8 GiB).
    const std::string huge = tmp.File("huge.ini");
    tmp.WriteBytes("huge.ini", "");
    ASSERT_EQ(::truncate(huge.c_str(), 8ll << 30), 0);
    EXPECT_THROW(ReadFileBytes(huge, 1 << 20), Failure);
    EXPECT_EQ(ReadFileBytes(tmp.File("Param.ini"), 1 << 20), std::string(1000, 'x'));
}

TEST(Files, SplitLinesStopsAtItsLineLimit) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd", 2), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines("a\r\nb\n", 2), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines("a\r\nb", 5), (Lines{"a", "b"}));
    EXPECT_TRUE(SplitLines(std::string(1 << 20, '\n'), 0).empty());
    EXPECT_EQ(SplitLines(std::string(1 << 20, '\n'), 3).size(), 3u);
}

TEST(Files, AppendBytesSyncedAddsToAnExistingFileOnly) {
    TempFolder tmp;
    tmp.WriteBytes("CheckList.txt", "A\r\n");
    AppendBytesSynced(tmp.File("CheckList.txt"), "\xC1\r\n");
    EXPECT_EQ(tmp.ReadBytes("CheckList.txt"), "A\r\n\xC1\r\n");
    EXPECT_THROW(AppendBytesSynced(tmp.File("missing.txt"), "x"), Failure);
    EXPECT_FALSE(tmp.Exists("missing.txt"));
}

TEST(Files, ExistsDeleteRename) {
    TempFolder tmp;
    tmp.Write("a.txt", "a");
    tmp.Write("b.txt", "b");
    std::filesystem::create_directory(tmp.File("dir"));
    EXPECT_TRUE(FileExists(tmp.File("a.txt")));
    EXPECT_FALSE(FileExists(tmp.File("dir")));
    EXPECT_FALSE(FileExists(tmp.File("none")));

    RenameFile(tmp.File("a.txt"), tmp.File("b.txt"));
    EXPECT_EQ(tmp.Read("b.txt"), "a");
    EXPECT_FALSE(tmp.Exists("a.txt"));
    EXPECT_THROW(RenameFile(tmp.File("a.txt"), tmp.File("c.txt")), Failure);

    EXPECT_TRUE(DeleteFileIfExists(tmp.File("b.txt")));
    EXPECT_FALSE(tmp.Exists("b.txt"));
    EXPECT_TRUE(DeleteFileIfExists(tmp.File("b.txt")));
    EXPECT_FALSE(DeleteFileIfExists(tmp.File("dir")));
}

TEST(Files, PathParts) {
    EXPECT_EQ(FolderOf("/opt/kassa/orvenka"), "/opt/kassa/");
    EXPECT_EQ(FolderOf("orvenka"), "");
    EXPECT_EQ(FileNameOf("/opt/kassa/orvenka"), "orvenka");
    EXPECT_EQ(FileNameOf("orvenka"), "orvenka");
    EXPECT_EQ(ProgramFileName(), "orvenka_core_tests");
    EXPECT_EQ(ProgramFolder().back(), '/');
    EXPECT_TRUE(FileExists(ProgramFolder() + ProgramFileName()));
}

TEST(Files, ProgramStartedThroughALinkServesTheLinksFolder) {
    namespace fs = std::filesystem;
    test::TempFolder tmp;
    const std::string base = fs::canonical(tmp.Path()).string() + "/";
    fs::create_directories(base + "lib");
    fs::create_directories(base + "Обмен ККМ/sub");
    tmp.WriteBytes("lib/orvenka", "program");
    tmp.WriteBytes("lib/other", "other");
    const std::string exe = base + "lib/orvenka";
    fs::create_symlink(exe, base + "Обмен ККМ/orvenka");
    fs::create_symlink("../lib/orvenka", base + "Обмен ККМ/relative");
    fs::create_symlink(base + "Обмен ККМ/orvenka", base + "Обмен ККМ/chain");
    fs::create_symlink(base + "lib/other", base + "Обмен ККМ/elsewhere");
    fs::create_symlink(base + "lib/gone", base + "Обмен ККМ/dangling");
    fs::create_directory_symlink(base + "Обмен ККМ", base + "short");
    fs::copy_file(exe, base + "Обмен ККМ/copy");
    fs::create_hard_link(exe, base + "Обмен ККМ/hard");

    const std::string folder = base + "Обмен ККМ/";
    struct Row {
        std::string argv0, cwd;
        std::optional<std::string> link;
    };
    const std::vector<Row> rows = {
        {folder + "orvenka", "/", folder + "orvenka"},
        {"./orvenka", folder, folder + "orvenka"},
        {"../relative", folder + "sub", folder + "relative"},
        {folder + "chain", "/", folder + "chain"},
        {base + "short/orvenka", "/", folder + "orvenka"},
        {base + "short//./orvenka", "/", folder + "orvenka"},
        {"orvenka", folder, std::nullopt},  // found on PATH: the folder is unknown
        {folder + "elsewhere", "/", std::nullopt},
        {folder + "dangling", "/", std::nullopt},
        {folder + "copy", "/", std::nullopt},
        {folder + "hard", "/", std::nullopt},  // the same file, but no link: as started
        {exe, "/", std::nullopt},
        {"", "/", std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(LinkToProgram(r.argv0, r.cwd, exe), r.link) << r.argv0 << " in " << r.cwd;

    // Not through a link: the running file, as ever.
    const ProgramFile self = StartedProgramFile("orvenka_core_tests");
    EXPECT_EQ(self.folder, ProgramFolder());
    EXPECT_EQ(self.name, ProgramFileName());
    EXPECT_FALSE(self.throughLink);
}

struct ExtRow {
    std::string name, ext, out;
};

void PrintTo(const ExtRow& r, std::ostream* os) {
    *os << r.name << " + " << r.ext;
}

class ChangeExtensionRows : public ::testing::TestWithParam<ExtRow> {};

TEST_P(ChangeExtensionRows, Replaces) {
    EXPECT_EQ(ChangeExtension(GetParam().name, GetParam().ext), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChangeExtensionRows,
    ::testing::Values(ExtRow{"Tovar.ini", "oldini", "Tovar.oldini"},
                      ExtRow{"Tovar.ini", ".oldini", "Tovar.oldini"},
                      ExtRow{"X.exe", "long.log", "X.long.log"},
                      ExtRow{"orvenka", "ini", "orvenka.ini"},
                      ExtRow{"orvenka", " log ", "orvenka.log"}, ExtRow{"a.b.c", "x", "a.b.x"},
                      ExtRow{"name.", "txt", "name.txt"},
                      ExtRow{"/opt/my.dir/orvenka", "ini", "/opt/my.dir/orvenka.ini"},
                      ExtRow{"/opt/my.dir/orvenka.bin", "ini", "/opt/my.dir/orvenka.ini"},
                      ExtRow{"Отчёт.txt", "bak", "Отчёт.bak"}, ExtRow{"Tovar.ini", "", "Tovar"}));

struct MaskRow {
    std::string name, mask;
    bool match;
};

void PrintTo(const MaskRow& r, std::ostream* os) {
    *os << r.name << " ~ " << r.mask;
}

class MatchMaskRows : public ::testing::TestWithParam<MaskRow> {};

TEST_P(MatchMaskRows, Matches) {
    EXPECT_EQ(MatchMask(GetParam().name, GetParam().mask), GetParam().match)
        << GetParam().name << " ~ " << GetParam().mask;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MatchMaskRows,
    ::testing::Values(MaskRow{"AtolDevice12.INI", "ATOLDEVICE*.ini", true},
                      MaskRow{"ATOLDEVICE1.ini.bak", "ATOLDEVICE*.ini", false},
                      MaskRow{"ATOLDEVICE.ini", "ATOLDEVICE*.ini", true},
                      MaskRow{"ATOLDEVIC.ini", "ATOLDEVICE*.ini", false},
                      MaskRow{"ATOLDEVICE1", "ATOLDEVICE*.ini", false},
                      MaskRow{"x.ini", "*.ini", true}, MaskRow{"x.txt", "*.ini", false},
                      MaskRow{"x.inix", "*.ini", false}, MaskRow{"x", "*.*", true},
                      MaskRow{"x.y.z", "*.*", true}, MaskRow{"x", "*", true},
                      MaskRow{"x.txt", "x", true},  // a mask without "." takes any extension
                      MaskRow{"noext", "*.ini", false}, MaskRow{"noext", "noext.", true},
                      MaskRow{"a.b", "a.", false}, MaskRow{"abc.ini", "a?c.ini", true},
                      MaskRow{"abcd.ini", "a?c.ini", false}, MaskRow{"ab.ini", "a?c.ini", false},
                      MaskRow{"Ёлка.txt", "ёЛКА.TXT", true}, MaskRow{"Елка.txt", "Ёлка.txt", false},
                      MaskRow{"abc.ini", "ABC.I?I", true},
                      // Only the part before the first "*" is compared; a leading "*" is
                      // compared as it stands.
                      MaskRow{"abxyz.ini", "ab*ef.ini", true}, MaskRow{"abc.ini", "*bc.ini", false},
                      MaskRow{"*bc.ini", "*bc.ini", true}));

class FindFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tmp.Write("ATOLDEVICE1.ini", "1");
        tmp.Write("atoldevice2.INI", "2");
        tmp.Write("ATOLDEVICE3.ini.bak", "3");
        tmp.Write("Other.txt", "o");
        tmp.Write(".ATOLDEVICE4.ini", "hidden");
        std::filesystem::create_directory(tmp.File("ATOLDEVICE6.ini"));
        std::filesystem::create_directory(tmp.File("sub"));
        tmp.Write("sub/ATOLDEVICE5.ini", "5");
        std::filesystem::create_directory(tmp.File("sub/deeper"));
        tmp.Write("sub/deeper/ATOLDEVICE7.INI", "7");
    }
    Lines Find(const std::string& folder, const std::string& mask, bool all) {
        Lines list = {"stale entry"};
        FindFiles(list, folder, mask, all);
        std::sort(list.begin(), list.end());
        return list;
    }
    TempFolder tmp;
};

TEST_F(FindFilesTest, ListsMatchingEntries) {
    const std::string folder = tmp.Path().substr(0, tmp.Path().size() - 1);  // no "/" at the end
    EXPECT_EQ(Find(folder, "ATOLDEVICE*.ini", true),
              (Lines{tmp.File("ATOLDEVICE1.ini"), tmp.File("ATOLDEVICE6.ini"),
                     tmp.File("atoldevice2.INI")}));
    // Without `all` only plain files.
    EXPECT_EQ(Find(tmp.Path(), "ATOLDEVICE*.ini", false),
              (Lines{tmp.File("ATOLDEVICE1.ini"), tmp.File("atoldevice2.INI")}));
}

TEST_F(FindFilesTest, SearchesSubfoldersWithSlashS) {
    const Lines expected = {tmp.File("ATOLDEVICE1.ini"), tmp.File("atoldevice2.INI"),
                            tmp.File("sub/ATOLDEVICE5.ini"),
                            tmp.File("sub/deeper/ATOLDEVICE7.INI")};
    EXPECT_EQ(Find(tmp.Path(), "ATOLDEVICE*.ini/S", false), expected);
    EXPECT_EQ(Find(tmp.Path(), "atoldevice*.ini/s", false), expected);
    // A link back up the tree is not followed (it would never end).
    ASSERT_EQ(::symlink(tmp.Path().c_str(), tmp.File("sub/loop").c_str()), 0);
    EXPECT_EQ(Find(tmp.Path(), "ATOLDEVICE*.ini/S", false), expected);
}

TEST_F(FindFilesTest, MissingFolderGivesEmptyList) {
    EXPECT_EQ(Find(tmp.File("none"), "*.*", true), Lines{});
}

// What may stand under a working-file name, and what reading it to empty it does.
struct EntryRow {
    std::string name;
    std::function<void(const TempFolder& tmp, const TempFolder& elsewhere)> make;
    std::string failure;  // part of the failure text; empty: read and emptied
};

void PrintTo(const EntryRow& r, std::ostream* os) {
    *os << r.name;
}

class FileToEmptyRows : public ::testing::TestWithParam<EntryRow> {};

TEST_P(FileToEmptyRows, ReadsAndEmptiesOnlyAPlainFile) {
    TempFolder tmp;
    TempFolder elsewhere;
    elsewhere.Write("target.txt", "ZOTCHET\r\n");
    GetParam().make(tmp, elsewhere);
    if (GetParam().failure.empty()) {
        FileToEmpty file(tmp.File("cmd.ini"));
        EXPECT_EQ(file.Bytes(), "XOTCHET\r\n");
        EXPECT_EQ(file.Stamp().size, 9);
        const auto emptied = file.Empty();
        ASSERT_TRUE(emptied.has_value());
        EXPECT_EQ(emptied->size, 0);
        EXPECT_EQ(StampOf(tmp.File("cmd.ini")), emptied);
        EXPECT_EQ(tmp.ReadBytes("cmd.ini"), "");
    } else {
        try {
            FileToEmpty file(tmp.File("cmd.ini"));
            FAIL() << "no failure";
        } catch (const Failure& f) {
            EXPECT_NE(std::string(f.what()).find(GetParam().failure), std::string::npos)
                << f.what();
        }
    }
    EXPECT_EQ(elsewhere.ReadBytes("target.txt"), "ZOTCHET\r\n") << "never through a link";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FileToEmptyRows,
    ::testing::Values(
        EntryRow{
            "plain_file",
            [](const TempFolder& tmp, const TempFolder&) { tmp.Write("cmd.ini", "XOTCHET\r\n"); },
            ""},
        EntryRow{"link_to_a_file_elsewhere",
                 [](const TempFolder& tmp, const TempFolder& elsewhere) {
                     std::filesystem::create_symlink(elsewhere.File("target.txt"),
                                                     tmp.File("cmd.ini"));
                 },
                 "символическая ссылка"},
        EntryRow{"link_to_a_device",
                 [](const TempFolder& tmp, const TempFolder&) {
                     std::filesystem::create_symlink("/dev/zero", tmp.File("cmd.ini"));
                 },
                 "символическая ссылка"},
        EntryRow{"dangling_link",
                 [](const TempFolder& tmp, const TempFolder&) {
                     std::filesystem::create_symlink("/nonexistent", tmp.File("cmd.ini"));
                 },
                 "символическая ссылка"},
        EntryRow{"pipe",
                 [](const TempFolder& tmp, const TempFolder&) {
                     ASSERT_EQ(::mkfifo(tmp.File("cmd.ini").c_str(), 0644), 0);
                 },
                 "не обычный файл"},
        EntryRow{"folder",
                 [](const TempFolder& tmp, const TempFolder&) {
                     std::filesystem::create_directory(tmp.File("cmd.ini"));
                 },
                 "Это папка"},
        EntryRow{"missing", [](const TempFolder&, const TempFolder&) {}, "Файл не найден"}),
    [](const auto& info) { return info.param.name; });

TEST(Files, FileWrittenInPlaceOfTheOneReadIsNotEmptied) {
    TempFolder tmp;
    tmp.Write("cmd.ini", "XOTCHET\r\n");
    FileToEmpty file(tmp.File("cmd.ini"));
    SaveLinesAtomic(tmp.File("cmd.ini"), {"ZOTCHET"});  // the next command, renamed in
    EXPECT_EQ(file.Empty(), std::nullopt);
    EXPECT_EQ(tmp.Read("cmd.ini"), "ZOTCHET\r\n");
    std::filesystem::remove(tmp.File("cmd.ini"));
    EXPECT_EQ(file.Empty(), std::nullopt);
}

// The long log and other files written in place: a link there is refused, and what it points to
// stays as it was. A file replaced atomically replaces the link itself.
TEST(Files, WritesInPlaceNeverFollowALink) {
    TempFolder tmp;
    TempFolder elsewhere;
    elsewhere.Write("passwd", "root:x:0:0\r\n");
    std::filesystem::create_symlink(elsewhere.File("passwd"), tmp.File("X.long.log"));
    try {
        AppendText(tmp.File("X.long.log"), "строка\r\n");
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()), "Не удалось открыть файл \"" + tmp.File("X.long.log") +
                                             "\": Это символическая ссылка, а не файл");
    }
    EXPECT_THROW(SaveLines(tmp.File("X.long.log"), {"x"}), Failure);
    EXPECT_EQ(elsewhere.ReadBytes("passwd"), "root:x:0:0\r\n");

    SaveLinesAtomic(tmp.File("X.long.log"), {"новый"});
    EXPECT_FALSE(std::filesystem::is_symlink(tmp.File("X.long.log")));
    EXPECT_EQ(tmp.Read("X.long.log"), "новый\r\n");
    EXPECT_EQ(elsewhere.ReadBytes("passwd"), "root:x:0:0\r\n");
}

TEST(Files, StampsDoNotFollowLinks) {
    TempFolder tmp;
    tmp.Write("a.txt", "abc");
    std::filesystem::create_symlink(tmp.File("a.txt"), tmp.File("link.txt"));
    ASSERT_TRUE(StampOf(tmp.File("a.txt")).has_value());
    EXPECT_EQ(StampOf(tmp.File("a.txt"))->size, 3);
    EXPECT_EQ(StampOf(tmp.File("link.txt")), std::nullopt) << "a link is no plain file";
    ASSERT_TRUE(EntryStampOf(tmp.File("link.txt")).has_value());
    EXPECT_NE(EntryStampOf(tmp.File("link.txt"))->inode, StampOf(tmp.File("a.txt"))->inode);
    EXPECT_EQ(EntryStampOf(tmp.File("none")), std::nullopt);
}

TEST(Files, SpellingsIgnoreLatinLetterCase) {
    TempFolder tmp;
    for (const char* name :
         {"CMD.INI", "Cmd.Ini", "cmd.ini", "cmd.ini.bak", "xcmd.ini", "Tovar.ini"})
        tmp.Write(name, "");
    EXPECT_EQ(SpellingsOf(tmp.Path(), "cmd.ini"), (Lines{"cmd.ini", "CMD.INI", "Cmd.Ini"}));
    EXPECT_EQ(SpellingsOf(tmp.Path(), "CMD.ini"), (Lines{"CMD.INI", "Cmd.Ini", "cmd.ini"}));
    EXPECT_EQ(SpellingsOf(tmp.Path(), "TOVAR.INI"), Lines{"Tovar.ini"});
    EXPECT_EQ(SpellingsOf(tmp.Path(), "Dop.ini"), Lines{});
    EXPECT_EQ(SpellingsOf(tmp.File("none/"), "cmd.ini"), Lines{});
}

TEST(Files, CreateExclusiveNeverReplacesAFile) {
    TempFolder tmp;
    const auto created = CreateFileBytesExclusive(tmp.File("cmd.ini"), "XOTCHET\r\n");
    ASSERT_TRUE(created.has_value());
    EXPECT_EQ(tmp.ReadBytes("cmd.ini"), "XOTCHET\r\n");
    EXPECT_EQ(created->inode, StampOf(tmp.File("cmd.ini"))->inode);

    EXPECT_EQ(CreateFileBytesExclusive(tmp.File("cmd.ini"), "ZOTCHET\r\n"), std::nullopt);
    EXPECT_EQ(tmp.ReadBytes("cmd.ini"), "XOTCHET\r\n");
    std::filesystem::create_symlink("/nonexistent", tmp.File("link.ini"));
    EXPECT_EQ(CreateFileBytesExclusive(tmp.File("link.ini"), "x"), std::nullopt);
    EXPECT_EQ(FolderEntries(tmp.Path()), (Lines{"cmd.ini", "link.ini"}));
}

struct OwnerRow {
    std::string name;
    int pid;
};

void PrintTo(const OwnerRow& r, std::ostream* os) {
    *os << r.name;
}

class TemporaryOwnerRows : public ::testing::TestWithParam<OwnerRow> {};

TEST_P(TemporaryOwnerRows, ReadsThePidOfTheWriter) {
    EXPECT_EQ(TemporaryFileOwner(GetParam().name), GetParam().pid);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TemporaryOwnerRows,
    ::testing::Values(OwnerRow{".Result.txt.tmp-4242-aB3xYz", 4242},
                      OwnerRow{".cmd.ini.tmp-17-000000", 17},
                      OwnerRow{".a.tmp-b.tmp-99-zzzzzz", 99},
                      OwnerRow{"Result.txt.tmp-4242-aB3xYz", 0},  // not hidden
                      OwnerRow{".Result.txt.tmp-aB3xYz", 0},      // no pid
                      OwnerRow{".Result.txt.tmp-42-abc", 0},      // not six characters
                      OwnerRow{".Result.txt.tmp--abcdef", 0}, OwnerRow{".tmp-42-abcdef", 0},
                      OwnerRow{".x.tmp-4x2-abcdef", 0}, OwnerRow{".x.tmp-12345678901-abcdef", 0},
                      OwnerRow{".keep", 0}));

// A pid that no process has: a child's, once it has ended.
int EndedPid() {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return pid;
}

TEST(Files, StaleTemporaryFilesOfEndedWritersAreRemoved) {
    TempFolder tmp;
    // The name an atomic write gives its temporary file, as the folder watch sees it.
    FolderWatch watch(tmp.Path());
    SaveLinesAtomic(tmp.File("Result.txt"), {"x"});
    std::string written;
    for (const auto& e : watch.Read()) {
        if (e.change == FolderWatch::Change::Closed)
            written = e.name;
    }
    EXPECT_EQ(TemporaryFileOwner(written), ::getpid()) << written;

    const std::string ended = std::to_string(EndedPid());
    const std::string mine = std::to_string(::getpid());
    for (const std::string& name :
         Lines{".Result.txt.tmp-" + ended + "-aB3xYz", ".CheckList.txt.tmp-" + ended + "-000000",
               ".cmd.ini.tmp-" + mine + "-qwerty", ".keep.tmp-1", "Result.txt"}) {
        tmp.Write(name, "x");
    }
    std::filesystem::create_directory(tmp.File(".dir.tmp-" + ended + "-abcdef"));
    const Lines removed = RemoveStaleTemporaryFiles(tmp.Path());
    EXPECT_EQ(removed, (Lines{".CheckList.txt.tmp-" + ended + "-000000",
                              ".Result.txt.tmp-" + ended + "-aB3xYz"}));
    EXPECT_EQ(FolderEntries(tmp.Path()),
              (Lines{".cmd.ini.tmp-" + mine + "-qwerty", ".dir.tmp-" + ended + "-abcdef",
                     ".keep.tmp-1", "Result.txt"}));
}

TEST(Files, AnswerLinesReplaceAtomically) {
    TempFolder tmp;
    tmp.Write("Result.txt", "old\r\n");
    SaveAnswerLines(tmp.File("Result.txt"), {"Ошибка"});
    EXPECT_EQ(tmp.Read("Result.txt"), "Ошибка\r\n");
    SaveAnswerLines(tmp.File("Result.txt"), {});
    EXPECT_EQ(tmp.ReadBytes("Result.txt"), "");
    EXPECT_EQ(FolderEntries(tmp.Path()), Lines{"Result.txt"});
}

}  // namespace
}  // namespace orvenka
