// The ATOL register end to end: the real program started with /ATOL on a temporary folder, its
// simulated register answering to "AddIn.Fptr10" (itself, or behind our fake of the vendor's
// library), every command sent through cmd.ini as the
// accounting system sends it, the answers read from Result.txt and ResultNumCheck.txt and what
// the register did read from its tape.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "common/files.h"
#include "common/text.h"
#include "program_under_test.h"
#include "register_e2e.h"

namespace orvenka::test {
namespace {

const Millis kWait(30000);
using Lines = std::vector<std::string>;

const std::string kParam =
    "SNO=OSN\r\nOplata=\r\nAuthorCaption=Иванова А.П.\r\nAuthorINN=770123456789\r\n"
    "CheckCorrect_NAME=Предписание\r\nCheckCorrect_DATE=01.02.2021\r\nCheckCorrect_NUM=7\r\n"
    "PRN_WIDHT=40\r\nCHECKSHAPKA1=ООО \"Ромашка\"\r\n";
const std::string kNonFiscalParam = kParam +
                                    "Fiscal=-\r\nZN=0012345\r\nUSER=ООО Ромашка\r\n"
                                    "REGNUMFN=9999078900001234\r\n";
// 2 x 45.50 + 1 x 30.00 = 121.00
const std::string kTovar = "Молоко\r\n2\r\n45,50\r\n10\r\nХлеб\r\n1\r\n30.00\r\n20\r\n";

class AtolE2E : public RegisterE2E {
  protected:
    AtolE2E() : RegisterE2E(kAtolRegister) {}

    ChildProcess& Start() { return p.StartPolling({"/ATOL"}); }

