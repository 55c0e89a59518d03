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
    char startupKind;
    char kindBefore;
    int deviceBefore;
    // expected
    std::string word;
    std::string original;
    char kind;
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
        ParseRow{"print", 'S', 'A', 7, "PRINT", "print", 'S', 1, "", true},
        ParseRow{"PRINT ", 'S', 0, 1, "PRINT ", "PRINT ", 'S', 1, "", true},
        ParseRow{"ZOTCHET", 'S', 'A', 2, "ZOTCHET", "ZOTCHET", 'S', 1, "", true},
        ParseRow{"CASHINCOME=1500.50", 'A', 0, 1, "CASHINCOME=1500.50", "CASHINCOME=1500.50", 'A',
                 1, "", true},
        ParseRow{"PrintQRCode=https://Example.org/AbC", 'A', 0, 1,
                 "PRINTQRCODE=HTTPS://EXAMPLE.ORG/ABC", "PrintQRCode=https://Example.org/AbC", 'A',
                 1, "", true},
        ParseRow{"printtxtfile=/tmp/Чеки/Copy 1.txt", 'E', 0, 1,
                 "PRINTTXTFILE=/TMP/Чеки/COPY 1.TXT", "printtxtfile=/tmp/Чеки/Copy 1.txt", 'E', 1,
                 "", true},
        // Long form.
        ParseRow{"ATOL,2,ZOTCHET", 'S', 'S', 1, "ZOTCHET", "ZOTCHET", 'A', 2, "", false},
        ParseRow{"KASSA,2,ZOTCHET", 'S', 'A', 1, "ZOTCHET", "ZOTCHET", 'A', 2, "", false},
        ParseRow{"KASSA,2,ZOTCHET", 'S', 0, 1, "ZOTCHET", "ZOTCHET", 0, 2, "", false},
        ParseRow{"ATOL,0,ZOTCHET", 'S', 0, 1, "ZOTCHET", "ZOTCHET", 'A', 0, "", false},
        ParseRow{"shtrih,x,xotchet", 'A', 'A', 5, "XOTCHET", "xotchet", 'S', 1, "", false},
        ParseRow{" Atol , 3 , zotchet ", 'S', 0, 1, "ZOTCHET", "zotchet", 'A', 3, "", false},
        ParseRow{"ATOL,1,PRINT,ORDER 15", 'S', 0, 1, "PRINT", "PRINT", 'A', 1, "ORDER 15 ", false},
        ParseRow{"ATOL,1,PRINT,a,,b", 'S', 0, 1, "PRINT", "PRINT", 'A', 1, "A  B ", false},
        ParseRow{"ATOL,1,\"PRINTTXTFILE=/tmp/a b.txt\"", 'S', 0, 1, "PRINTTXTFILE=/TMP/A B.TXT",
                 "PRINTTXTFILE=/tmp/a b.txt", 'A', 1, "", false},
        ParseRow{"PRN,Receipts,XOTCHET", 'S', 'A', 7, "XOTCHET", "XOTCHET", 'E', 7, "", false},
        // Two items: the command word stays the whole line.
        ParseRow{"CASHINCOME=1500,50", 'A', 'S', 1, "CASHINCOME=1500,50", "CASHINCOME=1500,50", 'S',
                 50, "", false},
        ParseRow{"ATOL,2", 'S', 0, 1, "ATOL,2", "ATOL,2", 'A', 2, "", false},
        // A line without a comma but with quotes of its own splits like any other.
        ParseRow{"\"ZOTCHET\" now", 'S', 'A', 4, "NOW\"", "now\"", 'A', 1, "", false}));

TEST(ParseCommandLine, PrinterNameKeepsItsSpellingAndShortFormOnEmulatorClearsIt) {
    TDeviceParam device;
    ParseCommandLine("prn,\"Office Printer\",xotchet", device, 'S');
    EXPECT_EQ(device.Kind, 'E');
    EXPECT_EQ(device.PrinterName, "Office Printer");

    ParseCommandLine("ZOTCHET", device, 'S');
    EXPECT_EQ(device.PrinterName, "Office Printer");  // not the emulator: kept
    ParseCommandLine("ZOTCHET", device, 'E');
    EXPECT_EQ(device.PrinterName, "");
}

TEST(ParseCommandLine, ArbitraryBytesNeverBreakIt) {
    TDeviceParam device;
    std::string line;
    for (int c = 1; c < 256; ++c)
        line += static_cast<char>(c);
    line += ",,\"\"\",\xff\xfe";
    const CommandText cmd = ParseCommandLine(line, device, 'E');
    EXPECT_EQ(cmd.word, UpperLatin(cmd.original));
    EXPECT_FALSE(device.SimpleForm);
}

}  // namespace
}  // namespace orvenka
