// The emulator's receipt from the command file to paper: the real core (command loop, receipt
// job, emulator) on the Qt platform, with every print job drawn into a PDF file and read back
// with pdftotext, so the layout is checked on what the printer would get.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "backends/backends.h"
#include "common/clock.h"
#include "common/files.h"
#include "gui/document_render.h"
#include "gui/qt_platform.h"
#include "shell/app_context.h"
#include "shell/command_loop.h"
#include "support/temp_folder.h"

namespace orvenka::gui {
namespace {

// The desktop as the program has it, except that a print job goes into a PDF file of its own
// instead of a CUPS queue.
class PdfPrintingPlatform : public QtPlatform {
  public:
    explicit PdfPrintingPlatform(std::string folder) : folder_(std::move(folder)) {}

    void PrintDocument(const TextDocument& document) override {
        const std::string file = folder_ + "job" + std::to_string(jobs.size() + 1) + ".pdf";
        PrintDocumentToPdf(document, QString::fromStdString(file));
        jobs.push_back(file);
    }

    std::vector<std::string> jobs;  // PDF files, one per print job

  private:
    std::string folder_;
};

const char* const kParam =
    "SNO=OSN\r\n"
    "NumCheck=000123\r\n"
    "AuthorName=Кассир\r\n"
    "AuthorCaption=Иванова А.П.\r\n"
    "Oplata=\r\n"
    "Fiscal=-\r\n"
    "Section=1\r\n"
    "INN=7701234567\r\n"
    "ZN=0012345\r\n"
    "USER=ООО \"Ромашка\"\r\n"
    "ADDRES=г. Москва, ул. Лесная, д. 5\r\n"
    "PRN_WIDHT=40\r\n"
    "PRN_WIDHT_ITOG=20\r\n"
    "PRN_FONT=Orvenka\r\n"
    "PRN_SIZEFONT=9\r\n"
    "PRN_SIZEFONT_ITOG=14\r\n";

const char* const kTovar =
    "Хлеб бородинский\r\n2\r\n45,50\r\n10\r\n"
    "Молоко 3,2% 1 л\r\n1\r\n89.90\r\n18\r\n";

struct EmulPrintTest : ::testing::Test {
    test::TempFolder folder;  // the program folder
    test::TempFolder output;  // where the print jobs land
    PdfPrintingPlatform platform{output.Path()};
    FixedClock clock{EncodeDateTime({2021, 2, 12, 10, 30, 5, 0})};
    AppContext ctx{folder.Path(), "orvenka", platform, clock};
    CommandLoop loop{ctx};

    EmulPrintTest() {
        InstallBackends(ctx);
        ctx.StartupKind = DeviceKind::Emul;  // started with /EMUL
    }

    // Writes the command file as the accounting system does and runs one poll.
    void Run(const std::string& command) {
        folder.Write("cmd.ini", command + "\r\n");
        loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});  // as the folder watch would
        ASSERT_TRUE(loop.Tick()) << command;
        ASSERT_TRUE(folder.Exists("cmd.finish"));
        EXPECT_EQ(folder.Read("Result.txt"), "") << command;
    }

    // The lines of a PDF as pdftotext lays them out, trailing blanks and empty lines dropped.
    static std::vector<std::string> PdfLines(const std::string& file) {
        const QString tool = QStandardPaths::findExecutable("pdftotext");
        if (tool.isEmpty()) {
            ADD_FAILURE() << "pdftotext is not installed (Debian package poppler-utils)";
            return {};
        }
        QProcess pdf;
        pdf.start(tool, {"-layout", "-enc", "UTF-8", QString::fromStdString(file), "-"});
        if (!pdf.waitForFinished(30000) || pdf.exitCode() != 0) {
            ADD_FAILURE() << "pdftotext failed on " << file << ": "
                          << pdf.readAllStandardError().toStdString();
            return {};
        }
        std::vector<std::string> lines;
        for (QString line : QString::fromUtf8(pdf.readAllStandardOutput()).split('\n')) {
            line.remove('\f');
            while (line.endsWith(' '))
                line.chop(1);
            if (!line.isEmpty())
                lines.push_back(line.toStdString());
        }
        return lines;
    }

    static int Find(const std::vector<std::string>& lines, const std::string& start) {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(start, 0) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }
};

std::string Simplified(const std::string& line) {
    return QString::fromStdString(line).simplified().toStdString();
}

std::string Blanks(int n) {
    return std::string(static_cast<size_t>(n), ' ');
}

