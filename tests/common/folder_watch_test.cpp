#include "common/folder_watch.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "common/files.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using test::TempFolder;
using Change = FolderWatch::Change;

std::string Text(const FolderWatch::Event& e) {
    const char* kinds[] = {"created", "closed", "moved in", "overflow", "gone"};
    return std::string(kinds[static_cast<int>(e.change)]) + (e.name.empty() ? "" : " " + e.name);
}

// The events that have come, waiting a little for the first one.
std::vector<std::string> Events(FolderWatch& watch) {
    pollfd p{watch.Fd(), POLLIN, 0};
    ::poll(&p, 1, 200);
    std::vector<std::string> texts;
    for (const auto& e : watch.Read())
        texts.push_back(Text(e));
    return texts;
}

struct WatchRow {
    std::string name;
    std::function<void(const TempFolder& folder, const TempFolder& elsewhere)> action;
    std::vector<std::string> events;
};

void PrintTo(const WatchRow& r, std::ostream* os) {
    *os << r.name;
}

class FolderWatchRows : public ::testing::TestWithParam<WatchRow> {};

TEST_P(FolderWatchRows, ReportsWhatWritersDid) {
    TempFolder folder;
    TempFolder elsewhere;
    elsewhere.Write("target.txt", "x");
    std::filesystem::create_symlink(elsewhere.File("target.txt"), folder.File("link.txt"));
    FolderWatch watch(folder.Path());
    ASSERT_TRUE(watch.Watching());
    GetParam().action(folder, elsewhere);
    EXPECT_EQ(Events(watch), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FolderWatchRows,
    ::testing::Values(
        WatchRow{"written_in_place",
                 [](const TempFolder& f, const TempFolder&) { f.Write("CMD.INI", "X\r\n"); },
                 {"created CMD.INI", "closed CMD.INI"}},
        WatchRow{"renamed_in",
                 [](const TempFolder& f, const TempFolder&) {
                     std::filesystem::create_directory(f.File("sub"));
                     std::ofstream(f.File("sub/cmd.tmp")) << "X\r\n";
                     std::filesystem::rename(f.File("sub/cmd.tmp"), f.File("cmd.ini"));
                 },
                 {"created sub", "moved in cmd.ini"}},
        WatchRow{"link_made",
                 [](const TempFolder& f, const TempFolder& e) {
                     std::filesystem::create_symlink(e.File("target.txt"), f.File("cmd.ini"));
                 },
                 {"created cmd.ini"}},
        WatchRow{"written_through_a_link",
                 [](const TempFolder& f, const TempFolder&) {
                     std::ofstream(f.File("link.txt"), std::ios::app) << "more";
                 },
                 {}},
        WatchRow{"only_read",
                 [](const TempFolder& f, const TempFolder&) { (void)f.ReadBytes("link.txt"); },
                 {}},
        WatchRow{
            "folder_removed",
            [](const TempFolder& f, const TempFolder&) { std::filesystem::remove_all(f.Path()); },
            {"gone"}}),
    [](const auto& info) { return info.param.name; });

TEST(FolderWatch, NoFolderNoWatch) {
    TempFolder folder;
    FolderWatch missing(folder.File("none/"));
    EXPECT_FALSE(missing.Watching());
    EXPECT_EQ(missing.Fd(), -1);
    EXPECT_TRUE(missing.Read().empty());
    folder.Write("file", "x");
    FolderWatch notAFolder(folder.File("file"));
    EXPECT_FALSE(notAFolder.Watching());
}

TEST(FolderWatch, StopsWatchingAFolderThatIsGone) {
    TempFolder folder;
    FolderWatch watch(folder.Path());
    std::filesystem::remove_all(folder.Path());
    EXPECT_EQ(Events(watch), std::vector<std::string>{"gone"});
    EXPECT_FALSE(watch.Watching());
    EXPECT_TRUE(watch.Read().empty());
}

}  // namespace
}  // namespace orvenka
