#include "shell/receipt_job.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "backends/unsupported/unsupported_backend.h"
#include "common/files.h"
#include "shell/command_loop.h"
#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using Calls = std::vector<std::string>;
using Answer = Platform::Answer;

class ReceiptJobTest : public test::ShellTest {
  protected:
    void Files(const std::string& documStr = "DOC-1") {
        folder.Write("Param.ini", "Oplata=\r\nDocumStr=" + documStr + "\r\n");
        folder.Write("Dop.ini", "Заказ\r\n  15  \r\n+\r\nСтол\r\n4\r\n\r\n");
        folder.Write("Tovar.ini",
                     "Хлеб\r\n3\r\n0.1\r\n20\r\n##5##0460##sn1##Сигареты##\r\n1\r\n150\r\n10\r\n");
    }
    bool Run(DeviceKind kind, const std::string& word) {
        ctx.device.Kind = kind;
        return RunReceiptJob(ctx, word);
    }
    std::string Question(const std::string& id) {
        return "Чек " + id + " уже был напечатан. Повторить?";
    }
};

TEST_F(ReceiptJobTest, SaleHandsEverythingToTheBackendInFourSteps) {
    Files();
    EXPECT_TRUE(Run(DeviceKind::Emul, "PRINT"));
    EXPECT_EQ(Operations(),
              (Calls{"E:BeginReceipt()", "E:AddExtraLine(Заказ|15|+)", "E:AddExtraLine(Стол|4|-)",
                     "E:AddGoodsLine(Хлеб)", "E:AddGoodsLine(Сигареты)", "E:PrintReceipt(PRINT)"}));
    const auto& sales = Fake(DeviceKind::Emul).sales;
    ASSERT_EQ(sales.size(), 2u);
    EXPECT_EQ(sales[0].Comment, "");
    EXPECT_EQ(sales[0].NDS, 18);
    EXPECT_DOUBLE_EQ(sales[0].Kolvo, 3);
    EXPECT_DOUBLE_EQ(sales[0].Cena, 0.1);
    EXPECT_EQ(sales[0].Summa, 3 * 0.1);  // not rounded to kopecks
    EXPECT_NE(sales[0].Summa, 0.3);
    EXPECT_EQ(sales[1].NDS, 10);
    EXPECT_EQ(folder.Read("CheckList.txt"), "DOC-1\r\n");
    EXPECT_FALSE(folder.Exists("Tovar.ini"));
    EXPECT_TRUE(folder.Exists("Dop.ini"));
    EXPECT_DOUBLE_EQ(ctx.param.SummaTovar, 0.3 + 150);
}

// An accounting system that writes UTF-8 (with a byte-order mark or without): names arrive
// right, and the message log says which files were read so, once each.
TEST_F(ReceiptJobTest, FilesWrittenInUtf8AreReadAsUtf8) {
    for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
        journal.clear();
        ctx.log.ClearErrors();
        folder.WriteBytes("Param.ini", mark + "Oplata=\r\nDocumStr=Чек-" +
                                           std::to_string(mark.size()) +
                                           "\r\nAuthorName=Кассир\r\n");
        folder.WriteBytes("Dop.ini", mark + "Заказ\r\n15\r\n+\r\n");
        folder.WriteBytes("Tovar.ini", mark + "Хлеб ржаной\r\n1\r\n30\r\n10\r\n");
        const size_t before = ctx.log.Messages().size();
        EXPECT_TRUE(Run(DeviceKind::Emul, "PRINT")) << ::testing::PrintToString(ErrorTexts());
        EXPECT_EQ(Operations(), (Calls{"E:BeginReceipt()", "E:AddExtraLine(Заказ|15|+)",
                                       "E:AddGoodsLine(Хлеб ржаной)", "E:PrintReceipt(PRINT)"}));
        EXPECT_EQ(ctx.param.AuthorName, "Кассир");
        std::vector<std::string> said;
        for (size_t i = before; i < ctx.log.Messages().size(); ++i) {
            if (ctx.log.Messages()[i].find("в кодировке UTF-8") != std::string::npos)
                said.push_back(ctx.log.Messages()[i]);
        }
        ASSERT_EQ(said.size(), 3u) << ::testing::PrintToString(said);
        for (const char* name : {"Param.ini", "Dop.ini", "Tovar.ini"}) {
            EXPECT_EQ(std::count_if(said.begin(), said.end(),
                                    [&](const std::string& m) {
                                        return m.find("/" + std::string(name) + " ") !=
                                               std::string::npos;
                                    }),
                      1)
                << name;
        }
    }
    // Windows-1251 files say nothing of the kind.
    journal.clear();
    Files("DOC-2");
    const size_t before = ctx.log.Messages().size();
    EXPECT_TRUE(Run(DeviceKind::Emul, "PRINT"));
    for (size_t i = before; i < ctx.log.Messages().size(); ++i)
        EXPECT_EQ(ctx.log.Messages()[i].find("UTF-8"), std::string::npos) << ctx.log.Messages()[i];
}

