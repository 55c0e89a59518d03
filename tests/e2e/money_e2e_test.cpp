// What the accounting system gets back when a print does not happen or an amount is not what it
// seems: the real program on the emulator, a CUPS queue that refuses jobs, and line sums in the
// price column (CENA_AS_SUMMA).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "common/files.h"
#include "common/key_values.h"
#include "program_under_test.h"
#include "support/refusing_queue.h"

namespace orvenka::test {
namespace {

const Millis kWait(30000);
const std::string kStamp = R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d:)";
const std::string kKept =
    ". Документ не напечатан, его текст сохранён для повторной печати в файле ";

std::string ParamIni(const std::string& documStr, const std::string& printer,
                     const std::string& extra = "") {
    return extra + "DocumStr=" + documStr +
           "\r\nOplata=\r\nFiscal=-\r\nZN=0077\r\nSection=1\r\nINN=7701234567\r\n"
           "PRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\nPRN_NAME=" +
           printer + "\r\n";
}

void Send(ProgramUnderTest& p, const std::string& command) {
    std::filesystem::remove(p.File("cmd.finish"));
    p.Folder().Write("cmd.ini", command + "\r\n");
    ASSERT_TRUE(p.WaitForFile("cmd.finish", kWait)) << command << "; stderr:\n"
                                                    << p.Main().Stderr();
}

std::string Counter(const ProgramUnderTest& p, const std::string& key) {
    return KeyValueLines(p.Lines("E0077.ini")).Value(key).value_or("<none>");
}

// The answer's one line split at the kept file's name: the reason before it, and the file.
struct RefusedAnswer {
    std::string reason;
    std::string keptFile;
};
RefusedAnswer Refused(const ProgramUnderTest& p) {
    const auto lines = p.Lines("Result.txt");
    RefusedAnswer a;
    if (lines.size() != 1) {
        a.reason = "<" + std::to_string(lines.size()) + " lines>";
        return a;
    }
    std::smatch m;
    if (!std::regex_match(lines[0], m, std::regex(kStamp + "(.*)" + kKept + "(.*)"))) {
        a.reason = "<not a refusal> " + lines[0];
        return a;
    }
    a.reason = m[1];
    a.keptFile = m[2];
    return a;
}

class RefusingQueueE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!refusing_.Skip().empty())
            GTEST_SKIP() << refusing_.Skip();
        queue_ = refusing_.Name();
    }
    RefusingQueue refusing_;
    std::string queue_;
};

TEST_F(RefusingQueueE2E, RefusedReceiptAndZReportAreFailuresAndTheirTextIsKept) {
    ProgramUnderTest p;
    p.Folder().Write("Param.ini", ParamIni("Заказ-1", queue_));
    p.Folder().Write("Tovar.ini", "Хлеб бородинский\r\n2\r\n45.50\r\n10\r\n");
    p.StartPolling({"/EMUL"});
    const std::string refusal = "Принтер " + queue_ + " не принял задание печати: ";

    // The receipt: the emulator's prefix and CUPS's reason; it is listed (a resend is asked
    // about) but not counted, as it is not on paper, and its text waits in the file the line
    // names.
    Send(p, "PRINT");
    RefusedAnswer a = Refused(p);
    EXPECT_EQ(a.reason.rfind("EMUL:" + refusal, 0), 0u) << a.reason;
    EXPECT_GT(a.reason.size(), ("EMUL:" + refusal).size()) << "no reason given";
    ASSERT_EQ(FolderOf(a.keptFile), p.Folder().Path());
    const std::string receipt = p.Folder().Read(FileNameOf(a.keptFile));
    EXPECT_NE(receipt.find("Хлеб бородинский"), std::string::npos) << receipt;
    EXPECT_NE(receipt.find("=91.00"), std::string::npos) << receipt;
    EXPECT_EQ(Counter(p, "NUM_FISCAL_DOC"), "0");
    EXPECT_EQ(p.Lines("CheckList.txt"), std::vector<std::string>{"Заказ-1"});

    // The Z report: its own text without a prefix; the shift stays open, the report kept.
    Send(p, "ZOTCHET");
    a = Refused(p);
    EXPECT_EQ(a.reason.rfind(refusal, 0), 0u) << a.reason;
    const std::string report = p.Folder().Read(FileNameOf(a.keptFile));
    EXPECT_NE(report.find("ОТЧЕТ С ГАШЕНИЕМ"), std::string::npos) << report;
    EXPECT_EQ(Counter(p, "NUM_ZOTCHET"), "1");

    // Once the queue takes jobs again, a receipt is answered as printed, and counted.
    ASSERT_TRUE(refusing_.Accept());
    p.Folder().Write("Param.ini", ParamIni("Заказ-2", queue_));
    p.Folder().Write("Tovar.ini", "Молоко\r\n1\r\n89.90\r\n10\r\n");
    Send(p, "PRINT");
    EXPECT_EQ(p.Folder().ReadBytes("Result.txt"), "");
    EXPECT_EQ(Counter(p, "NUM_FISCAL_DOC"), "1");
}

// The price column holding the line sum: printed and totalled as the accounting system gave it.
// Without a printer, the receipt's text is what the kept file holds (and, not on paper, it is
// not counted).
TEST(CenaAsSummaE2E, LineSumIsPrintedAndTotalledAsGiven) {
    ProgramUnderTest p;
    p.Folder().Write("Param.ini", ParamIni("Заказ-7", "", "CENA_AS_SUMMA=+\r\n"));
    p.Folder().Write("Tovar.ini", "Сок яблочный\r\n2\r\n21.00\r\n10\r\n");
    p.Start({"/EMUL"}, {"CUPS_SERVER=" + p.Folder().Path() + "no-cups.sock"});
    ASSERT_TRUE(p.Main().WaitForStderr(ProgramUnderTest::kPollingLine, kWait));
    Send(p, "PRINT");
    const RefusedAnswer a = Refused(p);
    ASSERT_EQ(a.reason, "EMUL:Не установлен ни один принтер");
    const auto receipt = SplitLines(p.Folder().Read(FileNameOf(a.keptFile)));
    const auto has = [&](const std::string& line) {
        return std::find(receipt.begin(), receipt.end(), line) != receipt.end();
    };
    EXPECT_TRUE(has("1" + std::string(19, ' ') + "2.000 * 10.50 =21.00"));
    EXPECT_TRUE(has("ИТОГ" + std::string(10, ' ') + "=21.00"));
    EXPECT_EQ(Counter(p, "SUM_TOTAL_PRIHOD"), "0.00");
}

}  // namespace
}  // namespace orvenka::test
