#include "folders/autostart_entry.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "support/desktop_exec.h"

namespace orvenka {
namespace {

// The value of a key of the entry; empty when missing.
std::string Key(const std::string& entry, const std::string& key) {
    std::smatch m;
    if (std::regex_search(entry, m, std::regex("(^|\n)" + key + "=([^\n]*)\n")))
        return m[2];
    return "";
}

TEST(AutostartEntry, FileNamesAreStableAndOnePerFolder) {
    struct Row {
        std::string folder, pattern;
    };
    const std::vector<Row> rows = {
        {"/srv/kassa1", "orvenka-kassa1-[0-9a-f]{8}\\.desktop"},
        {"/home/кассир/Обмен ККМ", "orvenka-[0-9a-f]{8}\\.desktop"},
        {"/srv/Касса 2 (зал)", "orvenka-2-[0-9a-f]{8}\\.desktop"},
        {"/", "orvenka-[0-9a-f]{8}\\.desktop"},
        {"/srv/" + std::string(60, 'k'), "orvenka-k{32}-[0-9a-f]{8}\\.desktop"},
    };
    std::set<std::string> names;
    for (const auto& r : rows) {
        const std::string name = AutostartFileName(r.folder);
        EXPECT_TRUE(std::regex_match(name, std::regex(r.pattern))) << r.folder << " -> " << name;
        EXPECT_EQ(AutostartFileName(r.folder), name);
        names.insert(name);
    }
    names.insert(AutostartFileName("/srv2/kassa1"));
    EXPECT_EQ(names.size(), rows.size() + 1) << "same last name, other folder";
}

TEST(AutostartEntry, ExecArgumentsAsTheyStandInTheFile) {
    struct Row {
        std::string argument, written;
    };
    const std::vector<Row> rows = {
        {"/srv/kassa1", R"("/srv/kassa1")"},
        {"/home/кассир/Обмен ККМ", R"("/home/кассир/Обмен ККМ")"},
        {"/srv/100%", R"("/srv/100%%")"},
        {"/srv/a\"b", R"("/srv/a\\"b")"},
        {"/srv/$HOME", R"("/srv/\\$HOME")"},
        {"/srv/a`b`", R"("/srv/a\\`b\\`")"},
        {"/srv/a\\b", R"("/srv/a\\\\b")"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DesktopExecArgument(r.argument), r.written) << r.argument;
}

TEST(AutostartEntry, TheEntryRunsTheFolderCommandOnTheFolder) {
    const std::vector<std::string> folders = {"/srv/kassa1", "/home/кассир/Обмен ККМ",
                                              "/srv/it's (1) & <2>; ~ * ? #",
                                              "/srv/100% $x `y` \"z\" \\w"};
    for (const auto& folder : folders) {
        const std::string entry = AutostartEntry(folder, "/usr/lib/orvenka/orvenka-folder");
        EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
        EXPECT_EQ(Key(entry, "Type"), "Application");
        EXPECT_EQ(Key(entry, "Icon"), "orvenka");
        EXPECT_EQ(Key(entry, "TryExec"), "/usr/lib/orvenka/orvenka-folder");
        const auto argv = test::ParseDesktopExec(Key(entry, "Exec"));
        ASSERT_TRUE(argv.has_value()) << Key(entry, "Exec");
        EXPECT_EQ(*argv,
                  (std::vector<std::string>{"/usr/lib/orvenka/orvenka-folder", "run", folder}))
            << Key(entry, "Exec");
    }
    EXPECT_EQ(Key(AutostartEntry("/srv/a\\b", "/t"), "Name"), "Orvenka: a\\\\b");
}

}  // namespace
}  // namespace orvenka
