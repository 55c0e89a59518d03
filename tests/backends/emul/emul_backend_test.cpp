#include "backends/emul/emul_backend.h"

#include <gtest/gtest.h>

#include "backends/backends.h"
#include "common/failure.h"
#include "emul_fixture.h"

namespace orvenka::test {
namespace {

using EmulBackendTest = EmulFixture;

TEST_F(EmulBackendTest, InstalledForTheEmulatorKind) {
    InstallBackends(ctx);
    DeviceBackend* b = ctx.Backend('E');
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Kind(), 'E');
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

}  // namespace
}  // namespace orvenka::test
