#include "folders/folder_registry.h"

#include <gtest/gtest.h>

#include "common/failure.h"
#include "support/run_unprivileged.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using Folders = std::vector<std::string>;

TEST(FolderRegistry, KeepsTheOrderAndEachFolderOnce) {
    test::TempFolder tmp;
    const FolderRegistry list(tmp.File("state/orvenka/folders"));
    EXPECT_EQ(list.Folders(), Folders{}) << "no list yet";
    list.Add("/srv/kassa1");
    list.Add("/home/кассир/Обмен ККМ");
    list.Add("/srv/kassa1");
    EXPECT_EQ(list.Folders(), (Folders{"/srv/kassa1", "/home/кассир/Обмен ККМ"}));
    EXPECT_EQ(tmp.ReadBytes("state/orvenka/folders"), "/srv/kassa1\n/home/кассир/Обмен ККМ\n")
        << "UTF-8, one path a line";

    list.Remove("/srv/kassa2");
    list.Remove("/srv/kassa1");
    EXPECT_EQ(list.Folders(), Folders{"/home/кассир/Обмен ККМ"});
    list.Remove("/home/кассир/Обмен ККМ");
    EXPECT_EQ(list.Folders(), Folders{});
}

TEST(FolderRegistry, AHandEditedListIsReadAsWellAsItCanBe) {
    test::TempFolder tmp;
    tmp.WriteBytes("folders", "/a\r\n\r\n/b\n/a\n/c");
    EXPECT_EQ(FolderRegistry(tmp.File("folders")).Folders(), (Folders{"/a", "/b", "/c"}));
}

TEST(FolderRegistry, AListThatCannotBeWrittenStaysAsItWas) {
    test::TempFolder tmp;
    const FolderRegistry list(tmp.File("folders"));
    list.Add("/a");
    test::OpenToAll(tmp.Path(), false);
    const auto answer = test::RunUnprivileged([&] {
        try {
            list.Add("/b");
        } catch (const Failure& f) {
            return std::string(f.what());
        }
        return std::string("added");
    });
    test::OpenToAll(tmp.Path(), true);
    ASSERT_TRUE(answer.has_value());
    EXPECT_NE(answer->find("Отказано в доступе"), std::string::npos) << *answer;
    EXPECT_EQ(list.Folders(), Folders{"/a"});
}

}  // namespace
}  // namespace orvenka