TEST_F(ReceiptJobTest, RegistersGetTheGoodsRecordWithItsCompositeFields) {
    Files();
    EXPECT_TRUE(Run(DeviceKind::Atol, "RETURN"));
    const auto& goods = Fake(DeviceKind::Atol).goods;
    ASSERT_EQ(goods.size(), 2u);
    EXPECT_EQ(goods[1].CompositeMark, "##");
    EXPECT_EQ(goods[1].GTIN, "0460");
    EXPECT_EQ(goods[1].NomenclatureType, 5);
    EXPECT_EQ(Operations().back(), "A:PrintReceipt(RETURN)");
}

TEST_F(ReceiptJobTest, SimpleReceiptsSkipExtraLinesAndTheRepeatQuestion) {
    for (const auto& [word, printed] :
         {std::pair{"PRINTS", "PRINT"}, std::pair{"RETURNS", "RETURN"}}) {
        journal.clear();
        Files();
        folder.Write("CheckList.txt", "DOC-1\r\n");
        EXPECT_TRUE(Run(DeviceKind::Shtrih, word));
        EXPECT_EQ(Operations(),
                  (Calls{"S:BeginReceipt()", "S:AddGoodsLine(Хлеб)", "S:AddGoodsLine(Сигареты)",
                         "S:PrintReceipt(" + std::string(printed) + ")"}));
    }
    EXPECT_TRUE(platform.questions.empty());
    EXPECT_EQ(folder.Read("CheckList.txt"), "DOC-1\r\n");

    // Not asked about, but recorded all the same.
    Files("DOC-0");
    EXPECT_TRUE(Run(DeviceKind::Shtrih, "PRINTS"));
    EXPECT_EQ(folder.Read("CheckList.txt"), "DOC-0\r\nDOC-1\r\n");
}

TEST_F(ReceiptJobTest, RepeatQuestionDecidesAndIgnoresLetterCase) {
    struct Case {
        std::deque<Answer> answers;
        bool screen;
        bool printed;
    };
    for (const Case& c : {Case{{Answer::No}, true, false}, Case{{Answer::Yes}, true, true},
                          Case{{}, false, false}}) {
        journal.clear();
        platform.questions.clear();
        ctx.log.ClearErrors();
        platform.answers = c.answers;
        platform.screen = c.screen;
        Files("doc-1");
        folder.Write("CheckList.txt", "A-0\r\nDOC-1\r\n");
        EXPECT_EQ(Run(DeviceKind::Emul, "PRINT"), c.printed);
        EXPECT_EQ(!Operations().empty(), c.printed);
        EXPECT_FALSE(folder.Exists("Tovar.ini"));
        if (c.screen) {
            EXPECT_EQ(platform.questions, Calls{Question("doc-1")});
            EXPECT_TRUE(ctx.log.Errors().empty());
        } else {
            ASSERT_EQ(ErrorTexts().size(), 1u);
            EXPECT_NE(ErrorTexts()[0].find("doc-1"), std::string::npos);
        }
        EXPECT_EQ(folder.Read("CheckList.txt"), "A-0\r\nDOC-1\r\n");
    }
}

