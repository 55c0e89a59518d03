#include "shell/command_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"

namespace orvenka {
namespace {

using Items = std::vector<std::string>;

struct SplitRow {
    std::string line;
    Items items;
};

class SplitCommaTextTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitCommaTextTest, SplitsByTheCommaTextRule) {
    EXPECT_EQ(SplitCommaText(GetParam().line), GetParam().items) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitCommaTextTest,
    ::testing::Values(
        SplitRow{"", {}}, SplitRow{"a,b", {"a", "b"}}, SplitRow{"a,,b", {"a", "", "b"}},
        SplitRow{"a,", {"a", ""}}, SplitRow{"a ,", {"a", ""}}, SplitRow{",", {"", ""}},
        SplitRow{",a", {"", "a"}}, SplitRow{"  a , b  ", {"a", "b"}},
        SplitRow{"\t\x01"
                 "a,\x1f"
                 "b",
                 {"a", "b"}},
        SplitRow{"a b,c", {"a", "b", "c"}}, SplitRow{"\"a,b\",c", {"a,b", "c"}},
        SplitRow{"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}}, SplitRow{"a,\"\",b", {"a", "", "b"}},
        SplitRow{"\"ab\"cd,e", {"ab", "cd", "e"}},
        SplitRow{"\"unclosed, to the end", {"unclosed, to the end"}},
        SplitRow{std::string("a\0b,c", 5), {"a"}}, SplitRow{"чек,№ 5", {"чек", "№", "5"}}));

struct ParseRow {
    std::string line;
    DeviceKind startupKind;
    DeviceKind kindBefore;
    int deviceBefore;
    // expected
    std::string word;
    std::string original;
    DeviceKind kind;
    int logicalDevice;
    std::string arguments;
    bool simple;
};

class ParseCommandLineTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseCommandLineTest, FillsTheDeviceParam) {
    const ParseRow& r = GetParam();
    TDeviceParam device;
    device.Kind = r.kindBefore;
    device.LogicalDevice = r.deviceBefore;
    device.Arguments = "stale ";
    const CommandText cmd = ParseCommandLine(r.line, device, r.startupKind);
    EXPECT_EQ(cmd.word, r.word);
    EXPECT_EQ(cmd.original, r.original);
    EXPECT_EQ(device.Command, r.word);
    EXPECT_EQ(device.Kind, r.kind);
    EXPECT_EQ(device.LogicalDevice, r.logicalDevice);
    EXPECT_EQ(device.Arguments, r.arguments);
    EXPECT_EQ(device.SimpleForm, r.simple);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseCommandLineTest,
    ::testing::Values(
        // Short form: the whole line on the start-up kind.
        ParseRow{"print", DeviceKind::Shtrih, DeviceKind::Atol, 7, "PRINT", "print",
                 DeviceKind::Shtrih, 1, "", true},
        ParseRow{"PRINT ", DeviceKind::Shtrih, DeviceKind::None, 1, "PRINT ", "PRINT ",
                 DeviceKind::Shtrih, 1, "", true},
        ParseRow{"ZOTCHET", DeviceKind::Shtrih, DeviceKind::Atol, 2, "ZOTCHET", "ZOTCHET",
                 DeviceKind::Shtrih, 1, "", true},
        ParseRow{"CASHINCOME=1500.50", DeviceKind::Atol, DeviceKind::None, 1, "CASHINCOME=1500.50",
                 "CASHINCOME=1500.50", DeviceKind::Atol, 1, "", true},
        ParseRow{"PrintQRCode=https://Example.org/AbC", DeviceKind::Atol, DeviceKind::None, 1,
                 "PRINTQRCODE=HTTPS://EXAMPLE.ORG/ABC", "PrintQRCode=https://Example.org/AbC",
                 DeviceKind::Atol, 1, "", true},
        ParseRow{"printtxtfile=/tmp/Чеки/Copy 1.txt", DeviceKind::Emul, DeviceKind::None, 1,
                 "PRINTTXTFILE=/TMP/Чеки/COPY 1.TXT", "printtxtfile=/tmp/Чеки/Copy 1.txt",
                 DeviceKind::Emul, 1, "", true},
        // Long form.
        ParseRow{"ATOL,2,ZOTCHET", DeviceKind::Shtrih, DeviceKind::Shtrih, 1, "ZOTCHET", "ZOTCHET",
                 DeviceKind::Atol, 2, "", false},
        ParseRow{"KASSA,2,ZOTCHET", DeviceKind::Shtrih, DeviceKind::Atol, 1, "ZOTCHET", "ZOTCHET",
                 DeviceKind::Atol, 2, "", false},
        ParseRow{"KASSA,2,ZOTCHET", DeviceKind::Shtrih, DeviceKind::None, 1, "ZOTCHET", "ZOTCHET",
                 DeviceKind::None, 2, "", false},
        ParseRow{"ATOL,0,ZOTCHET", DeviceKind::Shtrih, DeviceKind::None, 1, "ZOTCHET", "ZOTCHET",
                 DeviceKind::Atol, 0, "", false},
        ParseRow{"shtrih,x,xotchet", DeviceKind::Atol, DeviceKind::Atol, 5, "XOTCHET", "xotchet",
                 DeviceKind::Shtrih, 1, "", false},
        ParseRow{" Atol , 3 , zotchet ", DeviceKind::Shtrih, DeviceKind::None, 1, "ZOTCHET",
                 "zotchet", DeviceKind::Atol, 3, "", false},
        ParseRow{"ATOL,1,PRINT,ORDER 15", DeviceKind::Shtrih, DeviceKind::None, 1, "PRINT", "PRINT",
                 DeviceKind::Atol, 1, "ORDER 15 ", false},
        ParseRow{"ATOL,1,PRINT,a,,b", DeviceKind::Shtrih, DeviceKind::None, 1, "PRINT", "PRINT",
                 DeviceKind::Atol, 1, "A  B ", false},
        ParseRow{"ATOL,1,\"PRINTTXTFILE=/tmp/a b.txt\"", DeviceKind::Shtrih, DeviceKind::None, 1,
                 "PRINTTXTFILE=/TMP/A B.TXT", "PRINTTXTFILE=/tmp/a b.txt", DeviceKind::Atol, 1, "",
                 false},
        ParseRow{"PRN,Receipts,XOTCHET", DeviceKind::Shtrih, DeviceKind::Atol, 7, "XOTCHET",
                 "XOTCHET", DeviceKind::Emul, 7, "", false},
        // Two items: the command word stays the whole line.
        ParseRow{"CASHINCOME=1500,50", DeviceKind::Atol, DeviceKind::Shtrih, 1,
                 "CASHINCOME=1500,50", "CASHINCOME=1500,50", DeviceKind::Shtrih, 50, "", false},
        ParseRow{"ATOL,2", DeviceKind::Shtrih, DeviceKind::None, 1, "ATOL,2", "ATOL,2",
                 DeviceKind::Atol, 2, "", false},
        // A line without a comma but with quotes of its own splits like any other.
        ParseRow{"\"ZOTCHET\" now", DeviceKind::Shtrih, DeviceKind::Atol, 4, "NOW\"", "now\"",
                 DeviceKind::Atol, 1, "", false}));

TEST(ParseCommandLine, PrinterNameKeepsItsSpellingAndShortFormOnEmulatorClearsIt) {
    TDeviceParam device;
    ParseCommandLine("prn,\"Office Printer\",xotchet", device, DeviceKind::Shtrih);
    EXPECT_EQ(device.Kind, DeviceKind::Emul);
    EXPECT_EQ(device.PrinterName, "Office Printer");

    ParseCommandLine("ZOTCHET", device, DeviceKind::Shtrih);
    EXPECT_EQ(device.PrinterName, "Office Printer");  // not the emulator: kept
    ParseCommandLine("ZOTCHET", device, DeviceKind::Emul);
    EXPECT_EQ(device.PrinterName, "");
}

TEST(ParseCommandLine, ArbitraryBytesNeverBreakIt) {
    TDeviceParam device;
    std::string line;
    for (int c = 1; c < 256; ++c)
        line += static_cast<char>(c);
    line += ",,\"\"\",\xff\xfe";
    const CommandText cmd = ParseCommandLine(line, device, DeviceKind::Emul);
    EXPECT_EQ(cmd.word, UpperLatin(cmd.original));
    EXPECT_FALSE(device.SimpleForm);
}

}  // namespace
}  // namespace orvenka