// What the paper shows: the columns of the 40-character layout survive rendering, Cyrillic is
// intact, and the lines come in the receipt's order.
TEST_F(EmulPrintTest, SaleReceiptReachesThePaperLineForLine) {
    folder.Write("Param.ini", kParam);
    folder.Write("Tovar.ini", kTovar);
    Run("PRINT");
    ASSERT_EQ(platform.jobs.size(), 1u) << "one receipt, one print job";
    const auto lines = PdfLines(platform.jobs[0]);
    ASSERT_FALSE(lines.empty());

    // Lines in the receipt's order; each starts as given (the value columns are checked below).
    const std::vector<std::string> order = {"ЧЕК № 000123",
                                            "Кассир:Иванова А.П.",
                                            "ПРИХОД",
                                            "Хлеб бородинский",
                                            "Молоко 3,2% 1 л",
                                            "ИТОГ",
                                            "ОПЛАТА",
                                            "НАЛИЧНЫМИ",
                                            "СНО:",
                                            "НДС20%",
                                            "НДС10%",
                                            "ДАТА ВРЕМЯ",
                                            "СМЕНА №",
                                            "ЧЕК НОМЕР:",
                                            "ИНН:",
                                            "ПОЛЬЗОВАТЕЛЬ:",
                                            "АДРЕС:г. Москва",
                                            "^ЗН №",
                                            "ФД №",
                                            "ФПД"};
    int previous = -1;
    for (const auto& start : order) {
        const int at = Find(lines, start);
        ASSERT_GT(at, previous) << "\"" << start << "\" missing or out of order";
        previous = at;
    }

    // The goods block: section at the left, "quantity * price =sum" at the right edge of 40.
    const int bread = Find(lines, "Хлеб бородинский");
    EXPECT_EQ(lines[bread + 1], "1" + Blanks(19) + "2.000 * 45.50 =91.00");
    EXPECT_EQ(lines[bread + 2], "НДС 10%" + Blanks(29) + "8.27");
    const int milk = Find(lines, "Молоко 3,2% 1 л");
    EXPECT_EQ(lines[milk + 1], "1" + Blanks(19) + "1.000 * 89.90 =89.90");
    EXPECT_EQ(lines[milk + 2], "НДС 20%" + Blanks(28) + "14.98");

    // The total in its own, larger font: "ИТОГ" and the sum apart, in the 20-character width.
    EXPECT_EQ(Simplified(lines[Find(lines, "ИТОГ")]), "ИТОГ =180.90");
    EXPECT_EQ(lines[Find(lines, "НАЛИЧНЫМИ")], "НАЛИЧНЫМИ" + Blanks(24) + "=180.90");
    EXPECT_EQ(Find(lines, "ЭЛЕКТРОННЫМИ"), -1);
    EXPECT_EQ(lines[Find(lines, "СНО:")], "СНО:" + Blanks(33) + "ОСН");
    EXPECT_EQ(lines[Find(lines, "ДАТА ВРЕМЯ")], "ДАТА ВРЕМЯ" + Blanks(11) + "12.02.2021 10:30:05");
    EXPECT_EQ(lines[Find(lines, "СМЕНА №")], "СМЕНА №" + Blanks(29) + "0001");
    EXPECT_EQ(lines[Find(lines, "ПОЛЬЗОВАТЕЛЬ:")],
              "ПОЛЬЗОВАТЕЛЬ:" + Blanks(14) + "ООО \"Ромашка\"");
    // pdftotext puts one blank too few into this line, so only its words are compared.
    EXPECT_EQ(Simplified(lines[Find(lines, "^ЗН №")]), "^ЗН № 0012345^");

    // The receipt was counted in the counters file of its factory number.
    const auto counters = LoadLines(folder.File("E0012345.ini"));
    ASSERT_EQ(counters.size(), 12u);
    EXPECT_EQ(counters[1], "NUM_FISCAL_DOC=1");
    EXPECT_EQ(counters[6], "SUM_CHECKPRIHODINSMENA_NAL=180.90");
}

// A Z report uses the parameters of the last Param.ini read and moves the shift on.
TEST_F(EmulPrintTest, ZReportPrintsTheShiftAndClosesIt) {
    folder.Write("Param.ini", kParam);
    folder.Write("Tovar.ini", kTovar);
    Run("PRINT");
    folder.Write("Param.ini", "Oplata=\r\nPRN_WIDHT=0\r\n");  // not read by ZOTCHET
    Run("ZOTCHET");
    ASSERT_EQ(platform.jobs.size(), 2u);
    const auto lines = PdfLines(platform.jobs[1]);
    ASSERT_FALSE(lines.empty());

    EXPECT_EQ(lines[Find(lines, "ОТЧЕТ С ГАШЕНИЕМ")], "ОТЧЕТ С ГАШЕНИЕМ" + Blanks(23) + "1");
    const int income = Find(lines, "ПРИХОД:");
    ASSERT_GE(income, 0);
    EXPECT_EQ(lines[income], "ПРИХОД:" + Blanks(26) + "=180.90");
    EXPECT_EQ(lines[income + 1], "НАЛИЧНЫМИ:" + Blanks(23) + "=180.90");
    EXPECT_EQ(lines[Find(lines, "СМЕНА №")], "СМЕНА №" + Blanks(29) + "0001");
    EXPECT_EQ(lines[Find(lines, "ЧЕКОВ ЗА СМЕНУ:")], "ЧЕКОВ ЗА СМЕНУ:" + Blanks(24) + "1");
    EXPECT_GE(Find(lines, "**** СМЕНА ЗАКРЫТА ****"), 0);

    const auto counters = LoadLines(folder.File("E0012345.ini"));
    const std::vector<std::string> expected = {
        "SMENA=2",
        "NUM_FISCAL_DOC=1",
        "NUM_CHECKINSMENA=0",
        "NUM_CHECKPRIHODINSMENA=0",
        "NUM_CHECKRASHODINSMENA=0",
        "NUM_ZOTCHET=2",
        "SUM_CHECKPRIHODINSMENA_NAL=0.00",
        "SUM_CHECKRASHODINSMENA_NAL=0.00",
        "SUM_CHECKRASHODINSMENA_VISA=0.00",
        "SUM_CHECKPRIHODINSMENA_VISA=0.00",
        "SUM_TOTAL_RASHOD=0.00",
        "SUM_TOTAL_PRIHOD=180.90",
    };
    EXPECT_EQ(counters, expected);
}

}  // namespace
}  // namespace orvenka::gui