// A receipt listed by a run that died before the register answered: the register tells whether
// it made the receipt. Not made: the resend prints without asking. Made: refused as printed.
// Another register's entry, or an entry of old (no pending mark): asked about as ever.
TEST_F(ReceiptJobTest, ReceiptCutShortByACrashPrintsAgainOnlyWhenTheRegisterDidNotMakeIt) {
    struct Case {
        const char* name;
        std::string pending;  // CheckList.pending.txt as the dead run left it
        int64_t registerNow;  // the register's last document at the resend
        bool printed;
        bool asked;
        bool pendingKept;
    };
    const Case cases[] = {
        {"not made", "S\t1\t7\tdoc-9\r\n", 7, true, false, false},
        {"made", "S\t1\t7\tDOC-9\r\n", 8, false, true, false},
        {"another register", "A\t1\t7\tDOC-9\r\n", 7, false, true, true},
        {"another logical device", "S\t2\t7\tDOC-9\r\n", 7, false, true, true},
        {"listed by an older run", "", 7, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        journal.clear();
        platform.questions.clear();
        platform.answers = {Answer::No};
        platform.screen = true;
        DeleteFileIfExists(folder.File("CheckList.pending.txt"));
        if (!c.pending.empty())
            folder.Write("CheckList.pending.txt", c.pending);
        folder.Write("CheckList.txt", "A-0\r\nDOC-9\r\n");
        Files("DOC-9");
        ctx.device.LogicalDevice = 1;
        Fake(DeviceKind::Shtrih).lastDocument = c.registerNow;
        EXPECT_EQ(Run(DeviceKind::Shtrih, "PRINT"), c.printed);
        EXPECT_EQ(!Operations().empty(), c.printed);
        EXPECT_EQ(platform.questions.empty(), !c.asked);
        EXPECT_EQ(folder.Read("CheckList.txt"), "A-0\r\nDOC-9\r\n");
        EXPECT_EQ(folder.Exists("CheckList.pending.txt"), c.pendingKept);
    }
}

// The pending mark lives from before the register sees the receipt until it has answered.
TEST_F(ReceiptJobTest, PendingMarkStandsWhileTheRegisterPrints) {
    Files("DOC-5");
    Fake(DeviceKind::Atol).lastDocument = 41;
    ctx.device.LogicalDevice = 3;
    std::string during;
    Fake(DeviceKind::Atol).onCall = [&](const std::string& op) {
        if (op == "PrintReceipt")
            during = folder.Read("CheckList.pending.txt");
    };
    EXPECT_TRUE(Run(DeviceKind::Atol, "PRINT"));
    EXPECT_EQ(during, "A\t3\t41\tDOC-5\r\n");
    EXPECT_FALSE(folder.Exists("CheckList.pending.txt"));
    EXPECT_EQ(folder.Read("CheckList.txt"), "DOC-5\r\n");

    // A non-fiscal receipt is the emulated counters' business: no mark.
    folder.Write("Param.ini", "Oplata=\r\nDocumStr=DOC-6\r\nFiscal=-\r\n");
    folder.Write("Tovar.ini", "Хлеб\r\n1\r\n1\r\n20\r\n");
    during = "<no call>";
    EXPECT_TRUE(Run(DeviceKind::Atol, "PRINT"));
    EXPECT_EQ(during, "");
}

TEST_F(ReceiptJobTest, RefusedRepeatLeavesAnEmptyAnswer) {
    Files();
    folder.Write("CheckList.txt", "DOC-1\r\n");
    CommandLoop loop(ctx);
    WriteCommand(loop, "PRINT\r\n");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(folder.ReadBytes("Result.txt"), "");
    EXPECT_TRUE(Operations().empty());
    EXPECT_TRUE(folder.Exists("Tovar.oldini"));
}

TEST_F(ReceiptJobTest, EmptyGoodsListRefusesTheReceipt) {
    Files();
    folder.Write("Tovar.ini", "\r\nХлеб\r\n1\r\n1\r\n0\r\n");
    EXPECT_FALSE(Run(DeviceKind::Atol, "PRINT"));
    EXPECT_EQ(ErrorTexts(), Calls{"Список Товаров/Услуг пуст. Печать чека отменена!"});
    EXPECT_TRUE(Operations().empty());
    EXPECT_FALSE(folder.Exists("CheckList.txt"));

    // A broken file: its reason first, then the refusal.
    ctx.log.ClearErrors();
    folder.Write("Tovar.ini", "##5##G1##S1\r\n1\r\n1\r\n0\r\n");
    EXPECT_FALSE(Run(DeviceKind::Atol, "PRINT"));
    ASSERT_EQ(ErrorTexts().size(), 2u);
    EXPECT_EQ(ErrorTexts()[0].rfind("ReadTovar.ini: ", 0), 0u);
    EXPECT_EQ(ErrorTexts()[1], "Список Товаров/Услуг пуст. Печать чека отменена!");
}

TEST_F(ReceiptJobTest, NumbersThatAreNotMoneyAreRefusedBeforeAnythingHappens) {
    const std::string huge = "1" + std::string(200, '0');
    struct Case {
        const char* what;
        std::string tovar;
        std::string param;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {"quantity and price of 1 and 200 zeros", "Хлеб\r\n" + huge + "\r\n" + huge + "\r\n0\r\n",
         "", "количество товара №1 «Хлеб» = 1E200"},
        {"a goods total beyond ten digits",
         "Хлеб\r\n1\r\n9000000000\r\n0\r\nСыр\r\n1\r\n9000000000\r\n0\r\n", "",
         "сумма товаров чека = 18000000000.00"},
        {"a split payment part", "Хлеб\r\n1\r\n10\r\n0\r\n",
         "Oplata=BREAK\r\nBreakSumNAL=" + huge + "\r\n", "BreakSumNAL = 1E200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ctx.log.ClearErrors();
        journal.clear();
        folder.Write("Param.ini",
                     (c.param.empty() ? "Oplata=\r\n" : c.param) + "DocumStr=DOC-1\r\n");
        folder.Write("Tovar.ini", c.tovar);
        EXPECT_FALSE(Run(DeviceKind::Emul, "PRINT"));
        ASSERT_EQ(ErrorTexts().size(), 1u);
        EXPECT_EQ(
            ErrorTexts()[0].rfind("Чек не напечатан: " + c.failure + " вне допустимых пределов", 0),
            0u)
            << ErrorTexts()[0];
        EXPECT_TRUE(Operations().empty());
        EXPECT_TRUE(platform.questions.empty());
        EXPECT_FALSE(folder.Exists("CheckList.txt"));
    }
}

TEST_F(ReceiptJobTest, CorrectionOnShtrihUsesOnlyParamIni) {
    Files();
    EXPECT_TRUE(Run(DeviceKind::Shtrih, "CORRECT_PRIH"));
    EXPECT_EQ(Operations(), Calls{"S:PrintCorrection(CORRECT_PRIH)"});
    EXPECT_TRUE(folder.Exists("Tovar.ini"));
    EXPECT_FALSE(folder.Exists("CheckList.txt"));

    // Elsewhere it is a receipt with goods like any other.
    journal.clear();
    EXPECT_TRUE(Run(DeviceKind::Atol, "CORRECT_RASH"));
    EXPECT_EQ(Operations().back(), "A:PrintReceipt(CORRECT_RASH)");
    journal.clear();
    EXPECT_FALSE(Run(DeviceKind::Atol, "CORRECT_PRIH"));  // Tovar.ini is used up
    EXPECT_TRUE(Operations().empty());
    EXPECT_EQ(ErrorTexts().back(), "Список Товаров/Услуг пуст. Печать чека отменена!");
}

TEST_F(ReceiptJobTest, FailedParamIniEndsTheJobBeforeTheGoodsFile) {
    Files();
    folder.Write("Param.ini", "DocumStr=X\r\n");  // Oplata is mandatory
    EXPECT_FALSE(Run(DeviceKind::Emul, "PRINT"));
    EXPECT_TRUE(folder.Exists("Tovar.ini"));
    EXPECT_TRUE(Operations().empty());
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0].rfind("ReadParam:", 0), 0u);
}

