// The Shtrih-M register from the accounting system's side: the real program started with /SHTRIH
// on the simulated register (itself, or behind our fake of the vendor's library), commands
// through cmd.ini, answers in Result.txt and ResultNumCheck.txt, what was printed on the
// simulator's tape.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <thread>

#include "common/files.h"
#include "common/input_limits.h"
#include "program_under_test.h"
#include "register_e2e.h"

namespace orvenka::test {
namespace {

const Millis kWait(30000);

std::string Param(const std::string& documStr, const std::string& oplata = "",
                  const std::string& extra = "") {
    return "SNO=OSN\r\nOplata=" + oplata + "\r\nVERSION_FFD=1.05\r\nDocumStr=" + documStr +
           "\r\nAuthorName=Кассир\r\nAuthorCaption=Иванова А.П.\r\n" + extra;
}

const std::string kTovar =
    "Хлеб бородинский\r\n2,5\r\n45,50\r\n10\r\n"
    "##5##4601234567890##SN1##Сигареты##\r\n1\r\n150\r\n20\r\n";

// A 24-bit Windows bitmap, 8 x 2 dots, the top row black.
std::string Bitmap() {
    const auto le = [](uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    const std::string white(24, '\xFF');
    const std::string black(24, '\0');
    const std::string pixels = white + black;  // rows bottom-up, 24 bytes each (no padding)
    return "BM" + le(54 + static_cast<uint32_t>(pixels.size()), 4) + le(0, 4) + le(54, 4) +
           le(40, 4) + le(8, 4) + le(2, 4) + le(1, 2) + le(24, 2) + le(0, 4) +
           le(static_cast<uint32_t>(pixels.size()), 4) + le(2835, 4) + le(2835, 4) + le(0, 4) +
           le(0, 4) + pixels;
}

class ShtrihE2E : public RegisterE2E {
  protected:
    ShtrihE2E() : RegisterE2E(kShtrihRegister) {}

    ChildProcess& Start() {
        ChildProcess& app =
            p.Start({"/SHTRIH"}, {"CUPS_SERVER=/nonexistent/orvenka-e2e/cups.sock"});
        if (!app.WaitForStderr(ProgramUnderTest::kPollingLine, kWait))
            throw std::runtime_error("the program did not start polling:\n" + app.Stderr());
        return app;
    }

    std::string Number() const {
        const auto lines = p.Lines("ResultNumCheck.txt");
        return lines.empty() ? "" : lines[0];
    }
    std::string Tape() const { return Register(p).Read("DrvFR.sim.tape.txt"); }
};

TEST_P(ShtrihE2E, RowsOfTheDispatchTableThroughCmdIni) {
    Start();
    p.Folder().Write("text.txt", "Спасибо за покупку!\r\n");
    p.Folder().WriteBytes("logo.bmp", Bitmap());
    struct Row {
        std::string line;
        std::string param;                // Param.ini when not empty
        bool goods;                       // Tovar.ini written first
        std::vector<std::string> answer;  // each line as it starts
        std::string number;               // ResultNumCheck.txt afterwards
        std::string tape;                 // printed by this command
    };
    const std::string noCash =
        "FNCloseCheckEx Ошибка:Не хватает наличности в кассе Штрих "
        "ответил, что должна быть сумма:263.75";
    const std::vector<Row> rows = {
        // Document 1 is the shift the first receipt opens.
        {"PRINT", Param("Д-1"), true, {}, "2", "КАССОВЫЙ ЧЕК ПРИХОД"},
        {"SHTRIH,1,RETURN,ЗАКАЗ 15", Param("Д-2"), true, {}, "3", "тег 1192: ЗАКАЗ 15"},
        // A purchase pays out of a drawer the return emptied; the receipt stays open.
        {"PRINT_BUY", Param("Д-3"), true, {noCash}, "3", ""},
        {"CASHINCOME=1000", "", false, {}, "3", "ЧЕК АННУЛИРОВАН"},
        {"PRINT_BUY", Param("Д-4"), true, {}, "5", "КАССОВЫЙ ЧЕК РАСХОД"},
        {"RETURN_BUY", Param("Д-5"), true, {}, "6", "КАССОВЫЙ ЧЕК ВОЗВРАТ РАСХОДА"},
        {"CASHOUTCOME=99999", "", false, {"Не хватает наличности в кассе"}, "6", ""},
        {"CASHOUTCOME=10.50", "", false, {}, "6", "ВЫПЛАТА"},
        {"XOTCHET", "", false, {}, "6", "СУТОЧНЫЙ ОТЧЕТ БЕЗ ГАШЕНИЯ"},
        {"PrintDepartmentReport", "", false, {}, "6", "ОТЧЕТ ПО ОТДЕЛАМ"},
        {"OPENBOXMANY", "", false, {}, "6", "(открыт денежный ящик 0)"},
        {"PRINTLASTCHECK", "", false, {}, "6", "КОПИЯ: ВЫПЛАТА"},
        {"PRINTQRCODE=https://check.example/q?a=1",
         "",
         false,
         {},
         "6",
         "[QR-код: https://check.example/q?a=1]"},
        {"PRINTTXTFILE=text.txt", "", false, {}, "6", "Спасибо за покупку!"},
        {"LOADPICTURE=logo.bmp", "", false, {}, "6", ""},
        {"CORRECT_PRIH",
         Param("Д-6", "BREAK", "BreakSumm0=10\r\nCheckCorrect_DATE=01.02.2021\r\n"),
         false,
         {},
         "8",
         "КАССОВЫЙ ЧЕК КОРРЕКЦИИ ПРИХОД"},
        {"ZOTCHETEMUL",
         Param("Д-7"),
         false,
         {"Подана команда ZOTHETEMUL снять Zотчет с фискального ФР в режиме эмуляции!"},
         "8",
         ""},
        {"ZOTCHET", "", false, {}, "8", "ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"},
        {"OPENSESSION", "", false, {}, "8", "ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ"},
        {"SHOWPROPERTIES", "", false, {}, "8", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        if (!row.param.empty())
            p.Folder().Write("Param.ini", row.param);
        if (row.goods)
            p.Folder().Write("Tovar.ini", kTovar);
        const size_t before = Tape().size();
        const auto answer = Send(row.line);
        ASSERT_EQ(answer.size(), row.answer.size()) << (answer.empty() ? "" : answer[0]);
        for (size_t i = 0; i < answer.size(); ++i)
            EXPECT_EQ(answer[i].rfind(row.answer[i], 0), 0u) << answer[i];
        EXPECT_EQ(Number(), row.number);
        EXPECT_NE(Tape().find(row.tape, before), std::string::npos) << Tape().substr(before);
    }
    const std::string longLog = p.Folder().Read(p.LongLogName());
    EXPECT_NE(longLog.find("#KKM DocumentNumber=2 #NumCheck= #DocumStr=Д-1"), std::string::npos)
        << longLog;
    EXPECT_EQ(p.Lines("CheckList.txt"), (std::vector<std::string>{"Д-1", "Д-2", "Д-4", "Д-5"}))
        << "a receipt the register refused is not recorded";
}

// An integrator rehearses a refusal with the faults file; the open receipt it leaves is
// cancelled by the next command.
TEST_P(ShtrihE2E, InjectedRefusalIsAnsweredAndTheNextCommandCancelsTheReceipt) {
    Start();
    Register(p).Write("DrvFR.sim.faults.ini", "FAIL.FNCloseCheckEx=69,Касса отказала\r\n");
    p.Folder().Write("Param.ini", Param("Д-1"));
    p.Folder().Write("Tovar.ini", kTovar);
    const auto answer = Send("PRINT");
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].rfind("FNCloseCheckEx Ошибка:Касса отказала Штрих ответил, что должна быть "
                              "сумма:263.75 summ1=263.75 summ2=0",
                              0),
              0u)
        << answer[0];
    EXPECT_EQ(Number(), "");

    Register(p).Write("DrvFR.sim.faults.ini", "; рабочий режим\r\n");
    EXPECT_EQ(Send("XOTCHET"), std::vector<std::string>{});
    EXPECT_NE(Tape().find("**** ЧЕК АННУЛИРОВАН ****"), std::string::npos);
}

// The program killed while a long receipt is being registered: the register keeps the open
// receipt, the restarted program cancels it and goes on.
TEST_P(ShtrihE2E, KilledInTheMiddleOfAReceiptTheNextCommandCancelsIt) {
    ChildProcess& first = Start();
    std::string goods;
    for (size_t i = 0; i < kMaxGoods; ++i)
        goods += "Товар " + std::to_string(i) + "\r\n1\r\n1.00\r\n20\r\n";
    p.Folder().Write("Param.ini", Param("Д-1"));
    p.Folder().Write("Tovar.ini", goods);
    p.Folder().Write("cmd.tmp", "PRINT\r\n");
    std::filesystem::rename(p.File("cmd.tmp"), p.File("cmd.ini"));
    const bool open = WaitUntil(
        [&] {
            return Register(p).Read("DrvFR.sim.state.ini").find("DOC_OPEN=1") != std::string::npos;
        },
        kWait);
    ASSERT_TRUE(open) << first.Stderr();
    first.Kill();
    ASSERT_FALSE(p.Folder().Exists("cmd.finish")) << "killed before the receipt was closed";

    DeleteFileIfExists(p.File("cmd.ini"));
    Start();
    EXPECT_EQ(Send("XOTCHET"), std::vector<std::string>{});
    const std::string tape = Tape();
    EXPECT_NE(tape.find("(документ был открыт до перезапуска программы)"), std::string::npos);
    EXPECT_NE(tape.find("**** ЧЕК АННУЛИРОВАН ****"), std::string::npos);
    EXPECT_NE(Register(p).Read("DrvFR.sim.state.ini").find("DOC_OPEN=0"), std::string::npos);

    // The document was listed before the register saw it: sent again, it is asked about (no
    // screen here, so refused), never printed silently. Under a new identifier it goes through.
    p.Folder().Write("Tovar.ini", kTovar);
    const auto resent = Send("PRINT");
    ASSERT_EQ(resent.size(), 1u);
    EXPECT_EQ(resent[0].rfind("Чек Д-1 уже был напечатан.", 0), 0u) << resent[0];
    p.Folder().Write("Param.ini", Param("Д-2"));
    p.Folder().Write("Tovar.ini", kTovar);
    EXPECT_EQ(Send("PRINT"), std::vector<std::string>{});
    EXPECT_EQ(Number(), "2") << "the killed receipt never became a document";
}

INSTANTIATE_TEST_SUITE_P(Drivers, ShtrihE2E,
                         ::testing::Values(DriverPath::Simulator, DriverPath::VendorLibrary),
                         DriverPathName);

}  // namespace
}  // namespace orvenka::test
