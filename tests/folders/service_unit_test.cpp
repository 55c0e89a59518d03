#include "folders/service_unit.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include "common/failure.h"

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
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string answer;
        char buf[512];
        while (const size_t n = std::fread(buf, 1, sizeof buf, pipe))
            answer.append(buf, n);
        ASSERT_EQ(::pclose(pipe), 0) << r.path;
        EXPECT_EQ(answer, r.escaped + "\n") << r.path;
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
