// Opening a Param.ini in the editor and saving it again.
#include "gui/param_editor/param_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/files.h"
#include "editor_fixture.h"
#include "receipt/param_reader.h"

namespace orvenka::gui {
namespace {

using test_editor::Answer;
using test_editor::EditorTest;
using test_editor::OnEditor;

// The file read the way the receipt job reads it.
TParam Read(const std::string& path) {
    test::ScriptedPlatform printers;
    test::RecordingLogger log;
    TParam p;
    EXPECT_TRUE(ReadParam(path, p, log, printers)) << (log.errors.empty() ? "" : log.errors[0]);
    return p;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

// Opens the file, saves it untouched (answering the overwrite question), answers whether it was
// saved.
bool OpenAndSave(AppContext& ctx, const std::string& path) {
    test::ModalScript script({OnEditor([](TFormParamEdit& f) {
                                  f.ButtonSave->click();
                                  if (f.isVisible())
                                      f.reject();  // the save failed: never wait for nobody
                              }),
                              Answer(ModalResult::Yes)});
    const bool saved = OpenParamFile(ctx, path);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(script.Unexpected(), 0);
    return saved;
}

struct RoundTripRow {
    const char* name;
    std::string bytes;  // the file as the accounting system wrote it
};

// A file opened and saved untouched reads back into the same record (the numeric name width
// aside, which the editor drops), and saving it once more changes no byte.
TEST_F(EditorTest, OpenedAndSavedFileLosesNothing) {
    const std::vector<RoundTripRow> rows = {
        {"every key the reader knows", Utf8ToCp1251(Lines({
                                           "CHECKSHAPKA1=  ООО \"Ромашка\"  ",
                                           "CHECKSHAPKA2=Добро пожаловать",
                                           "CHECKSHAPKA3=третья",
                                           "CHECKSHAPKA4=четвёртая",
                                           "SNO=dohrash",
                                           "NumCheck=0001",
                                           "AuthorName=Кассир",
                                           "AuthorCaption=Иванов И.И.",
                                           "AuthorINN=771234567890",
                                           "CheckCorrect_NAME=Акт",
                                           "CheckCorrect_DATE=01.02.2021",
                                           "CheckCorrect_NUM=12",
                                           "CheckCorrect_NDS=1.5,2,\"3,5\"",
                                           "ECheck=on",
                                           "DocumStr=DOC-17",
                                           "EmailOrTel=buyer@example.ru",
                                           "t1085=имя",
                                           "t1086=значение",
                                           "PoluchatelName=ООО Покупатель",
                                           "PoluchatelINN=7700000001",
                                           "CENA_AS_SUMMA=v1",
                                           "BreakSumm0=10",
                                           "BreakSumm9=0.5",
                                           "Oplata=break",
                                           "BreakSumNAL=100,50",
                                           "BreakSumVISA=200",
                                           "HandMade=+",
                                           "AgentInfoINN1016=7700000002",
                                           "AgentInfoName1026=Агент",
                                           "suplierInfoINN1226=7700000003",
                                           "suplierInfoName1225=Поставщик",
                                           "suplierInfoTel1171=+79990000000",
                                           "Name=FULL",
                                           "Cena=10",
                                           "Summa=12",
                                           "Kolvo=8",
                                           "Fiscal=-",
                                           "SUMMADOC=1 234,567",
                                           "Section=2",
                                           "MESTORASCHETA=Торговый зал",
                                           "VERSION_FFD=1.2",
                                           "Predmet=4",
                                           "Sposob=0x4",
                                           "PRN_WIDHT=48",
                                           "PRN_FONT=Courier New",
                                           "PRN_SIZEFONT=9",
                                           "PRN_SIZEFONT_ITOG=12",
                                           "PRN_SIZEFONT_QR=5",
                                           "PRN_SPACE_LEFT_QR=3",
                                           "PRN_WIDHT_ITOG=24",
                                           "INN=7700000000",
                                           "ZN=0012345",
                                           "USER=ООО Ромашка",
                                           "ADDRES=г. Москва, ул. Ленина, 1",
                                           "WEBADDRES=nalog.ru",
                                           "REGNUMKKT=0000000001",
                                           "REGNUMFN=9999078900001234",
                                           "PRN_NAME=Receipts",
                                           "ISPREVIEW=ON",
                                           "PRN_HEX_CUT=1B69",
                                           "PRINT_PICTURE=+",
                                       }))},
        {"a numeric name width, cash, a sum with many decimals",
         Utf8ToCp1251(Lines({"Oplata=", "NAME=32", "BreakSumVISA=5", "SUMMADOC=0.125"}))},
        {"another payment word, unknown and repeated keys, comments, numbers off the lists",
         Utf8ToCp1251(
             Lines({"# настройки магазина", "SNO=osn", "SNO=DOH", "Oplata=MIR", "", "Foo=1",
                    "Foo=2", " SNO=PATENT", "Predmet=25", "Sposob=9", "Section=abc"}))},
        {"card payment in lower case", "Oplata=visa\r\n"},
        {"a UTF-8 file with a byte-order mark and LF line ends",
         "\xEF\xBB\xBFOplata=VISA\nUSER=ООО Ёлка\nt1085=тег\n"},
        {"a value longer than a text field holds by default",
         "Oplata=\r\nADDRES=" + std::string(40000, 'x') + "\r\n"},
        {"Windows-1251 bytes every file of ours may hold",
         "Oplata=\r\nUSER=\x98\xA0\xFF\r\nCHECKSHAPKA1=\t\x01табуляция\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ctx.log.ClearErrors();
        const std::string path = folder.File("Param.ini");
        folder.WriteBytes("Param.ini", row.bytes);
        TParam before = Read(path);
        if (!before.NameFull)
            before.Name = 0;

        ASSERT_TRUE(OpenAndSave(ctx, path));
        EXPECT_TRUE(ctx.log.Errors().empty()) << ctx.log.Errors().front();
        EXPECT_TRUE(Read(path) == before) << folder.Read("Param.ini");

        const std::string saved = folder.ReadBytes("Param.ini");
        ASSERT_TRUE(OpenAndSave(ctx, path));
        EXPECT_EQ(folder.ReadBytes("Param.ini"), saved);
    }
    // Reading for the editor never moved the printer of the receipts.
    EXPECT_EQ(platform.current, "Office");
}

// A file the reader refuses opens nothing: its failure is in the error pane, no dialog comes up.
TEST_F(EditorTest, AFileTheReaderRefusesDoesNotOpen) {
    std::filesystem::create_directory(folder.File("Dir.ini"));
    const struct {
        const char* name;
        std::string bytes;  // empty: the path is not written (missing, or the folder)
        std::string file;
        std::string failure;
    } rows[] = {
        {"no Oplata", "SNO=OSN\r\n", "Param.ini",
         "Ошибка в параметрах BreakSumNAL или BreakSumVISA или BreakSummX Не указан обязательный "
         "параметр Oplata"},
        {"a blank before =", "Oplata=\r\nSNO =OSN\r\n", "Param.ini",
         "В строке 2 Param.ini ПЕРЕД знаком \"=\" обнаружен недопустимый символ ( )20hex или "
         "32dec"},
        {"a printer that is not installed", "Oplata=\r\nPRN_NAME=Kitchen\r\n", "Param.ini",
         "Не найден принтер Kitchen\rсреди:\rOffice\rReceipts\r"},
        {"binary junk", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "Param.ini",
         "Ошибка в параметрах BreakSumNAL или BreakSumVISA или BreakSummX Не указан обязательный "
         "параметр Oplata"},
        {"a folder", "", "Dir.ini", ""},
        {"a missing file", "", "Missing.ini", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ctx.log.ClearErrors();
        if (!row.bytes.empty())
            folder.WriteBytes(row.file, row.bytes);
        test::ModalScript none({});
        EXPECT_FALSE(OpenParamFile(ctx, folder.File(row.file)));
        test::Spin(20);
        EXPECT_EQ(none.Unexpected(), 0) << "the editor opened";
        ASSERT_EQ(ctx.log.Errors().size(), 1u);
        const std::string prefix =
            std::string(EditorTest::kStamp) + "ReadParam:" + folder.File(row.file) + " ";
        EXPECT_EQ(ctx.log.Errors()[0].substr(0, prefix.size()), prefix);
        if (!row.failure.empty()) {
            EXPECT_EQ(ctx.log.Errors()[0].substr(prefix.size()), row.failure);
        }
    }
    EXPECT_EQ(platform.current, "Office");
}

TEST_F(EditorTest, CreateOpensAnEmptyEditorWithoutAFileName) {
    bool checked = false;
    test::ModalScript script({OnEditor([&](TFormParamEdit& f) {
        EXPECT_TRUE(f.LabelFileName->text().isEmpty());
        EXPECT_EQ(f.Tabs->currentIndex(), 0);
        EXPECT_TRUE(f.Param() == TParam{});
        EXPECT_EQ(f.ListOplata->currentText(), "Наличные");
        checked = true;
        f.ButtonExit->click();
    })});
    EXPECT_FALSE(CreateParamFile(ctx));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

}  // namespace
}  // namespace orvenka::gui