    std::string Tape() const { return Register(p).Read("Fptr10.sim.tape.txt"); }
    size_t TapeSize() const { return Tape().size(); }
    std::string NumCheck() const { return p.Folder().Read("ResultNumCheck.txt"); }
};

TEST_P(AtolE2E, EveryAtolCommandIsCarriedOutOnTheRegister) {
    Start();
    p.Folder().Write("Param.ini", kParam);
    p.Folder().Write("Текст.txt", "Первая строка текста\r\nВторая строка текста\r\n");
    p.Folder().WriteBytes("logo.bmp", "BM\x36\x00\x00\x00");
    struct Row {
        std::string command;
        std::string files;     // "tovar", "nonfiscal"
        std::string printed;   // on the tape after the command
        std::string numCheck;  // ResultNumCheck.txt after the command, when it is written
    };
    const Row rows[] = {
        {"OPENSESSION", "", "ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ", ""},
        {"CASHINCOME=1500.50", "", "СУММА =1500.50", ""},
        {"PRINT", "tovar", "КАССОВЫЙ ЧЕК. ПРИХОД", "3\r\n"},
        {"PRINTLASTCHECK", "", "ФД № 3", ""},
        {"RETURN", "tovar", "КАССОВЫЙ ЧЕК. ВОЗВРАТ ПРИХОДА", "4\r\n"},
        {"PRINT_BUY", "tovar", "КАССОВЫЙ ЧЕК. РАСХОД", "5\r\n"},
        {"RETURN_BUY", "tovar", "КАССОВЫЙ ЧЕК. ВОЗВРАТ РАСХОДА", "6\r\n"},
        {"CORRECT_PRIH", "tovar", "ЧЕК КОРРЕКЦИИ. ПРИХОД", "7\r\n"},
        {"CORRECT_RASH", "tovar", "ЧЕК КОРРЕКЦИИ. РАСХОД", "8\r\n"},
        {"PRINTS", "tovar", "КАССОВЫЙ ЧЕК. ПРИХОД", "9\r\n"},
        {"RETURNS", "tovar", "КАССОВЫЙ ЧЕК. ВОЗВРАТ ПРИХОДА", "10\r\n"},
        {"ATOL,1,RETURN,ЗАКАЗ 15", "tovar", "КАССОВЫЙ ЧЕК. ВОЗВРАТ ПРИХОДА", "11\r\n"},
        {"CASHOUTCOME=100", "", "ВЫПЛАТА", ""},
        {"XOTCHET", "", "X-ОТЧЕТ", ""},
        {"PrintDepartmentReport", "", "ОТЧЕТ ПО СЕКЦИЯМ", ""},
        {"OPENBOXMANY", "", "", ""},
        {"PrintQRCode=https://example.org/Чек", "", "[QR-КОД: https://example.org/Чек]", ""},
        {"LOADPICTURE=logo.bmp", "", "[КАРТИНКА: logo.bmp]", ""},
        {"PRINTTXTFILE=Текст.txt", "", "Вторая строка текста", ""},
        {"PRINTTXTFILENOCUT=Текст.txt", "", "Первая строка текста", ""},
        {"SHOWPROPERTIES", "", "", ""},
        {"PRINT", "nonfiscal", "[QR-КОД: t=", "1\r\n"},
        {"ZOTCHETEMUL", "nonfiscal", "ОТЧЕТ С ГАШЕНИЕМ", ""},
        {"XOTCHETEMUL", "nonfiscal", "ОТЧЕТ БЕЗ ГАШЕНИЯ", ""},
        {"ZOTCHET", "", "ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        p.Folder().Write("Param.ini", row.files == "nonfiscal" ? kNonFiscalParam : kParam);
        if (row.files == "tovar" || (row.files == "nonfiscal" && row.command == "PRINT"))
            p.Folder().Write("Tovar.ini", kTovar);
        const size_t before = TapeSize();
        EXPECT_EQ(Send(row.command), Lines{});
        const std::string printed = Tape().substr(before);
        EXPECT_NE(printed.find(row.printed), std::string::npos) << printed;
        if (!row.numCheck.empty()) {
            EXPECT_EQ(NumCheck(), row.numCheck);
        }
    }
    const std::string tape = Tape();
    EXPECT_NE(tape.find("ТЕГИ: 1192=ЗАКАЗ 15 "), std::string::npos) << "Arguments of the return";
    EXPECT_NE(tape.find("СИМУЛЯТОР, НЕ ФИСКАЛЬНЫЙ ДОКУМЕНТ"), std::string::npos);
    // The receipts counted in the register: 121.00 in cash per sale, 1500.50 in, 100.00 out.
    const std::string state = Register(p).Read("Fptr10.sim.state.ini");
    EXPECT_NE(state.find("SHIFT_OPEN=0"), std::string::npos) << state;
    EXPECT_NE(p.Folder().Read("A0012345.ini").find("SMENA=2"), std::string::npos);
}

TEST_P(AtolE2E, KeepAliveSettingKeepsOneDriverObjectForTheRun) {
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep);
        ProgramUnderTest run;
        WriteSettings(run, std::string("AtolNoCloseLinkToDriverAfterCommand=") +
                               (keep ? " + " : "") + "\r\n");
        ChildProcess& app = run.StartPolling({"/ATOL"});
        for (int i = 0; i < 2; ++i) {
            DeleteFileIfExists(run.File("cmd.finish"));
            run.Folder().Write("cmd.ini", "XOTCHET\r\n");
            ASSERT_TRUE(run.WaitForFile("cmd.finish", kWait));
            EXPECT_EQ(run.Folder().ReadBytes("Result.txt"), "");
        }
        const std::string log = app.Stderr();
        size_t created = 0;
        for (size_t at = log.find("AddIn.Fptr10: ККМ АТОЛ"); at != std::string::npos;
             at = log.find("AddIn.Fptr10: ККМ АТОЛ", at + 1)) {
            ++created;
        }
        EXPECT_EQ(created, keep ? 1u : 2u) << log;
        ExpectNoSimulatorFiles(run);
    }
}

TEST_P(AtolE2E, AReceiptCutShortByAKillIsCancelledByTheNextCommand) {
    ChildProcess& first = Start();
    p.Folder().Write("Param.ini", kParam);
    std::string goods;
    for (int i = 0; i < 30000; ++i)
        goods += "Товар " + std::to_string(i) + "\r\n1\r\n1.00\r\n20\r\n";
    p.Folder().Write("Tovar.ini", goods);
    p.Folder().Write("cmd.ini", "PRINT\r\n");
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Register(p).Read("Fptr10.sim.state.ini").find("RECEIPT_TYPE=1") !=
                   std::string::npos;
        },
        kWait))
        << "the receipt never opened";
    first.Kill();
    EXPECT_EQ(Tape().find("ИТОГ ="), std::string::npos) << "killed before the receipt closed";
    DeleteFileIfExists(p.File("cmd.ini"));

    Start();
    EXPECT_EQ(Send("XOTCHET"), Lines{});
    EXPECT_NE(Tape().find("ЧЕК АННУЛИРОВАН"), std::string::npos);
    EXPECT_NE(Register(p).Read("Fptr10.sim.state.ini").find("RECEIPT_TYPE=0"), std::string::npos);
    p.Folder().Write("Tovar.ini", kTovar);
    EXPECT_EQ(Send("PRINT"), Lines{});
    EXPECT_NE(Tape().find("ИТОГ =121.00"), std::string::npos);
}

