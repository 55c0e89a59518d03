#include "shell/check_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/text.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using Lines = std::vector<std::string>;

// A register big enough (over 1 MiB) that new entries are appended instead of written in
// order: "DOC-000000-Документ xx…", "DOC-000002-…", … in order, CR LF each.
constexpr int kBigEntries = 5500;
std::string BigId(int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%06d", n);
    return "DOC-" + std::string(buf) + "-Документ " + std::string(180, 'x');
}
std::string BigRegister() {
    std::string text;
    for (int i = 0; i < kBigEntries; ++i)
        text += BigId(2 * i) + "\r\n";
    return Utf8ToCp1251(text);
}

TEST(CheckList, FilesOfAnyFormAreReadAndWrittenAnewInOrder) {
    struct Case {
        const char* what;
        std::string bytes;  // the file as found
        Lines lines;        // the register it holds
    };
    const std::vector<Case> cases = {
        {"own form", "A-1\r\nb-2\r\n\xC1-3\r\n", {"A-1", "b-2", "Б-3"}},
        {"LF line ends", "b-2\nA-1\n", {"A-1", "b-2"}},
        {"no line end at the end", "A-1\r\nb-2", {"A-1", "b-2"}},
        {"out of order with case duplicates",
         "b-2\r\n\xDF-1\r\nA-1\r\na-1\r\n\xFF-1\r\n",
         {"A-1", "b-2", "Я-1"}},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF\xD0\x81\xD0\xB6\r\nA\r\n", {"A", "Ёж"}},
        {"a blank line", "\r\nA\r\n", {"", "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder tmp;
        tmp.WriteBytes("CheckList.txt", c.bytes);
        CheckList list = CheckList::Load(tmp.File("CheckList.txt"));
        EXPECT_EQ(list.Lines(), c.lines);
        for (const auto& line : c.lines)
            EXPECT_TRUE(list.Contains(line)) << line;
        EXPECT_FALSE(list.Add(c.lines.back()));
        EXPECT_EQ(tmp.ReadBytes("CheckList.txt"), c.bytes) << "a listed entry changed the file";

        // The next entry writes the whole small register anew, in order, in the own form.
        ASSERT_TRUE(list.Add("Б-0"));
        Lines expected = c.lines;
        expected.push_back("Б-0");
        expected = SortedRegister(expected);
        EXPECT_EQ(LoadLines(tmp.File("CheckList.txt")), expected);
        std::string own;
        for (const auto& line : expected)
            own += line + "\r\n";
        EXPECT_EQ(tmp.Read("CheckList.txt"), own);
    }
}

TEST(CheckList, LookUpIgnoresCaseOfLatinAndCyrillic) {
    test::TempFolder tmp;
    tmp.Write("CheckList.txt", "Ёлка-7\r\nзаказ-42\r\nORDER-1\r\n");
    const CheckList list = CheckList::Load(tmp.File("CheckList.txt"));
    struct Case {
        const char* id;
        bool listed;
    };
    for (const Case& c : {Case{"ЗАКАЗ-42", true}, Case{"order-1", true}, Case{"ёЛКА-7", true},
                          Case{"Заказ-4", false}, Case{"заказ-42 ", false}, Case{"", false}}) {
        EXPECT_EQ(list.Contains(c.id), c.listed) << c.id;
    }
    EXPECT_FALSE(CheckList::Load(tmp.File("missing.txt")).Contains("ORDER-1"));
}

TEST(CheckList, BigRegisterGrowsByAppendingAndIsPutInOrderNowAndThen) {
    test::TempFolder tmp;
    const std::string head = BigRegister();
    ASSERT_GT(head.size(), 1u << 20);
    tmp.WriteBytes("CheckList.txt", head);
    const std::string path = tmp.File("CheckList.txt");

    // New entries go to the end as they come; the entries before stay byte for byte.
    CheckList list = CheckList::Load(path);
    ASSERT_TRUE(list.Add("DOC-000003-Документ"));
    ASSERT_TRUE(list.Add("doc-000001-документ"));
    std::string expected = head + "DOC-000003-\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\r\n" +
                           "doc-000001-\xE4\xEE\xEA\xF3\xEC\xE5\xED\xF2\r\n";
    EXPECT_TRUE(tmp.ReadBytes("CheckList.txt") == expected);

    // Read back, the appended end is found like the rest, ignoring case, and not added twice.
    list = CheckList::Load(path);
    EXPECT_EQ(list.Size(), kBigEntries + 2u);
    EXPECT_TRUE(list.Contains("DOC-000001-ДОКУМЕНТ"));
    EXPECT_TRUE(list.Contains(UpperRus(BigId(2))));
    EXPECT_FALSE(list.Contains("DOC-000005-Документ"));
    EXPECT_FALSE(list.Add("Doc-000003-ДОКУМЕНТ"));
    EXPECT_TRUE(tmp.ReadBytes("CheckList.txt") == expected);
    const Lines lines = list.Lines();
    EXPECT_EQ(lines[1], "doc-000001-документ");
    EXPECT_EQ(lines[3], "DOC-000003-Документ");

    // Past a sixteenth of the register the whole file is written anew, in order.
    int added = 2;
    for (bool appended = true; appended; ++added) {
        ASSERT_LE(added, kBigEntries / 16 + 1) << "the register was never put in order";
        const std::string id = "DOC-000001-" + std::to_string(added);
        ASSERT_TRUE(list.Add(id));
        const std::string bytes = tmp.ReadBytes("CheckList.txt");
        appended = bytes.size() > id.size() + 2 &&
                   bytes.compare(bytes.size() - id.size() - 2, id.size() + 2, id + "\r\n") == 0;
    }
    EXPECT_EQ(added, kBigEntries / 16 + 1);
    const Lines stored = LoadLines(path);
    EXPECT_EQ(stored.size(), list.Size());
    EXPECT_TRUE(stored == SortedRegister(stored)) << "not in order";
    EXPECT_TRUE(stored == list.Lines());
}

TEST(CheckList, RemoveTakesAnEntryOutWhereverItStands) {
    test::TempFolder tmp;
    const std::string path = tmp.File("CheckList.txt");
    const std::string head = BigRegister();
    tmp.WriteBytes("CheckList.txt", head);
    CheckList list = CheckList::Load(path);
    ASSERT_TRUE(list.Add("Новый"));
    EXPECT_TRUE(list.Remove("НОВЫЙ"));  // the appended end
    EXPECT_TRUE(tmp.ReadBytes("CheckList.txt") == head);
    EXPECT_TRUE(list.Remove(UpperRus(BigId(0))));  // the ordered body
    EXPECT_TRUE(tmp.ReadBytes("CheckList.txt") == head.substr(head.find('\n') + 1));
    EXPECT_FALSE(list.Remove("Новый"));
    EXPECT_FALSE(CheckList::Load(path).Contains(BigId(0)));
    EXPECT_TRUE(CheckList::Load(path).Contains(BigId(2)));

    // Nothing left is no register at all.
    test::TempFolder small;
    CheckList one = CheckList::Load(small.File("CheckList.txt"));
    ASSERT_TRUE(one.Add("Заказ-1"));
    EXPECT_TRUE(small.Exists("CheckList.txt"));
    EXPECT_TRUE(one.Remove("заказ-1"));
    EXPECT_FALSE(small.Exists("CheckList.txt"));
}

TEST(CheckList, UnusableFilesFailAndLeaveTheRegisterAsItWas) {
    test::TempFolder tmp;
    // Something that is no file under the name cannot be read.
    ASSERT_EQ(::mkfifo(tmp.File("CheckList.txt").c_str(), 0644), 0);
    EXPECT_THROW(CheckList::Load(tmp.File("CheckList.txt")), Failure);

    // A folder under the name is no register: an entry cannot replace it.
    std::filesystem::create_directory(tmp.File("Folder.txt"));
    CheckList list = CheckList::Load(tmp.File("Folder.txt"));
    EXPECT_THROW(list.Add("Заказ-1"), Failure);
    EXPECT_FALSE(list.Contains("Заказ-1"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp.File("Folder.txt")));
}

// A register linked to a file elsewhere, symbolically or hard, is neither read nor written: the
// entry would land in the other file. Also when the link appears after the register was read,
// for an appended entry (a large register) as for one written anew.
TEST(CheckList, LinkedRegisterIsNeverReadOrWritten) {
    for (const bool hard : {false, true}) {
        for (const bool large : {false, true}) {
            SCOPED_TRACE(std::string(hard ? "hard" : "symbolic") + (large ? ", large" : ""));
            test::TempFolder tmp;
            test::TempFolder elsewhere;
            std::string body;
            for (int i = 0; large && i < 70000; ++i)
                body += "Z-" + std::to_string(1000000 + i) + "\r\n";
            elsewhere.WriteBytes("other.txt", body + "Чужой\r\n");
            const std::string other = elsewhere.File("other.txt");
            const std::string path = tmp.File("CheckList.txt");
            const auto linkThere = [&] {
                ASSERT_EQ(hard ? ::link(other.c_str(), path.c_str())
                               : ::symlink(other.c_str(), path.c_str()),
                          0);
            };
            linkThere();
            EXPECT_THROW(CheckList::Load(path), Failure);

            // Read while it was the program's own, then linked.
            ASSERT_TRUE(DeleteFileIfExists(path));
            tmp.WriteBytes("CheckList.txt", body);
            CheckList list = CheckList::Load(path);
            ASSERT_TRUE(DeleteFileIfExists(path));
            linkThere();
            EXPECT_THROW(list.Add("Заказ-1"), Failure);
            EXPECT_EQ(elsewhere.ReadBytes("other.txt"), body + "Чужой\r\n");
        }
    }
}

}  // namespace
}  // namespace orvenka
