#include "receipt/param_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/text.h"
#include "receipt/param_reader.h"
#include "support/param_template.h"
#include "support/run_unprivileged.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using test::FileBytes;
using test::RecordingLogger;
using test::ScriptedPlatform;
using test::TempFolder;
using test::WithHeader;

const std::string kSnoFailure =
    "Не верно указан параметр SNO\rОн может принимать значения OSN DOH DOHRASH ENVD ESN PATENT";

// Every field the writer writes, none at its "not written" value.
TParam FullParam() {
    TParam p;
    p.CHECKSHAPKA1 = "  Магазин  ";
    p.CHECKSHAPKA2 = "Строка 2";
    p.CHECKSHAPKA3 = "Строка 3";
    p.CHECKSHAPKA4 = "Строка 4";
    p.SNO = "dohrash";
    p.NumCheck = "42";
    p.AuthorName = "Кассир";
    p.AuthorCaption = "Иванов И.И.";
    p.AuthorINN = "771234567890";
    p.OplataBreak = true;
    p.BreakSumNAL = 100.25;
    p.BreakSumVISA = 0.1;
    p.Predmet = 1;
    p.Sposob = 4;
    p.DocumStr = " DOC-1 ";
    p.EmailOrTel = "a@b.ru";
    p.ECheck = true;
    p.HandMade = true;
    p.Cena = 10;
    p.Kolvo = 8;
    p.Summa = 12;
    p.Name = 32;
    p.isNotFiscal = true;
    p.SUMMADOC = 1234.5;
    p.Section = 2;
    p.INN = "7700000000";
    p.ZN = "0001";
    p.USER = "ООО Магазин";
    p.ADDRES = "ул. Ленина, 1";
    p.WEBADDRES = "nalog.ru";
    p.REGNUMKKT = "000111";
    p.REGNUMFN = "999";
    p.PRN_WIDHT = 48;
    p.PRN_WIDHT_ITOG = 24;
    p.PRN_FONT = "Courier New";
    p.PRN_SIZEFONT = 9;
    p.PRN_SIZEFONT_ITOG = 12;
    p.PRN_SIZEFONT_QR = 5;
    p.PRN_SPACE_LEFT_QR = 3;
    p.PRINT_PICTURE = true;
    p.PRN_NAME = "Receipts";
    p.ISPREVIEW = true;
    p.PRN_HEX_CUT = "1B69";
    p.MESTORASCHETA = "Торговый зал";
    return p;
}

class ParamWriterTest : public ::testing::Test {
  protected:
    TempFolder dir;
    std::string Path() const { return dir.File("Param.ini"); }
};

TEST_F(ParamWriterTest, EmptyRecordGivesHeaderAndThreeEntries) {
    EXPECT_TRUE(WriteParam(Path(), TParam{}));
    EXPECT_EQ(dir.ReadBytes("Param.ini"),
              FileBytes(WithHeader({"Oplata=", "ECheck=OFF", "Fiscal="})));
}

TEST_F(ParamWriterTest, EveryEntryInOrder) {
    ASSERT_TRUE(WriteParam(Path(), FullParam()));
    EXPECT_EQ(dir.ReadBytes("Param.ini"), FileBytes(WithHeader({
                                              "CHECKSHAPKA1=  Магазин  ",
                                              "CHECKSHAPKA2=Строка 2",
                                              "CHECKSHAPKA3=Строка 3",
                                              "CHECKSHAPKA4=Строка 4",
                                              "SNO=DOHRASH",
                                              "NumCheck=42",
                                              "AuthorName=Кассир",
                                              "AuthorCaption=Иванов И.И.",
                                              "AuthorINN=771234567890",
                                              "Oplata=BREAK",
                                              "BreakSumNAL=100.25",
                                              "BreakSumVISA=0.1",
                                              "Predmet=1",
                                              "Sposob=4",
                                              "DocumStr=DOC-1",
                                              "EmailOrTel=a@b.ru",
                                              "ECheck=ON",
                                              "HandMade=+",
                                              "CENA=10",
                                              "KOLVO=8",
                                              "SUMMA=12",
                                              "NAME=32",
                                              "Fiscal=-",
                                              "SUMMADOC=1234.5",
                                              "Section=2",
                                              "INN=7700000000",
                                              "ZN=0001",
                                              "USER=ООО Магазин",
                                              "ADDRES=ул. Ленина, 1",
                                              "WEBADDRES=nalog.ru",
                                              "REGNUMKKT=000111",
                                              "REGNUMFN=999",
                                              "PRN_WIDHT=48",
                                              "PRN_WIDHT_ITOG=24",
                                              "PRN_FONT=Courier New",
                                              "PRN_SIZEFONT=9",
                                              "PRN_SIZEFONT_ITOG=12",
                                              "PRN_SIZEFONT_QR=5",
                                              "PRN_SPACE_LEFT_QR=3",
                                              "PRINT_PICTURE=+",
                                              "PRN_NAME=Receipts",
                                              "ISPREVIEW=ON",
                                              "PRN_HEX_CUT=1B69",
                                              "MESTORASCHETA=Торговый зал",
                                          })));
}

