#include "folders/service_unit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "common/failure.h"
#include "support/shell_command.h"

namespace orvenka {
namespace {

struct EscapeRow {
    std::string path, escaped;
};

const std::vector<EscapeRow> kEscapes = {
    {"/srv/kassa1", "srv-kassa1"},
    {"/", "-"},
    {"/srv//kassa/./1/", "srv-kassa-1"},
    {"/srv/kassa-1", "srv-kassa\\x2d1"},
    {"/srv/Касса 1", "srv-\\xd0\\x9a\\xd0\\xb0\\xd1\\x81\\xd1\\x81\\xd0\\xb0\\x201"},
    {"/.hidden/x", "\\x2ehidden-x"},
    {"/srv/.x", "srv-.x"},
    {"/srv/a:b_c.d", "srv-a:b_c.d"},
    {"/srv/a\\b%c$d", "srv-a\\x5cb\\x25c\\x24d"},
};

TEST(ServiceUnit, PathsAreEscapedTheWaySystemdDoes) {
    for (const auto& r : kEscapes)
        EXPECT_EQ(SystemdEscapePath(r.path), r.escaped) << r.path;
    EXPECT_EQ(ServiceUnitName("/srv/kassa1"), "orvenka@srv-kassa1.service");
}

TEST(ServiceUnit, SystemdAgrees) {
    if (::access("/usr/bin/systemd-escape", X_OK) != 0)
        GTEST_SKIP() << "systemd-escape is not installed";
    for (const auto& r : kEscapes) {
        std::string command = "/usr/bin/systemd-escape --path '";
        for (char c : r.path)
            command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += "'";
        const test::ShellOutcome escaped = test::RunShell(command);
        ASSERT_EQ(escaped.status, 0) << r.path;
        EXPECT_EQ(escaped.output, r.escaped + "\n") << r.path;
    }
}

TEST(ServiceUnit, ANameLongerThanSystemdTakesIsRefused) {
    // 21 Cyrillic letters a name: 168 characters once escaped.
    std::string word;
    for (int i = 0; i < 21; ++i)
        word += "ж";
    EXPECT_NO_THROW(ServiceUnitName("/" + word));
    try {
        ServiceUnitName("/" + word + "/" + word);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("слишком длинный для имени службы systemd (353 знаков "
                                             "из 255)"),
                  std::string::npos)
            << f.what();
    }
}

TEST(ServiceUnit, OwnerDropIn) {
    EXPECT_EQ(OwnerDropIn("kassir", "shop"),
              "# Written by orvenka-folder: the service runs as the owner of its exchange "
              "folder.\n[Service]\nUser=kassir\nGroup=shop\n");
}

}  // namespace
}  // namespace orvenka
