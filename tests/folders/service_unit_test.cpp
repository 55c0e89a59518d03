#include "folders/service_unit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "common/failure.h"
#include "common/files.h"
#include "support/shell_command.h"
#include "support/temp_folder.h"

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

TEST(ServiceUnit, DropInDirectives) {
    struct Row {
        ServiceNeeds needs;
        std::vector<std::string> lines;
    };
    const std::vector<Row> rows = {
        {{"kassir", "shop", false, false}, {"User=kassir", "Group=shop"}},
        {{"", "", true, false}, {"ProtectHome=read-only"}},
        {{"", "", false, true}, {"RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6"}},
        {{"kassir", "shop", true, true},
         {"User=kassir", "Group=shop", "ProtectHome=read-only",
          "RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6"}},
    };
    for (const auto& r : rows) {
        std::vector<std::string> lines = SplitLines(ServiceDropIn(r.needs));
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], "[Service]");
        lines.erase(lines.begin(), lines.begin() + 2);
        while (!lines.empty() && lines.back().empty())
            lines.pop_back();
        EXPECT_EQ(lines, r.lines) << r.needs.user << r.needs.inHome << r.needs.network;
    }
}

TEST(ServiceUnit, HomeAreas) {
    for (const char* path : {"/home", "/home/kassir/Касса", "/root/k", "/run/user/1000/k"})
        EXPECT_TRUE(InHomeArea(path)) << path;
    for (const char* path : {"/srv/kassa", "/homes/k", "/run/kassa", "/var/home"})
        EXPECT_FALSE(InHomeArea(path)) << path;
}

TEST(ServiceUnit, NetworkOnlyForARegisterReachedOverTcp) {
    struct Row {
        const char* name;
        std::string settings;  // orvenka.ini; empty: none
        std::vector<std::string> deviceFiles;
        bool network;
    };
    const std::vector<Row> rows = {
        {"no settings", "", {}, false},
        {"simulators", "ShtrihDriver=SIM\nAtolDriver=sim\n", {"PORT=TCP_IP"}, false},
        {"shtrih over tcp", "ShtrihDriver=AUTO\nShtrihConnection=TCP://10.0.0.5:7778\n", {}, true},
        {"shtrih, driver's own connection", "ShtrihDriver=/opt/lib.so\n", {}, true},
        {"shtrih serial", "ShtrihDriver=AUTO\nShtrihConnection=serial://ttyACM0\n", {}, false},
        {"atol usb and com", "AtolDriver=AUTO\n", {"PORT=USB", "PORT=com\nBAUDRATE=115200"}, false},
        {"atol, one over tcp",
         "AtolDriver=AUTO\n",
         {"PORT=USB", "PORT=TCP_IP\nIPADDRESS=1.2.3.4"},
         true},
        {"atol, port left to the driver", "AtolDriver=AUTO\n", {"BAUDRATE=9600"}, true},
        {"atol without device files", "AtolDriver=AUTO\n", {}, false},
        {"http door on loopback", "HttpListen=127.0.0.1:8490\n", {}, true},
        {"http door off", "HttpListen= \nShtrihDriver=SIM\n", {}, false},
    };
    for (const auto& r : rows) {
        test::TempFolder tmp;
        if (!r.settings.empty())
            SaveText(tmp.Path() + "/orvenka.ini", r.settings);
        for (size_t i = 0; i < r.deviceFiles.size(); ++i)
            SaveText(tmp.Path() + "/ATOLDEVICE" + std::to_string(i + 1) + ".ini", r.deviceFiles[i]);
        EXPECT_EQ(RegisterOverNetwork(tmp.Path()), r.network) << r.name;
    }
}

// The confinement every folder's service gets from the template.
TEST(ServiceUnit, TemplateConfinesTheService) {
    const std::string text =
        ReadFileBytes(std::string(ORVENKA_SOURCE_DIR) + "/packaging/orvenka@.service.in");
    std::vector<std::string> service;
    bool inService = false;
    for (const auto& line : SplitLines(text)) {
        if (!line.empty() && line[0] == '[')
            inService = line == "[Service]";
        else if (inService && !line.empty() && line[0] != '#')
            service.push_back(line);
    }
    const auto has = [&](const std::string& directive) {
        return std::find(service.begin(), service.end(), directive) != service.end();
    };
    for (const char* d :
         {"NoNewPrivileges=yes", "ProtectSystem=strict", "ReadWritePaths=%f", "ProtectHome=yes",
          "PrivateTmp=yes", "RestrictAddressFamilies=AF_UNIX", "SupplementaryGroups=dialout",
          "DevicePolicy=closed", "CapabilityBoundingSet=", "SystemCallFilter=@system-service"})
        EXPECT_TRUE(has(d)) << d;
    // Nothing else is made writable, and nothing opens the network for every folder.
    for (const auto& line : service) {
        if (line.rfind("ReadWritePaths=", 0) == 0) {
            EXPECT_EQ(line, "ReadWritePaths=%f");
        }
        EXPECT_EQ(line.find("AF_INET"), std::string::npos) << line;
    }
    for (const char* device : {"char-ttyS rw", "char-ttyUSB rw", "char-ttyACM rw"})
        EXPECT_TRUE(has(std::string("DeviceAllow=") + device)) << device;
}

}  // namespace
}  // namespace orvenka