TEST_F(ReceiptJobTest, BackendFailureLeavesTheRegisterAlone) {
    Files();
    Fake(DeviceKind::Shtrih).failOn = "PrintReceipt";
    EXPECT_THROW(Run(DeviceKind::Shtrih, "PRINT"), Failure);
    EXPECT_FALSE(folder.Exists("CheckList.txt"));

    // A receipt the back-end did not make is still recorded, so a retry asks first.
    Files();
    Fake(DeviceKind::Shtrih).failOn.clear();
    Fake(DeviceKind::Shtrih).printAnswer = false;
    EXPECT_FALSE(Run(DeviceKind::Shtrih, "PRINT"));
    EXPECT_EQ(folder.Read("CheckList.txt"), "DOC-1\r\n");
}

TEST_F(ReceiptJobTest, DocumentIsListedBeforeTheDeviceSeesTheReceipt) {
    // What a crash at any instant after the hand-over would leave: the document listed, so a
    // resend is asked about instead of printed again silently.
    std::vector<std::string> listedAt;
    Fake(DeviceKind::Emul).onCall = [&](const std::string& operation) {
        listedAt.push_back(operation + ":" + folder.Read("CheckList.txt"));
    };
    for (const char* word : {"PRINT", "PRINTS"}) {
        listedAt.clear();
        folder.Write("CheckList.txt", "A-0\r\n");
        Files("Заказ-9");
        EXPECT_TRUE(Run(DeviceKind::Emul, word));
        ASSERT_FALSE(listedAt.empty());
        for (const auto& seen : listedAt)
            EXPECT_NE(seen.find("Заказ-9\r\n"), std::string::npos) << word << " " << seen;
    }
}

