#include "backends/emul/emul_backend.h"

#include <gtest/gtest.h>

#include "backends/backends.h"
#include "common/failure.h"
#include "common/text.h"
#include "emul_fixture.h"
#include "shell/receipt_job.h"

namespace orvenka::test {
namespace {

using EmulBackendTest = EmulFixture;

TEST_F(EmulBackendTest, InstalledForTheEmulatorKind) {
    InstallBackends(ctx);
    DeviceBackend* b = ctx.Backend(DeviceKind::Emul);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Kind(), DeviceKind::Emul);
    EXPECT_NE(dynamic_cast<EmulBackend*>(b), nullptr);
}

TEST_F(EmulBackendTest, TextFileLinesOnlyFillTheDocument) {
    ctx.param.PRN_WIDHT = 4;
    emul.PrintLine("Строка текста");
    emul.FeedAndCut();
    const auto t = Texts();
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[0], "Стро");
    for (size_t i = 1; i < 7; ++i)
        EXPECT_EQ(t[i], "\u00A0   ");
    for (const auto& l : emul.Document().lines)
        EXPECT_FALSE(l.bold);
    EXPECT_TRUE(platform.printed.empty());
    EXPECT_TRUE(platform.previews.empty());

    // The next receipt starts a new document.
    ctx.param.PRN_WIDHT = 32;
    ASSERT_TRUE(Receipt("PRINT", {Sale("A", 1, 1)}));
    EXPECT_EQ(Find("Стро"), -1);
}

TEST_F(EmulBackendTest, ServiceCommandsDoNothingAndCorrectionIsRefused) {
    emul.PrintLine("x");
    const auto before = Texts();
    emul.CashIn(100);
    emul.CashOut(50);
    emul.OpenShift();
    emul.PrintCopyLastCheck();
    emul.DepartmentReport();
    emul.OpenDrawer();
    emul.ZReportEmul();
    emul.XReportEmul();
    emul.ShowProperties();
    emul.LoadPicture("LOADPICTURE=a.bmp");
    emul.PrintQRCode("PRINTQRCODE=t=1");
    emul.ReleaseDriver();
    EXPECT_EQ(Texts(), before);
    EXPECT_TRUE(platform.printed.empty());
    EXPECT_FALSE(folder.Exists("E0012345.ini"));
    EXPECT_EQ(ctx.emul.SMENA, 0);
    EXPECT_TRUE(ctx.log.Errors().empty());
    EXPECT_THROW(emul.PrintCorrection("CORRECT_PRIH"), Failure);
}

// The whole path of a receipt command on the emulator: the job turns the simple RETURNS into
// RETURN, so it prints the return title and counts as a return like RETURN itself.
TEST_F(EmulBackendTest, ReceiptCommandsThroughTheJobTitleAndCount) {
    struct Row {
        std::string command, title;
        bool isReturn;
    };
    const Row rows[] = {{"PRINTS", "ПРИХОД", false},
                        {"RETURNS", "ВОЗВРАТ", true},
                        {"RETURN", "ВОЗВРАТ", true},
                        {"RETURN_BUY", "", false}};
    InstallBackends(ctx);
    ctx.device.Kind = DeviceKind::Emul;
    const auto* backend = dynamic_cast<const EmulBackend*>(ctx.Backend(DeviceKind::Emul));
    ASSERT_NE(backend, nullptr);
    int n = 0;
    for (const auto& r : rows) {
        folder.Write("Param.ini",
                     "Oplata=\r\nFiscal=-\r\nZN=77\r\nPRN_WIDHT=32\r\n"
                     "PRN_WIDHT_ITOG=20\r\nDocumStr=D" +
                         std::to_string(n) + "\r\n");
        folder.Write("Tovar.ini", "Чай\r\n2\r\n25\r\n-1\r\n");
        ASSERT_TRUE(RunReceiptJob(ctx, r.command)) << r.command;
        ++n;
        const auto& lines = backend->Document().lines;
        ASSERT_FALSE(lines.empty());
        const bool titled =
            TrimText(lines[0].text) == "ПРИХОД" || TrimText(lines[0].text) == "ВОЗВРАТ";
        EXPECT_EQ(titled ? TrimText(lines[0].text) : "", r.title) << r.command;
        const TEmulVar& c = ctx.emul;
        EXPECT_EQ(c.NUM_FISCAL_DOC, n) << r.command;
        EXPECT_EQ(c.NUM_CHECKRASHODINSMENA + c.NUM_CHECKPRIHODINSMENA, n);
    }
    EXPECT_EQ(ctx.emul.NUM_CHECKRASHODINSMENA, 2);
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_TOTAL_RASHOD, 100);
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_CHECKRASHODINSMENA_NAL, 100);
    EXPECT_DOUBLE_EQ(ctx.emul.SUM_TOTAL_PRIHOD, 100);
    const std::string file = folder.Read("E77.ini");
    EXPECT_NE(file.find("NUM_CHECKRASHODINSMENA=2\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("SUM_TOTAL_RASHOD=100.00\r\n"), std::string::npos) << file;
    EXPECT_TRUE(ctx.log.Errors().empty());
}

}  // namespace
}  // namespace orvenka::test
