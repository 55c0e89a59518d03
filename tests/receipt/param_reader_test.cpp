#include "receipt/param_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using namespace std::string_literals;
using test::ScriptedPlatform;
using test::TempFolder;

class RecordingLogger : public Logger {
  public:
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    void LogMessage(const std::string& text) override { messages.push_back(text); }
    void LogError(const std::string& text) override { errors.push_back(text); }
};

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

const std::string kPaymentPrefix =
    "Ошибка в параметрах BreakSumNAL или BreakSumVISA или BreakSummX ";

// A file that sets every key the reader takes, in mixed letter case and with the clean-ups at
// work (blanks, a tab, hexadecimal, decimal commas).
const std::vector<std::string> kFullFile = {
    " #-----------------------------------",
    " # comment without an equals sign",
    "SNO= dohrash ",
    "numcheck=\t42 ",
    "AuthorName=Кассир",
    "AuthorCaption= Иванов И.И. ",
    "AuthorINN=771234567890",
    "CheckCorrect_NAME=Акт",
    "CheckCorrect_DATE=01.02.2021",
    "CheckCorrect_NUM=7",
    "CheckCorrect_NDS=10,5 \"2,5\" 3",
    "ECheck= on",
    "DocumStr=DOC-1",
    "EmailOrTel=a@b.ru",
    "t1085=Имя",
    "t1086=Значение",
    "PoluchatelName=ООО Ромашка",
    "PoluchatelINN=7701000000",
    "CENA_AS_SUMMA=V1",
    "BreakSumm0=1",
    "BreakSumm9=2,5",
    "OPLATA=break",
    "BreakSumNAL=100",
    "BreakSumVISA=1 000,50",
    "HandMade=+",
    "AgentInfoINN1016= 123 ",
    "AgentInfoName1026=Агент",
    "suplierInfoINN1226=456",
    "suplierInfoName1225=Поставщик",
    "suplierInfoTel1171=+79990000000",
    "Name=$20",
    "Cena=0x0A",
    "Summa=x0C",
    "Kolvo=-3",
    "Fiscal= - ",
    "SUMMADOC=1 234,50",
    "Section=2",
    "CHECKSHAPKA1=  Магазин  ",
    "CHECKSHAPKA2=Строка 2",
    "CHECKSHAPKA3=",
    "CHECKSHAPKA4=Строка 4",
    "MESTORASCHETA=Москва",
    "VERSION_FFD=1.05",
    "Predmet=1",
    "Sposob=4",
    "PRN_WIDHT=48",
    "PRN_FONT=Courier New",
    "PRN_SIZEFONT=9",
    "PRN_SIZEFONT_ITOG=12",
    "PRN_SIZEFONT_QR=5",
    "PRN_SPACE_LEFT_QR=3",
    "PRN_WIDHT_ITOG=24",
    " INN=1",  // the blank belongs to the key: not INN
    "INN=7700000000",
    "INN=1",  // the first line of a key counts
    "ZN=0001",
    "USER=ООО Магазин",
    "ADDRES=ул. Ленина, 1",
    "WEBADDRES=nalog.ru",
    "REGNUMKKT=000111",
    "REGNUMFN=999",
    "prn_name=receipts",
    "ISPREVIEW=On",
    "PRN_HEX_CUT=1B69",
    "PRINT_PICTURE=+",
};

class ParamReaderTest : public ::testing::Test {
  protected:
    TempFolder dir;
    ScriptedPlatform platform;
    RecordingLogger log;
    TParam param;

    std::string Path() const { return dir.File("Param.ini"); }
    bool Read(const std::string& text) {
        dir.Write("Param.ini", text);
        return ReadParam(Path(), param, log, platform);
    }
    bool ReadBytes(const std::string& bytes) {
        dir.WriteBytes("Param.ini", bytes);
        return ReadParam(Path(), param, log, platform);
    }
    std::string ErrorFor(const std::string& text) const {
        return "ReadParam:" + Path() + " " + text;
    }
};