TEST_P(AtolE2E, BadInputIsAnsweredWithAClearLineAndPollingGoesOn) {
    Start();
    struct Row {
        const char* name;
        std::function<void(const TempFolder&)> files;
        std::string command;
        Lines answer;
    };
    const Row rows[] = {
        // A device file named with a leading zero is no device's: never the driver's own
        // settings in its place.
        {"device_file_named_01",
         [](const TempFolder& f) { f.Write("ATOLDEVICE01.ini", "PORT=USB\r\n"); },
         "ATOL,1,XOTCHET",
         {"Файл ATOLDEVICE01.ini не является файлом логического устройства ККМ АТОЛ: после "
          "ATOLDEVICE должен стоять номер устройства без нулей впереди (ATOLDEVICE1.ini, "
          "ATOLDEVICE2.ini …). Переименуйте или уберите файл. Команда не выполнена"}},
        {"baudrate_not_a_number",
         [](const TempFolder& f) {
             f.Write("ATOLDEVICE1.ini", "PORT=COM\r\nCOM_FILE=COM3\r\nBAUDRATE=быстро\r\n");
         },
         "ATOL,1,XOTCHET",
         {"Ошибка подключения к логическому устройству 1:В файле ATOLDEVICE1.ini "
          "BAUDRATE=быстро не является целым числом. Команда не выполнена"}},
        {"missing_device_file",
         [](const TempFolder& f) { f.Write("ATOLDEVICE1.ini", "PORT=USB\r\n"); },
         "ATOL,2,XOTCHET",
         {"Ошибка подключения к логическому устройству 2:Нет файла настроек логического "
          "устройства 2 ATOLDEVICE2.ini в папке " +
          p.Folder().Path() + " (есть: ATOLDEVICE1.ini). Команда не выполнена"}},
        {"unknown_vat_code",
         [](const TempFolder& f) {
             f.Write("Param.ini", kParam);
             f.Write("Tovar.ini", "Хлеб\r\n1\r\n30\r\n5\r\n");
         },
         "PRINT",
         {"Ставка НДС 5 в строке \"Хлеб\" не известна ККМ АТОЛ (допустимы 20, 10, 0 и -1). Чек "
          "не напечатан"}},
        {"tlv_value_too_long",
         [](const TempFolder& f) {
             f.Write("Param.ini", kParam +
                                      "suplierInfoName1225=ООО Поставщик\r\n"
                                      "suplierInfoINN1226=7701234567\r\n"
                                      "suplierInfoTel1171=+7 (900) 123-45-67 доб. 89\r\n");
             f.Write("Tovar.ini", kTovar);
         },
         "PRINT",
         {"Не удалось передать тэг 1224: Значение, тег 1171, длиннее допустимого: 26 байт при "
          "наибольшей длине 19"}},
        // The refused structure's parts are dropped (resetParams) and the receipt goes on.
        {"user_requisite_not_packed",
         [](const TempFolder& f) {
             f.Write("Param.ini",
                     kParam + "t1085=" + std::string(65, 'X') + "\r\nt1086=Красный\r\n");
             f.Write("Tovar.ini", kTovar);
         },
         "PRINT",
         {"Не удалось передать тег 1084 (t1085, t1086): Значение, тег 1085, длиннее допустимого: "
          "65 байт при наибольшей длине 64"}},
        {"short_split_payment",
         [](const TempFolder& f) {
             f.Write("Param.ini",
                     "Oplata=BREAK\r\nBreakSumNAL=20\r\nBreakSumVISA=100\r\nPRN_WIDHT=40\r\n");
             f.Write("Tovar.ini", kTovar);
         },
         "PRINT",
         {"Не удалось закрыть чек: Недостаточно средств для закрытия чека: сумма чека 121.00, "
          "оплачено 120.00"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.files(p.Folder());
        EXPECT_EQ(Send(row.command), row.answer);
        for (const char* name : {"ATOLDEVICE1.ini", "ATOLDEVICE2.ini", "ATOLDEVICE01.ini"})
            DeleteFileIfExists(p.File(name));
    }
    // The split refused above was left open and is cancelled by the next command.
    const auto cancelled = [&] {
        const std::string tape = Tape();
        size_t n = 0;
        for (size_t at = tape.find("ЧЕК АННУЛИРОВАН"); at != std::string::npos;
             at = tape.find("ЧЕК АННУЛИРОВАН", at + 1)) {
            ++n;
        }
        return n;
    };
    const size_t before = cancelled();
    EXPECT_EQ(Send("XOTCHET"), Lines{});
    EXPECT_EQ(cancelled(), before + 1);
    EXPECT_NE(Tape().find("ИТОГ =121.00"), std::string::npos) << "the receipt without 1084";
    EXPECT_EQ(Tape().find("1085="), std::string::npos) << Tape();
}

INSTANTIATE_TEST_SUITE_P(Drivers, AtolE2E,
                         ::testing::Values(DriverPath::Simulator, DriverPath::VendorLibrary),
                         DriverPathName);

}  // namespace
}  // namespace orvenka::test
