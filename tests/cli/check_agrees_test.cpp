// The dry run and the receipt command on the same folders: whatever PRINT on the emulator
// refuses, "orvenka-cmd check" refuses too, and what it prints the check lets through.
#include <gtest/gtest.h>

#include <algorithm>

#include "backends/emul/emul_backend.h"
#include "cli/receipt_check.h"
#include "common/clock.h"
#include "common/dates.h"
#include "shell/app_context.h"
#include "shell/receipt_job.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

const char* const kTovar = "Хлеб\r\n2\r\n45,50\r\n10\r\n";

std::string Param(const std::string& widths, const std::string& printer = "Receipts") {
    return "Oplata=\r\nFiscal=-\r\nSection=1\r\nZN=0012345\r\nINN=7701234567\r\nPRN_NAME=" +
           printer + "\r\nPRN_FONT=Courier New\r\nPRN_SIZEFONT=9\r\nPRN_SIZEFONT_ITOG=14\r\n" +
           widths;
}

struct Row {
    const char* name;
    std::string param;
    std::string tovar;
    bool printed;
};

const std::vector<Row> kRows = {
    {"working emulator settings", Param("PRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\n"), kTovar, true},
    {"no paper width", Param("PRN_WIDHT_ITOG=20\r\n"), kTovar, false},
    {"no width of the total", Param("PRN_WIDHT=40\r\n"), kTovar, false},
    {"width past the limit", Param("PRN_WIDHT=1000\r\nPRN_WIDHT_ITOG=20\r\n"), kTovar, false},
    {"negative width", Param("PRN_WIDHT=-5\r\nPRN_WIDHT_ITOG=20\r\n"), kTovar, false},
    {"no goods", Param("PRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\n"), "", false},
    {"no printer of that name", Param("PRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\n", "Nowhere"), kTovar,
     false},
};

TEST(CheckAgreesWithPrint, SameVerdictOnEveryFolder) {
    for (const Row& row : kRows) {
        test::TempFolder folder;
        folder.Write("Param.ini", row.param);
        folder.Write("Tovar.ini", row.tovar);
        test::ScriptedPlatform platform;
        const ReceiptCheck check =
            CheckReceiptFiles(folder.Path(), platform.printers, true, DeviceKind::Emul);

        FixedClock clock(EncodeDateTime(DateParts{2024, 3, 15, 10, 20, 30, 0}));
        AppContext ctx(folder.Path(), "orvenka", platform, clock);
        ctx.SetBackend(std::make_unique<EmulBackend>(ctx));
        ctx.StartupKind = DeviceKind::Emul;
        ctx.device.Kind = DeviceKind::Emul;
        const bool done = RunReceiptJob(ctx, "PRINT");
        const bool printed = done && ctx.log.Errors().empty();

        EXPECT_EQ(printed, row.printed)
            << row.name << ": " << ::testing::PrintToString(ctx.log.Errors());
        EXPECT_EQ(!check.refused, printed)
            << row.name << ": " << ::testing::PrintToString(check.errors);
        // And for the same reasons: every line the command answered, the check prints too.
        const std::string stamp = FormatDateTime(clock.Now()) + ":";
        for (const std::string& line : ctx.log.Errors()) {
            const std::string text = line.rfind(stamp, 0) == 0 ? line.substr(stamp.size()) : line;
            EXPECT_NE(std::find(check.errors.begin(), check.errors.end(), text), check.errors.end())
                << row.name << ": " << text << " / " << ::testing::PrintToString(check.errors);
        }
    }
}

TEST(CheckAgreesWithPrint, TheKindComesFromTheFolderFile) {
    test::TempFolder folder;
    EXPECT_EQ(FolderDeviceKind(folder.Path()), std::nullopt);
    for (const auto& [text, kind] : {std::pair{"Kind=EMUL\r\n", DeviceKind::Emul},
                                     std::pair{"Kind=atol\r\n", DeviceKind::Atol},
                                     std::pair{"Kind=SHTRIH\r\n", DeviceKind::Shtrih}}) {
        folder.Write("orvenka-folder.ini", text);
        EXPECT_EQ(FolderDeviceKind(folder.Path()), kind) << text;
    }
    folder.Write("orvenka-folder.ini", "Kind=PRN\r\n");
    EXPECT_EQ(FolderDeviceKind(folder.Path()), std::nullopt);

    // A folder of a register does not need the emulator's widths; one of unknown kind says so.
    folder.Write("Param.ini", Param(""));
    folder.Write("Tovar.ini", kTovar);
    const std::vector<std::string> printers = {"Receipts"};
    EXPECT_FALSE(CheckReceiptFiles(folder.Path(), printers, true, DeviceKind::Atol).refused);
    EXPECT_TRUE(CheckReceiptFiles(folder.Path(), printers, true, DeviceKind::Emul).refused);
    const ReceiptCheck unknown = CheckReceiptFiles(folder.Path(), printers, true);
    EXPECT_FALSE(unknown.refused);
    ASSERT_EQ(unknown.notes.size(), 1u);
    EXPECT_NE(unknown.notes[0].find("настройки эмулятора не проверены"), std::string::npos);
}

}  // namespace
}  // namespace orvenka