TEST_F(ReceiptJobTest, BackendFailureTakesOutOnlyTheEntryItsJobMade) {
    struct Case {
        const char* listedBefore;  // CheckList.txt before the job
        std::deque<Answer> answers;
        const char* listedAfter;
    };
    // A new document leaves with the failure; one printed before, repeated on the operator's
    // word, stays listed.
    for (const Case& c : {Case{"A-0\r\n", {}, "A-0\r\n"},
                          Case{"A-0\r\nDOC-1\r\n", {Answer::Yes}, "A-0\r\nDOC-1\r\n"}}) {
        Files();
        folder.Write("CheckList.txt", c.listedBefore);
        platform.answers = c.answers;
        Fake(DeviceKind::Atol).failOn = "AddGoodsLine";
        EXPECT_THROW(Run(DeviceKind::Atol, "PRINT"), Failure);
        EXPECT_EQ(folder.Read("CheckList.txt"), c.listedAfter);
    }
}

TEST_F(ReceiptJobTest, RegisterThatCannotBeKeptRefusesTheReceipt) {
    struct Case {
        const char* what;
        std::function<void()> spoil;
    };
    const std::vector<Case> cases = {
        {"cannot be read (a pipe under its name)",
         [&] { ASSERT_EQ(::mkfifo(folder.File("CheckList.txt").c_str(), 0644), 0); }},
        {"cannot be written (a folder under its name)",
         [&] { std::filesystem::create_directory(folder.File("CheckList.txt")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(folder.File("CheckList.txt"));
        ctx.log.ClearErrors();
        journal.clear();
        Files();
        c.spoil();
        EXPECT_FALSE(Run(DeviceKind::Emul, "PRINT"));
        EXPECT_TRUE(Operations().empty()) << "handed to the device unrecorded";
        ASSERT_FALSE(ErrorTexts().empty());
        EXPECT_EQ(ErrorTexts().back().rfind("Чек DOC-1 не напечатан: его не удалось записать в "
                                            "CheckList.txt (",
                                            0),
                  0u)
            << ErrorTexts().back();
    }
    std::filesystem::remove_all(folder.File("CheckList.txt"));

    // Without a document identifier there is nothing to record: the receipt is printed.
    ctx.log.ClearErrors();
    Files("");
    std::filesystem::create_directory(folder.File("CheckList.txt"));
    EXPECT_TRUE(Run(DeviceKind::Emul, "PRINT"));
    EXPECT_TRUE(ctx.log.Errors().empty());
}

TEST_F(ReceiptJobTest, CheckListIsSortedIgnoringCaseWithoutDuplicates) {
    folder.Write("CheckList.txt", "b-2\r\nЯ-1\r\nA-1\r\na-1\r\nя-1\r\nб-3\r\n");
    AddToCheckList(ctx, "Б-4");
    AddToCheckList(ctx, "B-2");
    AddToCheckList(ctx, "   ");
    EXPECT_EQ(folder.Read("CheckList.txt"), "A-1\r\nb-2\r\nб-3\r\nБ-4\r\nЯ-1\r\n");
    EXPECT_TRUE(ctx.log.Errors().empty());
    EXPECT_FALSE(IsAlreadyPrinted(ctx, "   "));
    EXPECT_FALSE(IsAlreadyPrinted(ctx, "C-1"));
    EXPECT_TRUE(platform.questions.empty());
    EXPECT_TRUE(IsAlreadyPrinted(ctx, "я-1"));
    EXPECT_EQ(platform.questions, Calls{Question("я-1")});
}

// A kind that cannot make the receipt fails before the goods file is read, so the accounting
// system does not have to write Tovar.ini again.
TEST_F(ReceiptJobTest, DeviceWithoutReceiptsLeavesTheGoodsFileAlone) {
    ctx.SetBackend(std::make_unique<UnsupportedBackend>(DeviceKind::Atol, "АТОЛ", false));
    for (const DeviceKind kind : {DeviceKind::Atol, DeviceKind::None}) {
        Files();
        EXPECT_THROW(Run(kind, "PRINT"), Failure);
        EXPECT_TRUE(folder.Exists("Tovar.ini"));
        EXPECT_FALSE(folder.Exists("Tovar.oldini"));
        EXPECT_FALSE(folder.Exists("CheckList.txt"));
    }
}

TEST(SortedRegister, KeepsTheFirstSpellingOfADuplicate) {
    EXPECT_EQ(SortedRegister({"b", "B", "a", "ж", "Е", "е"}),
              (std::vector<std::string>{"a", "b", "Е", "ж"}));
}

// Two spellings of one file: the receipt is refused before anything is printed or moved.
TEST_F(ReceiptJobTest, TwoSpellingsOfAFileRefuseTheReceipt) {
    Files();
    folder.Write("param.ini", "Oplata=VISA\r\n");
    EXPECT_FALSE(Run(DeviceKind::Emul, "PRINT"));
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0].rfind("ReadParam:В папке " + folder.Path() + " несколько файлов " +
                                        "Param.ini, имена которых отличаются только регистром " +
                                        "букв (Param.ini, param.ini)",
                                    0),
              0u)
        << ErrorTexts()[0];
    std::filesystem::remove(folder.File("param.ini"));

    folder.Write("DOP.ini", "Стол\r\n4\r\n\r\n");
    EXPECT_FALSE(Run(DeviceKind::Emul, "PRINT"));
    ASSERT_EQ(ErrorTexts().size(), 2u);
    EXPECT_NE(ErrorTexts()[1].find("(Dop.ini, DOP.ini)"), std::string::npos) << ErrorTexts()[1];
    EXPECT_TRUE(Operations().empty());
    EXPECT_TRUE(folder.Exists("Tovar.ini"));
    EXPECT_FALSE(folder.Exists("CheckList.txt"));
}

}  // namespace
}  // namespace orvenka
