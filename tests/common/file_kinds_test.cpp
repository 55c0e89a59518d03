#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "common/failure.h"
#include "common/files.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using test::TempFolder;

struct WriteRow {
    const char* name;
    std::function<void(const std::string&)> write;
};

void PrintTo(const WriteRow& r, std::ostream* os) {
    *os << r.name;
}

class WriteInPlaceRows : public ::testing::TestWithParam<WriteRow> {};

// A pipe under a working-file name: the write is refused at once with a clear reason, nothing
// goes into the pipe. The test holds a reader open, so a write that wrongly went ahead would
// succeed (and fail the test) instead of hanging it.
TEST_P(WriteInPlaceRows, RefusesAPipeWithoutWaiting) {
    TempFolder tmp;
    const std::string path = tmp.File("X.long.log");
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    try {
        GetParam().write(path);
        ADD_FAILURE() << "written into a pipe";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("\"" + path + "\": Это не обычный файл"),
                  std::string::npos)
            << f.what();
    }
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "bytes reached the pipe";
    ::close(reader);
}

// The same writes onto a plain file still work: truncate replaces, append adds.
TEST_P(WriteInPlaceRows, WritesAPlainFile) {
    TempFolder tmp;
    tmp.Write("f.txt", "старое\r\n");
    GetParam().write(tmp.File("f.txt"));
    const std::string bytes = tmp.Read("f.txt");
    EXPECT_NE(bytes.find("новое"), std::string::npos) << bytes;
    const bool appends = std::string(GetParam().name).find("Append") == 0;
    EXPECT_EQ(bytes.find("старое") != std::string::npos, appends) << bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, WriteInPlaceRows,
    ::testing::Values(
        WriteRow{"AppendText", [](const std::string& p) { AppendText(p, "новое\r\n"); }},
        WriteRow{"AppendBytesSynced",
                 [](const std::string& p) { AppendBytesSynced(p, "\xED\xEE\xE2\xEE\xE5\r\n"); }},
        WriteRow{"SaveLines", [](const std::string& p) { SaveLines(p, {"новое"}); }},
        WriteRow{"SaveText", [](const std::string& p) { SaveText(p, "новое\r\n"); }}),
    [](const auto& info) { return std::string(info.param.name); });

// The register of printed documents is appended to: a link there must not carry the entry into
// the file it points to.
TEST(Files, AppendBytesSyncedNeverFollowsALink) {
    TempFolder tmp;
    TempFolder elsewhere;
    elsewhere.WriteBytes("other.txt", "A\r\n");
    ASSERT_EQ(::symlink(elsewhere.File("other.txt").c_str(), tmp.File("CheckList.txt").c_str()), 0);
    EXPECT_THROW(AppendBytesSynced(tmp.File("CheckList.txt"), "B\r\n"), Failure);
    EXPECT_EQ(elsewhere.ReadBytes("other.txt"), "A\r\n");
}

}  // namespace
}  // namespace orvenka