TEST_F(ParamReaderTest, ReadsEveryKey) {
    ASSERT_TRUE(Read(Lines(kFullFile)));
    EXPECT_TRUE(log.errors.empty());
    const TParam& p = param;
    EXPECT_EQ(p.SNO, "DOHRASH");
    EXPECT_EQ(p.NumCheck, "42");
    EXPECT_EQ(p.AuthorName, "Кассир");
    EXPECT_EQ(p.AuthorCaption, "Иванов И.И.");
    EXPECT_EQ(p.AuthorINN, "771234567890");
    EXPECT_EQ(p.CheckCorrect_NAME, "Акт");
    EXPECT_EQ(p.CheckCorrect_DATE, "01.02.2021");
    EXPECT_EQ(p.CheckCorrect_NUM, "7");
    EXPECT_EQ(p.CheckCorrect_NDS, (std::array<double, 10>{10, 5, 2.5, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(p.ECheck);
    EXPECT_EQ(p.DocumStr, "DOC-1");
    EXPECT_EQ(p.EmailOrTel, "a@b.ru");
    EXPECT_EQ(p.t1085, "Имя");
    EXPECT_EQ(p.t1086, "Значение");
    EXPECT_EQ(p.PoluchatelName, "ООО Ромашка");
    EXPECT_EQ(p.PoluchatelINN, "7701000000");
    EXPECT_TRUE(p.CENA_AS_SUMMA);
    EXPECT_EQ(p.CenaAsSummaMode, "v1");
    EXPECT_EQ(p.BreakSumm, (std::array<double, 10>{1, 0, 0, 0, 0, 0, 0, 0, 0, 2.5}));
    EXPECT_TRUE(p.BreakSummUsed);
    EXPECT_TRUE(p.OplataBreak);
    EXPECT_EQ(p.Oplata, "");
    EXPECT_DOUBLE_EQ(p.BreakSumNAL, 100);
    EXPECT_DOUBLE_EQ(p.BreakSumVISA, 1000.5);
    EXPECT_TRUE(p.HandMade);
    EXPECT_EQ(p.AgentInfoINN1016, "123");
    EXPECT_EQ(p.AgentInfoName1026, "Агент");
    EXPECT_EQ(p.suplierInfoINN1226, "456");
    EXPECT_EQ(p.suplierInfoName1225, "Поставщик");
    EXPECT_EQ(p.suplierInfoTel1171, "+79990000000");
    EXPECT_FALSE(p.NameFull);
    EXPECT_EQ(p.Name, 32);
    EXPECT_EQ(p.Cena, 10);
    EXPECT_EQ(p.Summa, 12);
    EXPECT_EQ(p.Kolvo, -3);
    EXPECT_TRUE(p.isNotFiscal);
    EXPECT_DOUBLE_EQ(p.SUMMADOC, 1234.5);
    EXPECT_EQ(p.Section, 2);
    EXPECT_EQ(p.CHECKSHAPKA1, "  Магазин  ");
    EXPECT_EQ(p.CHECKSHAPKA2, "Строка 2");
    EXPECT_EQ(p.CHECKSHAPKA3, "");
    EXPECT_EQ(p.CHECKSHAPKA4, "Строка 4");
    EXPECT_EQ(p.MESTORASCHETA, "Москва");
    EXPECT_DOUBLE_EQ(p.VERSION_FFD, 1.05);
    EXPECT_EQ(p.Predmet, 1);
    EXPECT_EQ(p.Sposob, 4);
    EXPECT_EQ(p.PRN_WIDHT, 48);
    EXPECT_EQ(p.PRN_FONT, "Courier New");
    EXPECT_EQ(p.PRN_SIZEFONT, 9);
    EXPECT_EQ(p.PRN_SIZEFONT_ITOG, 12);
    EXPECT_EQ(p.PRN_SIZEFONT_QR, 5);
    EXPECT_EQ(p.PRN_SPACE_LEFT_QR, 3);
    EXPECT_EQ(p.PRN_WIDHT_ITOG, 24);
    EXPECT_EQ(p.INN, "7700000000");
    EXPECT_EQ(p.ZN, "0001");
    EXPECT_EQ(p.USER, "ООО Магазин");
    EXPECT_EQ(p.ADDRES, "ул. Ленина, 1");
    EXPECT_EQ(p.WEBADDRES, "nalog.ru");
    EXPECT_EQ(p.REGNUMKKT, "000111");
    EXPECT_EQ(p.REGNUMFN, "999");
    EXPECT_EQ(p.PRN_NAME, "receipts");
    EXPECT_TRUE(p.ISPREVIEW);
    EXPECT_EQ(p.PRN_HEX_CUT, "1B69");
    EXPECT_TRUE(p.PRINT_PICTURE);
    EXPECT_EQ(platform.current, "Receipts");
}

TEST_F(ParamReaderTest, MinimalFileGivesTheDefaults) {
    // Everything set by an earlier read, so the defaults are really written, not just left.
    ASSERT_TRUE(Read(Lines(kFullFile)));
    ASSERT_TRUE(Read("Oplata=\r\n"));
    EXPECT_EQ(param.SNO, "");
    EXPECT_EQ(param.Oplata, "");
    EXPECT_FALSE(param.OplataBreak);
    EXPECT_FALSE(param.BreakSummUsed);
    EXPECT_EQ(param.BreakSumm, (std::array<double, 10>{}));
    EXPECT_EQ(param.CheckCorrect_NDS, (std::array<double, 10>{}));
    EXPECT_EQ(param.Section, 1);
    EXPECT_DOUBLE_EQ(param.VERSION_FFD, 1.0);
    EXPECT_EQ(param.Name, 0);
    EXPECT_FALSE(param.NameFull);
    EXPECT_FALSE(param.CENA_AS_SUMMA);
    EXPECT_EQ(param.CenaAsSummaMode, "v1");  // consulted only with CENA_AS_SUMMA: kept
    EXPECT_EQ(param.CHECKSHAPKA1, "");
    EXPECT_EQ(param.INN, "");
    EXPECT_EQ(param.PRN_NAME, "");
    EXPECT_FALSE(param.ISPREVIEW);
    EXPECT_FALSE(param.PRINT_PICTURE);
    EXPECT_EQ(platform.current, "Receipts");  // a blank PRN_NAME leaves the printer alone
}

struct FailureRow {
    const char* name;
    std::string file;
    std::string text;
};

TEST_F(ParamReaderTest, FailureTexts) {
    const std::vector<FailureRow> rows = {
        {"no Oplata", "SNO=OSN\r\n", kPaymentPrefix + "Не указан обязательный параметр Oplata"},
        {"Oplata twice", "Oplata=\r\noplata=VISA\r\n",
         kPaymentPrefix + "Параметр Oplata указан дважды!"},
        {"Oplata= in a comment", "Oplata=\r\n # write Oplata=VISA for cards\r\n",
         kPaymentPrefix + "Параметр Oplata указан дважды!"},
        {"split sum without BREAK", "BreakSumm3=5\r\nOplata=\r\n",
         kPaymentPrefix + "При использовании BreakSummX должно быть указано Oplata=Break"},
        {"BREAK without sums", "Oplata=BREAK\r\n",
         kPaymentPrefix +
             "Ошибка в параметрах BreakSumNAL или BreakSumVISA или BreakSummX:они не заполнены "
             "хотя указана Oplata=Break "},
        {"BREAK with a bad cash sum", "Oplata=Break\r\nBreakSumNAL=1.2.3\r\n",
         kPaymentPrefix + "Значение параметра BreakSumNAL не является числом: 1.2.3"},
        {"BREAK with a bad card sum", "Oplata=Break\r\nBreakSumNAL=5\r\nBreakSumVISA=1,5-\r\n",
         kPaymentPrefix + "Значение параметра BreakSumVISA не является числом: 1,5-"},
        {"unknown SNO", "SNO=USN\r\nOplata=\r\n",
         "Не верно указан параметр SNO\rОн может принимать значения OSN DOH DOHRASH ENVD ESN "
         "PATENT"},
        {"part of an SNO code", "SNO=SN\r\nOplata=\r\n",
         "Не верно указан параметр SNO\rОн может принимать значения OSN DOH DOHRASH ENVD ESN "
         "PATENT"},
        {"two SNO codes", "SNO=OSN DOH\r\nOplata=\r\n",
         "Не верно указан параметр SNO\rОн может принимать значения OSN DOH DOHRASH ENVD ESN "
         "PATENT"},
        {"AuthorINN with a letter", "AuthorINN= 77a1 \r\nOplata=\r\n",
         "в параметре AuthorINN должны быть только цифры 77a1"},
        {"PoluchatelINN with a letter", "PoluchatelINN=ИНН\r\nOplata=\r\n",
         "в параметре PoluchatelINN должны быть только цифры ИНН"},
        {"blank before = on line 3", "Oplata=\r\n # x\r\nSNO =OSN\r\nZN=1\r\n",
         "В строке 3 Param.ini ПЕРЕД знаком \"=\" обнаружен недопустимый символ ( )20hex или "
         "32dec"},
        {"blank before = on the last line", "Oplata=\r\nZN =1",
         "В строке 2 Param.ini ПЕРЕД знаком \"=\" обнаружен недопустимый символ ( )20hex или "
         "32dec"},
        {"tab before =", "\r\nSNO\t=OSN\r\nOplata=\r\n",
         "В строке 2 Param.ini ПЕРЕД знаком \"=\" обнаружен недопустимый символ (\t)09hex или "
         "9dec"},
        {"control character before =", "Oplata=\r\nA\x1f=1\r\n",
         "В строке 2 Param.ini ПЕРЕД знаком \"=\" обнаружен недопустимый символ (\x1f)1Fhex или "
         "31dec"},
        {"printer not found", "Oplata=\r\nPRN_NAME=Kitchen\r\n",
         "Не найден принтер Kitchen\rсреди:\rOffice\rReceipts\r"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        log.errors.clear();
        param = TParam{};
        EXPECT_FALSE(Read(row.file));
        EXPECT_EQ(log.errors, std::vector<std::string>{ErrorFor(row.text)});
    }
}

TEST_F(ParamReaderTest, NulBeforeEqualsIsReportedWithoutTheNulItself) {
    EXPECT_FALSE(ReadBytes("Oplata=\r\nSNO\0=OSN\r\n"s));
    EXPECT_EQ(log.errors,
              std::vector<std::string>{ErrorFor(
                  "В строке 2 Param.ini ПЕРЕД знаком \"=\" обнаружен недопустимый символ (?)00hex "
                  "или 0dec")});
}

TEST_F(ParamReaderTest, AcceptedSpellings) {
    const std::vector<std::string> files = {
        "=starts with an equals sign\r\nOplata=\r\n",
        "Oplata=\r\nSNO=\r\n",
        "Oplata=\r\nSNO=   \r\n",
        "Oplata=\r\nSNO=esn\r\n",
        "Oplata=\r\nAuthorINN=\r\nPoluchatelINN=  \r\n",
        "Oplata=break\r\nBreakSumNAL=50\r\n",
        "Oplata=Break\r\nBreakSumm4=1\r\n",
        "Oplata=BREAK\r\nBreakSumVISA=0,01\r\n",
        "Oplata=BREAK\r\nBreakSumNAL=abc\r\nBreakSumm0=1\r\n",  // a letter reads as 0
        "Oplata=\r\nBreakSumm3=abc\r\n",
        "Oplata=VISA\r\nPRN_NAME=  \r\n",
    };
    platform.printers.clear();
    for (const auto& file : files) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(Read(file));
    }
    EXPECT_TRUE(log.errors.empty());
}

TEST_F(ParamReaderTest, PaymentVariants) {
    ASSERT_TRUE(Read("Oplata=break\r\nBreakSumNAL=50\r\n"));
    EXPECT_TRUE(param.OplataBreak);
    EXPECT_EQ(param.Oplata, "");
    EXPECT_DOUBLE_EQ(param.BreakSumNAL, 50);
    EXPECT_DOUBLE_EQ(param.BreakSumVISA, 0);
    EXPECT_FALSE(param.BreakSummUsed);

    ASSERT_TRUE(Read("Oplata= VISA\t\r\n"));
    EXPECT_FALSE(param.OplataBreak);
    EXPECT_EQ(param.Oplata, "VISA");

    ASSERT_TRUE(Read("Oplata=\r\n"));
    EXPECT_EQ(param.Oplata, "");  // cash
}

struct ValueRow {
    std::string line;
    std::function<void(const TParam&)> check;
};

TEST_F(ParamReaderTest, ValueCleanUps) {
    const std::vector<ValueRow> rows = {
        {"SNO=osn", [](const TParam& p) { EXPECT_EQ(p.SNO, "OSN"); }},
        {"SNO= Patent ", [](const TParam& p) { EXPECT_EQ(p.SNO, "PATENT"); }},
        {"Cena=$1F", [](const TParam& p) { EXPECT_EQ(p.Cena, 31); }},
        {"Cena=x10", [](const TParam& p) { EXPECT_EQ(p.Cena, 16); }},
        {"Cena=0X1f", [](const TParam& p) { EXPECT_EQ(p.Cena, 31); }},
        {"Cena=-0x10", [](const TParam& p) { EXPECT_EQ(p.Cena, -16); }},
        {"Cena=  12", [](const TParam& p) { EXPECT_EQ(p.Cena, 12); }},
        {"Cena=+7", [](const TParam& p) { EXPECT_EQ(p.Cena, 7); }},
        {"Cena=12 ", [](const TParam& p) { EXPECT_EQ(p.Cena, 0); }},
        {"Cena=1.5", [](const TParam& p) { EXPECT_EQ(p.Cena, 0); }},
        {"Cena=0xG", [](const TParam& p) { EXPECT_EQ(p.Cena, 0); }},
        {"Cena=99999999999", [](const TParam& p) { EXPECT_EQ(p.Cena, 0); }},
        {"Section=0", [](const TParam& p) { EXPECT_EQ(p.Section, 0); }},
        {"Section=", [](const TParam& p) { EXPECT_EQ(p.Section, 1); }},
        {"Section=two", [](const TParam& p) { EXPECT_EQ(p.Section, 1); }},
        {"Name=FULL",
         [](const TParam& p) {
             EXPECT_TRUE(p.NameFull);
             EXPECT_EQ(p.Name, 0);
         }},
        {"NAME= full ", [](const TParam& p) { EXPECT_TRUE(p.NameFull); }},
        {"Name=40",
         [](const TParam& p) {
             EXPECT_FALSE(p.NameFull);
             EXPECT_EQ(p.Name, 40);
         }},
        {"HandMade=+", [](const TParam& p) { EXPECT_TRUE(p.HandMade); }},
        {"HandMade=+ ", [](const TParam& p) { EXPECT_FALSE(p.HandMade); }},
        {"PRINT_PICTURE= +", [](const TParam& p) { EXPECT_FALSE(p.PRINT_PICTURE); }},
        {"ECheck=OFF", [](const TParam& p) { EXPECT_FALSE(p.ECheck); }},
        {"ECheck=\ton\t", [](const TParam& p) { EXPECT_TRUE(p.ECheck); }},
        {"ISPREVIEW=on ", [](const TParam& p) { EXPECT_TRUE(p.ISPREVIEW); }},
        {"Fiscal=-", [](const TParam& p) { EXPECT_TRUE(p.isNotFiscal); }},
        {"Fiscal=+", [](const TParam& p) { EXPECT_FALSE(p.isNotFiscal); }},
        {"CENA_AS_SUMMA=+",
         [](const TParam& p) {
             EXPECT_TRUE(p.CENA_AS_SUMMA);
             EXPECT_EQ(p.CenaAsSummaMode, "v1");
         }},
        {"CENA_AS_SUMMA=v2", [](const TParam& p) { EXPECT_FALSE(p.CENA_AS_SUMMA); }},
        {"SUMMADOC=1 234,50", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.SUMMADOC, 1234.5); }},
        {"SUMMADOC=12р", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.SUMMADOC, 0); }},
        {"SUMMADOC=\"1'000\"", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.SUMMADOC, 1000); }},
        {"SUMMADOC=1\u00A0000.25", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.SUMMADOC, 1000.25); }},
        {"SUMMADOC=-5", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.SUMMADOC, -5); }},
        {"SUMMADOC=1.2.3", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.SUMMADOC, 0); }},
        {"VERSION_FFD=1.1", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.VERSION_FFD, 1.1); }},
        {"VERSION_FFD= 1.2 ", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.VERSION_FFD, 1.2); }},
        {"VERSION_FFD=1,05", [](const TParam& p) { EXPECT_DOUBLE_EQ(p.VERSION_FFD, 1.0); }},
        {"NumCheck=\x01"
         "A\x1e"
         "B\x1f"
         "C\x1f",
         [](const TParam& p) {
             EXPECT_EQ(p.NumCheck,
                       "A B\x1f"
                       "C");
         }},
        {"CHECKSHAPKA2= a=b ", [](const TParam& p) { EXPECT_EQ(p.CHECKSHAPKA2, " a=b "); }},
        {"AgentInfoName1026=\tАгент\t",
         [](const TParam& p) { EXPECT_EQ(p.AgentInfoName1026, "Агент"); }},
        {"AuthorINN=123", [](const TParam& p) { EXPECT_EQ(p.AuthorINN, "123"); }},
        {"CheckCorrect_NDS=1,,2",
         [](const TParam& p) {
             EXPECT_EQ(p.CheckCorrect_NDS, (std::array<double, 10>{1, 0, 2, 0, 0, 0, 0, 0, 0, 0}));
         }},
        {"CheckCorrect_NDS=1,2,3,4,5,6,7,8,9,10,11",
         [](const TParam& p) {
             EXPECT_EQ(p.CheckCorrect_NDS, (std::array<double, 10>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
         }},
        {"CheckCorrect_NDS=  7 ,  abc \"1 2\" \"3,5",
         [](const TParam& p) {
             EXPECT_EQ(p.CheckCorrect_NDS,
                       (std::array<double, 10>{7, 0, 0, 3.5, 0, 0, 0, 0, 0, 0}));
         }},
        {"CheckCorrect_NDS=\"1,25\"\"\",-2.5",
         [](const TParam& p) {
             EXPECT_EQ(p.CheckCorrect_NDS,
                       (std::array<double, 10>{0, -2.5, 0, 0, 0, 0, 0, 0, 0, 0}));
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        param = TParam{};
        ASSERT_TRUE(Read("Oplata=\r\n" + row.line + "\r\n"));
        row.check(param);
    }
    EXPECT_TRUE(log.errors.empty());
}

TEST_F(ParamReaderTest, FieldsAfterAFailureKeepThePreviousRead) {
    ASSERT_TRUE(Read(Lines(kFullFile)));
    const TParam first = param;

    // Fails at AuthorINN (key 5): keys 1-4 are new, the rest as the first read left them.
    EXPECT_FALSE(
        Read("NumCheck=2\r\nAuthorINN=12a\r\nCheckCorrect_NAME=new\r\nOplata=\r\nINN=1\r\n"));
    EXPECT_EQ(param.SNO, "");
    EXPECT_EQ(param.NumCheck, "2");
    EXPECT_EQ(param.AuthorName, "");
    EXPECT_EQ(param.AuthorINN, first.AuthorINN);
    EXPECT_EQ(param.CheckCorrect_NAME, first.CheckCorrect_NAME);
    EXPECT_EQ(param.CheckCorrect_NDS, first.CheckCorrect_NDS);
    EXPECT_EQ(param.OplataBreak, first.OplataBreak);
    EXPECT_DOUBLE_EQ(param.BreakSumVISA, first.BreakSumVISA);
    EXPECT_EQ(param.INN, first.INN);
    EXPECT_EQ(param.Section, first.Section);

    // Fails in the payment block: keys 1-17 new, sums reset, Oplata stored, the tail kept.
    EXPECT_FALSE(Read("SNO=OSN\r\nBreakSumm3=5\r\nOplata=VISA\r\nINN=1\r\nSection=9\r\n"));
    EXPECT_EQ(param.SNO, "OSN");
    EXPECT_EQ(param.AuthorINN, "");
    EXPECT_EQ(param.CheckCorrect_NAME, "");
    EXPECT_EQ(param.CheckCorrect_NDS, (std::array<double, 10>{}));
    EXPECT_FALSE(param.CENA_AS_SUMMA);
    EXPECT_DOUBLE_EQ(param.BreakSumNAL, 0);
    EXPECT_DOUBLE_EQ(param.BreakSumVISA, 0);
    EXPECT_EQ(param.BreakSumm, (std::array<double, 10>{0, 0, 0, 5, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(param.BreakSummUsed);
    EXPECT_EQ(param.Oplata, "VISA");
    EXPECT_EQ(param.OplataBreak, first.OplataBreak);
    EXPECT_EQ(param.HandMade, first.HandMade);
    EXPECT_EQ(param.INN, first.INN);
    EXPECT_EQ(param.Section, first.Section);
    EXPECT_EQ(param.PRN_NAME, first.PRN_NAME);

    // A blank before "=" stops the read before any field.
    const TParam before = param;
    EXPECT_FALSE(Read("SNO=ENVD\r\nOplata=\r\nZN =5\r\n"));
    EXPECT_EQ(param.SNO, before.SNO);
    EXPECT_EQ(param.Oplata, before.Oplata);
    EXPECT_EQ(param.ZN, before.ZN);

    // An unknown printer fails after every field has been read.
    EXPECT_FALSE(Read("Oplata=\r\nZN=77\r\nPRN_NAME=Nowhere\r\n"));
    EXPECT_EQ(param.ZN, "77");
    EXPECT_EQ(param.PRN_NAME, "Nowhere");
    EXPECT_EQ(log.errors.size(), 4u);
}

TEST_F(ParamReaderTest, SplitSumsDoNotSurviveIntoTheNextRead) {
    ASSERT_TRUE(Read("Oplata=BREAK\r\nBreakSumVISA=30\r\nBreakSumm2=4\r\n"));
    EXPECT_DOUBLE_EQ(param.BreakSumVISA, 30);
    ASSERT_TRUE(Read("Oplata=\r\n"));
    EXPECT_DOUBLE_EQ(param.BreakSumVISA, 0);
    EXPECT_DOUBLE_EQ(param.BreakSumm[2], 0);
    EXPECT_FALSE(param.BreakSummUsed);
    EXPECT_FALSE(param.OplataBreak);
}

TEST_F(ParamReaderTest, PrinterLookUp) {
    platform.printers = {"Office", "RECEIPTS", " receipts "};
    ASSERT_TRUE(Read("Oplata=\r\nPRN_NAME= Receipts\t\r\n"));
    EXPECT_EQ(platform.current, "RECEIPTS");  // the first match, by its installed name

    platform.printers = {" Kitchen "};
    ASSERT_TRUE(Read("Oplata=\r\nPRN_NAME=kitchen\r\n"));
    EXPECT_EQ(platform.current, " Kitchen ");

    platform.printers.clear();
    platform.current = "Default";
    ASSERT_TRUE(Read("Oplata=\r\nPRN_NAME=\r\n"));
    EXPECT_EQ(platform.current, "Default");

    EXPECT_FALSE(Read("Oplata=\r\nPRN_NAME=Office\r\n"));
    EXPECT_EQ(log.errors, std::vector<std::string>{ErrorFor("Не найден принтер Office\rсреди:\r")});
    EXPECT_EQ(platform.current, "Default");
}

TEST_F(ParamReaderTest, FileThatCannotBeRead) {
    EXPECT_FALSE(ReadParam(dir.File("missing.ini"), param, log, platform));
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(
        log.errors[0].rfind("ReadParam:" + dir.File("missing.ini") + " Не удается открыть файл", 0),
        0u)
        << log.errors[0];

    EXPECT_FALSE(ReadParam(dir.Path(), param, log, platform));  // a folder
    EXPECT_EQ(log.errors.size(), 2u);
}

TEST_F(ParamReaderTest, ByteOrderMarkAndLineEnds) {
    ASSERT_TRUE(ReadBytes("\xEF\xBB\xBFOplata=VISA\rSNO=osn\nZN=5"));
    EXPECT_EQ(param.Oplata, "VISA");
    EXPECT_EQ(param.SNO, "OSN");
    EXPECT_EQ(param.ZN, "5");

    EXPECT_FALSE(ReadBytes("\xEF\xBB\xBF"));
    EXPECT_EQ(log.errors.back(),
              ErrorFor(kPaymentPrefix + "Не указан обязательный параметр Oplata"));
}

// --- robustness: every input ends in true or in one error line, never in a crash or a hang ---

class ParamReaderFuzz : public ParamReaderTest {
  protected:
    void Expect(const std::string& bytes) {
        const size_t errorsBefore = log.errors.size();
        const bool ok = ReadBytes(bytes);
        const size_t added = log.errors.size() - errorsBefore;
        if (ok) {
            EXPECT_EQ(added, 0u);
        } else {
            ASSERT_EQ(added, 1u);
            EXPECT_EQ(log.errors.back().rfind("ReadParam:" + Path() + " ", 0), 0u);
        }
    }
};

TEST_F(ParamReaderFuzz, RandomBytes) {
    std::mt19937 rng(20240517);
    // Bytes weighted towards what the reader reacts to.
    const std::string alphabet = "=\r\n \t\"$x0,.-+\0OplataBREAKSNOsnoPRN_NAMEBreakSumm19"s;
    for (int round = 0; round < 300; ++round) {
        const size_t length = rng() % 2048;
        std::string bytes;
        for (size_t i = 0; i < length; ++i) {
            bytes += (rng() % 3 == 0) ? static_cast<char>(rng() % 256)
                                      : alphabet[rng() % alphabet.size()];
        }
        if (round % 2 == 0)
            bytes = "Oplata=\r\n" + bytes;
        Expect(bytes);
    }
}

TEST_F(ParamReaderFuzz, BigFiles) {
    std::mt19937 rng(7);
    std::string garbage(1 << 20, '\0');
    for (auto& c : garbage)
        c = static_cast<char>(rng() % 256);
    Expect(garbage);
    Expect("Oplata=\r\n" + garbage);

    // One line of a megabyte, no line break at all.
    Expect("Oplata=" + std::string(1 << 20, 'A'));
    EXPECT_TRUE(ReadBytes("Oplata=VISA\r\nZN=" + std::string(1 << 20, '7')));
    EXPECT_EQ(param.ZN.size(), 1u << 20);

    // A megabyte of short unknown keys, then the real ones at the end: the look-up must stay
    // linear in the number of lines.
    std::string many;
    for (int i = 0; many.size() < (1u << 20); ++i)
        many += "K" + std::to_string(i) + "=v\r\n";
    EXPECT_TRUE(ReadBytes(many + "Oplata=VISA\r\nSNO=DOH\r\n"));
    EXPECT_EQ(param.SNO, "DOH");

    // A megabyte of Oplata lines.
    std::string oplata;
    while (oplata.size() < (1u << 20))
        oplata += "Oplata=\r\n";
    EXPECT_FALSE(ReadBytes(oplata));
    EXPECT_EQ(log.errors.back(), ErrorFor(kPaymentPrefix + "Параметр Oplata указан дважды!"));
}

TEST_F(ParamReaderFuzz, NulBytes) {
    Expect(std::string(1, '\0'));
    Expect(std::string(4096, '\0'));
    EXPECT_TRUE(ReadBytes("Oplata=\0VISA\r\nZN=1\0\0\r\nCheckCorrect_NDS=1\0,2\r\n"s));
    EXPECT_EQ(param.CheckCorrect_NDS[0], 1);
    EXPECT_EQ(param.CheckCorrect_NDS[1], 0);
}

}  // namespace
}  // namespace orvenka