struct EntryRow {
    const char* name;
    std::function<void(TParam&)> set;
    std::vector<std::string> entries;  // after the header
};

TEST_F(ParamWriterTest, Conditions) {
    const std::vector<EntryRow> rows = {
        {"plain Oplata",
         [](TParam& p) { p.Oplata = "VISA"; },
         {"Oplata=VISA", "ECheck=OFF", "Fiscal="}},
        {"NameFull wins over Name",
         [](TParam& p) {
             p.NameFull = true;
             p.Name = 40;
         },
         {"Oplata=", "ECheck=OFF", "NAME=FULL", "Fiscal="}},
        {"negative integers are non-zero",
         [](TParam& p) {
             p.Cena = -1;
             p.Section = -2;
         },
         {"Oplata=", "ECheck=OFF", "CENA=-1", "Fiscal=", "Section=-2"}},
        {"blank texts are not written",
         [](TParam& p) {
             p.CHECKSHAPKA1 = "   ";
             p.SNO = "  ";
             p.DocumStr = "  ";
             p.PRN_NAME = " ";
         },
         {"Oplata=", "ECheck=OFF", "Fiscal="}},
        {"SNO upper-cased and trimmed",
         [](TParam& p) { p.SNO = " osn "; },
         {"SNO=OSN", "Oplata=", "ECheck=OFF", "Fiscal="}},
        {"SUMMADOC in general form",
         [](TParam& p) { p.SUMMADOC = 1234.5; },
         {"Oplata=", "ECheck=OFF", "Fiscal=", "SUMMADOC=1234.5"}},
        {"whole SUMMADOC",
         [](TParam& p) { p.SUMMADOC = 100; },
         {"Oplata=", "ECheck=OFF", "Fiscal=", "SUMMADOC=100"}},
        // The money rule of the reader takes digits, "-" and "." only: an exponent would read
        // as 0 (and a split payment of 0 is refused).
        {"sums without an exponent, however small or large",
         [](TParam& p) {
             p.OplataBreak = true;
             p.BreakSumNAL = 1e-7;
             p.BreakSumVISA = -2.5e15;
             p.SUMMADOC = 1234567890123456789.0;
         },
         {"Oplata=BREAK", "BreakSumNAL=0.0000001", "BreakSumVISA=-2500000000000000", "ECheck=OFF",
          "Fiscal=", "SUMMADOC=1234567890123456768"}},
        {"BREAK with zero sums",
         [](TParam& p) { p.OplataBreak = true; },
         {"Oplata=BREAK", "BreakSumNAL=0", "BreakSumVISA=0", "ECheck=OFF", "Fiscal="}},
        {"a line break cannot start an entry of its own",
         [](TParam& p) { p.CHECKSHAPKA1 = "a\r\nSNO=DOH"; },
         {"CHECKSHAPKA1=a  SNO=DOH", "Oplata=", "ECheck=OFF", "Fiscal="}},
        {"fields the writer does not handle",
         [](TParam& p) {
             p.t1085 = "x";
             p.PoluchatelINN = "1";
             p.CENA_AS_SUMMA = true;
             p.BreakSumm[0] = 5;
             p.VERSION_FFD = 1.05;
             p.CheckCorrect_NAME = "A";
             p.AgentInfoINN1016 = "1";
         },
         {"Oplata=", "ECheck=OFF", "Fiscal="}},
        {"the place of settlement after the template's own keys",
         [](TParam& p) {
             p.MESTORASCHETA = "Склад";
             p.PRN_HEX_CUT = "1B";
         },
         {"Oplata=", "ECheck=OFF", "Fiscal=", "PRN_HEX_CUT=1B", "MESTORASCHETA=Склад"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TParam p;
        row.set(p);
        ASSERT_TRUE(WriteParam(Path(), p));
        EXPECT_EQ(dir.ReadBytes("Param.ini"), FileBytes(WithHeader(row.entries)));
    }
}

TEST_F(ParamWriterTest, BadSnoWritesNothing) {
    TParam p;
    p.SNO = "usn";
    try {
        WriteParam(Path(), p);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.what(), kSnoFailure);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    dir.WriteBytes("Param.ini", "Oplata=VISA\r\n");
    p.SNO = "SN";  // a piece of a code is no code
    EXPECT_THROW(WriteParam(Path(), p), Failure);
    EXPECT_EQ(dir.ReadBytes("Param.ini"), "Oplata=VISA\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

// A second line holding "Oplata=" would make the reader refuse the file on every receipt.
TEST_F(ParamWriterTest, AValueHoldingOplataIsRefusedAndNothingWritten) {
    dir.WriteBytes("Param.ini", "Oplata=VISA\r\n");
    const struct {
        const char* name;
        std::function<void(TParam&)> set;
        std::string failure;
    } rows[] = {
        {"a header line", [](TParam& p) { p.CHECKSHAPKA2 = "Итого oplata=наличные"; },
         "Значение параметра CHECKSHAPKA2 не может содержать текст Oplata=: Итого "
         "oplata=наличные"},
        {"the seller's name", [](TParam& p) { p.USER = "OPLATA="; },
         "Значение параметра USER не может содержать текст Oplata=: OPLATA="},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TParam p;
        row.set(p);
        try {
            WriteParam(Path(), p);
            FAIL() << "written";
        } catch (const Failure& f) {
            EXPECT_EQ(std::string(f.what()), row.failure);
        }
        EXPECT_EQ(dir.ReadBytes("Param.ini"), "Oplata=VISA\r\n");
    }
    TParam plain;
    plain.Oplata = "oplata";  // the word alone is no second key
    EXPECT_TRUE(WriteParam(Path(), plain));
}

TEST_F(ParamWriterTest, ReplacesAnExistingFileAndReportsAnUnwritableOne) {
    dir.Write("Param.ini", "SNO=OSN\r\nOplata=VISA\r\nZN=123\r\n");
    ASSERT_TRUE(WriteParam(Path(), TParam{}));
    EXPECT_EQ(dir.ReadBytes("Param.ini"),
              FileBytes(WithHeader({"Oplata=", "ECheck=OFF", "Fiscal="})));

    EXPECT_THROW(WriteParam(dir.File("no-such-folder/Param.ini"), TParam{}), Failure);
}

struct KeptRow {
    const char* name;
    std::vector<std::string> read;  // the lines of the file the record came from
    std::vector<std::string> kept;  // what follows the template's entries
};

TEST_F(ParamWriterTest, LinesOfTheReadFileTheTemplateDoesNotWriteFollowIt) {
    const std::vector<KeptRow> rows = {
        {"keys the template leaves alone, in the file's order",
         {"VERSION_FFD=1.2", "Oplata=VISA", "t1085=имя", "BreakSumm3=5", "AgentInfoINN1016=77"},
         {"VERSION_FFD=1.2", "t1085=имя", "BreakSumm3=5", "AgentInfoINN1016=77"}},
        {"the template's keys in any case are its own",
         {"sno=DOH", "Cena=12", "name=40", "mestoRascheta=Зал", "Section=0", "prn_name=X", "Z=1"},
         {"Z=1"}},
        {"unknown keys, duplicates and comments stay; the header does not repeat",
         {" #-----------------------------------", " # Файл параметров для печати чека", " #",
          " # мой комментарий", "", "Foo=1", "Foo=2", " SNO=OSN"},
         {" # мой комментарий", "", "Foo=1", "Foo=2", " SNO=OSN"}},
        {"a second line holding Oplata= would make the file unreadable",
         {"XOplata=VISA", "Note=see oplata=cash", "Keep=yes"},
         {"Keep=yes"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(WriteParam(Path(), TParam{}, row.read));
        std::vector<std::string> entries = {"Oplata=", "ECheck=OFF", "Fiscal="};
        entries.insert(entries.end(), row.kept.begin(), row.kept.end());
        EXPECT_EQ(dir.ReadBytes("Param.ini"), FileBytes(WithHeader(entries)));
    }
}

// Every key the template writes replaces the read file's line of that key: a missing one in the
// writer's list would leave a stale second line behind.
TEST_F(ParamWriterTest, EveryTemplateKeyReplacesTheReadLine) {
    ASSERT_TRUE(WriteParam(Path(), FullParam()));
    const std::string alone = dir.ReadBytes("Param.ini");
    std::vector<std::string> read;
    for (const auto& line : SplitLines(Cp1251ToUtf8(alone))) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        read.push_back(line.substr(0, eq) + "=старое");
        read.push_back(UpperRus(line.substr(0, eq)) + "=старое");
    }
    ASSERT_EQ(read.size(), 2 * 44u);
    ASSERT_TRUE(WriteParam(Path(), FullParam(), read));
    EXPECT_EQ(dir.ReadBytes("Param.ini"), alone);
}

TEST_F(ParamWriterTest, RefusesAFolderAndAReadOnlyFileAndLeavesThemAlone) {
    std::filesystem::create_directory(dir.File("Folder.ini"));
    try {
        WriteParam(dir.File("Folder.ini"), TParam{});
        FAIL() << "a folder was written";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()), "Не удалось записать файл \"" + dir.File("Folder.ini") +
                                             "\": это папка, а не файл");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Folder.ini")));

    // Read-only for everybody: refused even for root, who could rename over it.
    dir.WriteBytes("Param.ini", "Oplata=VISA\r\n");
    ::chmod(Path().c_str(), 0444);
    try {
        WriteParam(Path(), TParam{});
        FAIL() << "a read-only file was replaced";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "Не удалось записать файл \"" + Path() + "\": файл только для чтения");
    }
    EXPECT_EQ(dir.ReadBytes("Param.ini"), "Oplata=VISA\r\n");

    // Writable by its owner only: another user may not replace it, though the folder is open.
    if (::geteuid() == 0) {
        ::chmod(Path().c_str(), 0644);
        test::OpenToAll(dir.Path(), true);
        const auto answer = test::RunUnprivileged([&] {
            try {
                WriteParam(Path(), TParam{});
                return std::string("saved");
            } catch (const Failure& f) {
                return std::string(f.what());
            }
        });
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(*answer, "Не удалось записать файл \"" + Path() + "\": файл только для чтения");
        EXPECT_EQ(dir.ReadBytes("Param.ini"), "Oplata=VISA\r\n");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(ParamWriterTest, ALinkIsFollowedNotReplaced) {
    std::filesystem::create_directory(dir.File("real"));
    dir.WriteBytes("real/Param.ini", "Oplata=VISA\r\n");
    std::filesystem::create_symlink(dir.File("real/Param.ini"), Path());
    ASSERT_TRUE(WriteParam(Path(), TParam{}));
    EXPECT_TRUE(std::filesystem::is_symlink(Path()));
    EXPECT_EQ(dir.ReadBytes("real/Param.ini"),
              FileBytes(WithHeader({"Oplata=", "ECheck=OFF", "Fiscal="})));
}

// Written, then read back: every key the writer wrote gives its value back.
TEST_F(ParamWriterTest, RoundTripThroughTheReader) {
    ScriptedPlatform platform;
    RecordingLogger log;

    const TParam written = FullParam();
    ASSERT_TRUE(WriteParam(Path(), written));
    TParam r;
    ASSERT_TRUE(ReadParam(Path(), r, log, platform)) << (log.errors.empty() ? "" : log.errors[0]);
    EXPECT_EQ(r.CHECKSHAPKA1, written.CHECKSHAPKA1);
    EXPECT_EQ(r.CHECKSHAPKA2, written.CHECKSHAPKA2);
    EXPECT_EQ(r.CHECKSHAPKA3, written.CHECKSHAPKA3);
    EXPECT_EQ(r.CHECKSHAPKA4, written.CHECKSHAPKA4);
    EXPECT_EQ(r.SNO, "DOHRASH");
    EXPECT_EQ(r.NumCheck, written.NumCheck);
    EXPECT_EQ(r.AuthorName, written.AuthorName);
    EXPECT_EQ(r.AuthorCaption, written.AuthorCaption);
    EXPECT_EQ(r.AuthorINN, written.AuthorINN);
    EXPECT_TRUE(r.OplataBreak);
    EXPECT_EQ(r.Oplata, "");
    EXPECT_DOUBLE_EQ(r.BreakSumNAL, written.BreakSumNAL);
    EXPECT_DOUBLE_EQ(r.BreakSumVISA, written.BreakSumVISA);
    EXPECT_EQ(r.Predmet, written.Predmet);
    EXPECT_EQ(r.Sposob, written.Sposob);
    EXPECT_EQ(r.DocumStr, "DOC-1");
    EXPECT_EQ(r.EmailOrTel, written.EmailOrTel);
    EXPECT_EQ(r.ECheck, written.ECheck);
    EXPECT_EQ(r.HandMade, written.HandMade);
    EXPECT_EQ(r.Cena, written.Cena);
    EXPECT_EQ(r.Kolvo, written.Kolvo);
    EXPECT_EQ(r.Summa, written.Summa);
    EXPECT_EQ(r.Name, written.Name);
    EXPECT_EQ(r.NameFull, written.NameFull);
    EXPECT_EQ(r.isNotFiscal, written.isNotFiscal);
    EXPECT_DOUBLE_EQ(r.SUMMADOC, written.SUMMADOC);
    EXPECT_EQ(r.Section, written.Section);
    EXPECT_EQ(r.INN, written.INN);
    EXPECT_EQ(r.ZN, written.ZN);
    EXPECT_EQ(r.USER, written.USER);
    EXPECT_EQ(r.ADDRES, written.ADDRES);
    EXPECT_EQ(r.WEBADDRES, written.WEBADDRES);
    EXPECT_EQ(r.REGNUMKKT, written.REGNUMKKT);
    EXPECT_EQ(r.REGNUMFN, written.REGNUMFN);
    EXPECT_EQ(r.PRN_WIDHT, written.PRN_WIDHT);
    EXPECT_EQ(r.PRN_WIDHT_ITOG, written.PRN_WIDHT_ITOG);
    EXPECT_EQ(r.PRN_FONT, written.PRN_FONT);
    EXPECT_EQ(r.PRN_SIZEFONT, written.PRN_SIZEFONT);
    EXPECT_EQ(r.PRN_SIZEFONT_ITOG, written.PRN_SIZEFONT_ITOG);
    EXPECT_EQ(r.PRN_SIZEFONT_QR, written.PRN_SIZEFONT_QR);
    EXPECT_EQ(r.PRN_SPACE_LEFT_QR, written.PRN_SPACE_LEFT_QR);
    EXPECT_EQ(r.PRINT_PICTURE, written.PRINT_PICTURE);
    EXPECT_EQ(r.PRN_NAME, written.PRN_NAME);
    EXPECT_EQ(r.ISPREVIEW, written.ISPREVIEW);
    EXPECT_EQ(r.PRN_HEX_CUT, written.PRN_HEX_CUT);
    EXPECT_EQ(r.MESTORASCHETA, written.MESTORASCHETA);

    // The other payment form and the other spellings of the flags.
    TParam plain;
    plain.Oplata = "VISA";
    plain.NameFull = true;
    plain.SUMMADOC = 0.07;
    plain.Section = 1;
    ASSERT_TRUE(WriteParam(Path(), plain));
    ASSERT_TRUE(ReadParam(Path(), r, log, platform));
    EXPECT_EQ(r.Oplata, "VISA");
    EXPECT_FALSE(r.OplataBreak);
    EXPECT_TRUE(r.NameFull);
    EXPECT_EQ(r.Name, 0);
    EXPECT_FALSE(r.ECheck);
    EXPECT_FALSE(r.isNotFiscal);
    EXPECT_FALSE(r.HandMade);
    EXPECT_DOUBLE_EQ(r.SUMMADOC, 0.07);
    EXPECT_EQ(r.Section, 1);
    EXPECT_TRUE(log.errors.empty());
}

}  // namespace
}  // namespace orvenka
