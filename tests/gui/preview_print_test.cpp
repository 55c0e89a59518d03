// A print refused from the preview window answers the command as a refused print without the
// window: the real core (command loop, receipt job, emulator) on the Qt platform with a screen,
// the operator's clicks scripted.
#include <gtest/gtest.h>

#include <QPushButton>
#include <deque>
#include <string>

#include "backends/backends.h"
#include "common/clock.h"
#include "common/failure.h"
#include "common/key_values.h"
#include "gui/preview_window.h"
#include "gui/qt_platform.h"
#include "gui_test_util.h"
#include "shell/app_context.h"
#include "shell/command_loop.h"
#include "support/refusing_queue.h"
#include "support/temp_folder.h"

namespace orvenka::gui {
namespace {

constexpr int kToCups = -2;  // every job goes to the CUPS queue of Param.ini
constexpr int kAll = -1;     // every job is refused

// The desktop with a screen. The first `refusals` jobs (every one with kAll) are refused as a
// closed queue would refuse them, the others taken; with kToCups, CUPS decides.
class RefusingPlatform : public QtPlatform {
  public:
    explicit RefusingPlatform(int refusals) : QtPlatform(true), refusals_(refusals) {}

    void PrintDocument(const TextDocument& document) override {
        ++jobs;
        if (refusals_ == kToCups) {
            QtPlatform::PrintDocument(document);
        } else if (refusals_ != 0) {
            if (refusals_ > 0)
                --refusals_;
            throw Failure("Принтер Касса не принял задание печати: очередь закрыта");
        }
    }

    int jobs = 0;

  private:
    int refusals_;
};

// The operator in the preview: "Печать" (its failure box is answered), then the window is
// closed if it is still open; or closed at once.
test::ModalScript::Step InPreview(bool pressPrint) {
    return [pressPrint](QWidget* modal) {
        auto* preview = qobject_cast<TFormRE*>(modal);
        ASSERT_NE(preview, nullptr) << "not the preview window";
        if (pressPrint)
            preview->PrintButton()->click();
        if (preview->isVisible())
            preview->reject();
    };
}

test::ModalScript::Step CloseErrorBox() {
    return [](QWidget* modal) { modal->close(); };
}

struct Outcome {
    std::string answer;   // Result.txt, the folder's path cut out
    std::string kept;     // the text of the Unprinted_… file
    std::string counted;  // the emulated receipt counter
    int jobs = 0;
};

// One PRINT of a receipt on the emulator, printed at once or shown in the preview first.
Outcome PrintReceipt(const std::string& printer, int refusals, bool preview,
                     std::deque<test::ModalScript::Step> steps) {
    test::TempFolder folder;
    RefusingPlatform platform(refusals);
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 5, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};
    InstallBackends(ctx);
    ctx.StartupKind = DeviceKind::Emul;
    CommandLoop loop{ctx};
    folder.Write("Param.ini",
                 std::string("Oplata=\r\nFiscal=-\r\nZN=0077\r\nSection=1\r\nINN=7701234567\r\n"
                             "PRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\nPRN_NAME=") +
                     printer + "\r\n" + (preview ? "ISPREVIEW=ON\r\n" : ""));
    folder.Write("Tovar.ini", "Хлеб бородинский\r\n2\r\n45.50\r\n10\r\n");
    folder.Write("cmd.ini", "PRINT\r\n");
    loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
    {
        test::ModalScript script(std::move(steps));
        EXPECT_TRUE(loop.Tick());
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(script.Unexpected(), 0);
    }
    Outcome o;
    o.answer = folder.Read("Result.txt");
    for (auto at = o.answer.find(folder.Path()); at != std::string::npos;
         at = o.answer.find(folder.Path())) {
        o.answer.replace(at, folder.Path().size(), "<folder>/");
    }
    o.kept = folder.Read("Unprinted_20210212_103005.txt");
    o.counted =
        KeyValueLines(SplitLines(folder.Read("E0077.ini"))).Value("NUM_FISCAL_DOC").value_or("-");
    o.jobs = platform.jobs;
    return o;
}

std::string WithoutFiscalSign(const std::string& text) {
    std::string kept;
    for (const auto& line : SplitLines(text)) {
        if (line.rfind("ФПД", 0) != 0)
            kept += line + "\n";
    }
    return kept;
}

const std::string kRefused =
    "12.02.2021 10:30:05:EMUL:Принтер Касса не принял задание печати: очередь закрыта. Документ "
    "не напечатан, его текст сохранён для повторной печати в файле "
    "<folder>/Unprinted_20210212_103005.txt\r\n";

TEST(PreviewPrint, RefusedFromThePreviewIsAnsweredAsWithoutIt) {
    const struct {
        const char* name;
        int refusals;
        bool preview;
        std::deque<test::ModalScript::Step> steps;
        std::string answer;
        std::string counted;
        int jobs;
    } rows[] = {
        {"printed at once, refused", kAll, false, {}, kRefused, "0", 1},
        {"\"Печать\" in the preview refused, then the window closed",
         kAll,
         true,
         {InPreview(true), CloseErrorBox()},
         kRefused,
         "0",
         1},
        {"the preview closed without \"Печать\"", kAll, true, {InPreview(false)}, "", "1", 0},
        {"refused once, printed by the second \"Печать\"",
         1,
         true,
         {[](QWidget* modal) {
              auto* preview = qobject_cast<TFormRE*>(modal);
              ASSERT_NE(preview, nullptr);
              preview->PrintButton()->click();
              preview->PrintButton()->click();
              if (preview->isVisible())
                  preview->reject();
          },
          CloseErrorBox()},
         "",
         "1",
         2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome o = PrintReceipt("", row.refusals, row.preview, row.steps);
        EXPECT_EQ(o.answer, row.answer);
        EXPECT_EQ(o.counted, row.counted);
        EXPECT_EQ(o.jobs, row.jobs);
        EXPECT_EQ(o.kept.find("Хлеб бородинский") != std::string::npos, !row.answer.empty())
            << o.kept;
    }
}

// The same with CUPS's own refusal: the answer and the kept text are those of a print at once.
TEST(PreviewPrint, QueueRefusingFromThePreviewIsAnsweredAsWithoutIt) {
    const test::RefusingQueue queue;
    if (!queue.Skip().empty())
        GTEST_SKIP() << queue.Skip();
    const Outcome atOnce = PrintReceipt(queue.Name(), kToCups, false, {});
    const Outcome fromPreview =
        PrintReceipt(queue.Name(), kToCups, true, {InPreview(true), CloseErrorBox()});
    EXPECT_EQ(
        atOnce.answer.rfind(
            "12.02.2021 10:30:05:EMUL:Принтер " + queue.Name() + " не принял задание печати: ", 0),
        0u)
        << atOnce.answer;
    EXPECT_EQ(fromPreview.answer, atOnce.answer);
    // The same text but for the fiscal sign, which the emulator draws anew for each receipt.
    EXPECT_EQ(WithoutFiscalSign(fromPreview.kept), WithoutFiscalSign(atOnce.kept));
    EXPECT_NE(atOnce.kept.find("Хлеб бородинский"), std::string::npos);
    EXPECT_EQ(fromPreview.counted, "0");
    EXPECT_EQ(atOnce.counted, "0");
}

}  // namespace
}  // namespace orvenka::gui
