// Input beyond its documented size: refused from its size, with one clear line, before anything
// is printed; the command is answered all the same.
#include "common/input_limits.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "common/text.h"
#include "shell/command_loop.h"
#include "shell/receipt_job.h"
#include "shell/shell_fixture.h"

namespace orvenka {
namespace {

using Calls = std::vector<std::string>;

class InputLimitsTest : public test::ShellTest {
  protected:
    InputLimitsTest() { ctx.StartupKind = DeviceKind::Emul; }

    void Receipt(const std::string& tovar = "Хлеб\r\n1\r\n10\r\n0\r\n") {
        folder.Write("Param.ini", "Oplata=\r\nDocumStr=DOC-1\r\n");
        folder.Write("Tovar.ini", tovar);
    }
    // A file of `bytes` zero bytes, made without writing them.
    void Sparse(const std::string& name, uint64_t bytes) {
        folder.WriteBytes(name, "");
        ASSERT_EQ(::truncate(folder.File(name).c_str(), static_cast<off_t>(bytes)), 0);
    }
    std::string TooLarge(const std::string& file, uint64_t bytes, uint64_t limit) {
        return "Не удается прочитать файл \"" + folder.File(file) + "\": файл слишком велик (" +
               std::to_string(bytes) + " байт, допустимо не более " + std::to_string(limit) +
               " байт)";
    }

    CommandLoop loop{ctx};
};

TEST_F(InputLimitsTest, FilesBeyondTheirLimitAreRefusedWithOneClearLine) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        std::string command;
        Calls errors;  // the answer, without time stamps
    };
    const uint64_t paramSize = kMaxParamFileBytes + 1;
    const uint64_t goodsSize = kMaxGoodsFileBytes + 1;
    const uint64_t textSize = kMaxTextFileBytes + 1;
    const std::string dopTooLarge =
        "Dop.ini: файл " + folder.File("Dop.ini") + " слишком велик (" +
        std::to_string(kMaxExtraFileBytes + 1) + " байт, допустимо не более " +
        std::to_string(kMaxExtraFileBytes) + " байт). Печать чека отменена!";
    const std::vector<Case> cases = {
        {"Param.ini",
         [&] {
             Receipt();
             Sparse("Param.ini", paramSize);
         },
         "PRINT",
         {"ReadParam:" + folder.File("Param.ini") + " " +
          TooLarge("Param.ini", paramSize, kMaxParamFileBytes)}},
        {"Tovar.ini",
         [&] {
             Receipt();
             Sparse("Tovar.ini", goodsSize);
         },
         "PRINT",
         {"ReadTovar.ini: " + TooLarge("Tovar.ini", goodsSize, kMaxGoodsFileBytes),
          "Список Товаров/Услуг пуст. Печать чека отменена!"}},
        {"Dop.ini",
         [&] {
             Receipt();
             Sparse("Dop.ini", kMaxExtraFileBytes + 1);
         },
         "PRINT",
         {dopTooLarge}},
        {"Dop.ini through a symbolic link",
         [&] {
             Receipt();
             std::filesystem::remove(folder.File("Dop.ini"));
             Sparse("big.dat", kMaxExtraFileBytes + 1);
             std::filesystem::create_symlink(folder.File("big.dat"), folder.File("Dop.ini"));
         },
         "PRINT",
         {dopTooLarge}},
        {"the text file to print",
         [&] { Sparse("slip.txt", textSize); },
         "PRINTTXTFILE=slip.txt",
         {TooLarge("slip.txt", textSize, kMaxTextFileBytes)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        journal.clear();
        c.prepare();
        WriteCommand(loop, c.command + "\r\n");
        EXPECT_TRUE(loop.Tick());
        EXPECT_EQ(ErrorTexts(), c.errors);
        EXPECT_TRUE(Operations().empty()) << "something reached the device";
        EXPECT_FALSE(folder.Exists("CheckList.txt"));
    }
    // A refused Dop.ini ends the receipt before the goods file is used.
    EXPECT_TRUE(folder.Exists("Tovar.ini"));
}

TEST_F(InputLimitsTest, CommandFileOfJunkIsAnsweredUnread) {
    const uint64_t size = kMaxCommandFileBytes + 1;
    folder.WriteBytes("cmd.ini", std::string(size, 'J'));
    ctx.LogError("ошибка прошлой команды");
    EXPECT_TRUE(loop.Tick());
    EXPECT_EQ(ErrorTexts(),
              Calls{"Файл команд " + folder.File("cmd.ini") + " слишком велик (" +
                    std::to_string(size) + " байт, допустимо не более " +
                    std::to_string(kMaxCommandFileBytes) + " байт). Команда не выполнена"});
    EXPECT_FALSE(folder.Exists("cmd.ini"));
    EXPECT_TRUE(folder.Exists("cmd.finish"));
    EXPECT_TRUE(Operations().empty());
    for (const auto& line : ctx.log.Messages())
        EXPECT_EQ(line.find("JJJ"), std::string::npos) << "the junk reached the log";

    // Just within the limit it is read, and the log keeps a cut line of it.
    folder.WriteBytes("cmd.ini", std::string(kMaxCommandFileBytes - 2, 'J') + "\r\n");
    loop.NoteChange({FolderWatch::Change::Closed, "cmd.ini"});
    EXPECT_TRUE(loop.Tick());
    const std::string& read = ctx.log.Messages().back();
    EXPECT_LT(CharCount(read), kMaxLogLineChars + 80);
    EXPECT_NE(read.find("…[обрезано, всего " + std::to_string(17 + kMaxCommandFileBytes - 2) +
                        " символов]"),
              std::string::npos)
        << read;
}

TEST_F(InputLimitsTest, ReceiptsBeyondTheirLimitsAreRefused) {
    std::string many;
    for (size_t i = 0; i <= kMaxGoods; ++i)
        many += "Г\r\n1\r\n1\r\n0\r\n";
    Receipt(many);
    ctx.device.Kind = DeviceKind::Emul;
    EXPECT_FALSE(RunReceiptJob(ctx, "PRINT"));
    EXPECT_EQ(ErrorTexts(), (Calls{"ReadTovar.ini: в списке больше " + std::to_string(kMaxGoods) +
                                       " товаров: столько строк в один чек не входит",
                                   "Список Товаров/Услуг пуст. Печать чека отменена!"}));

    // An identifier CheckList.txt would have to keep for ever.
    ctx.log.ClearErrors();
    Receipt();
    const std::string id(kMaxDocumentIdChars + 1, 'D');
    folder.Write("Param.ini", "Oplata=\r\nDocumStr=" + id + "\r\n");
    EXPECT_FALSE(RunReceiptJob(ctx, "PRINT"));
    EXPECT_EQ(ErrorTexts(),
              Calls{"Чек не напечатан: DocumStr длиннее " + std::to_string(kMaxDocumentIdChars) +
                    " символов (" + std::to_string(kMaxDocumentIdChars + 1) + ")"});
    EXPECT_TRUE(Operations().empty());
    EXPECT_FALSE(folder.Exists("CheckList.txt"));
}

}  // namespace
}  // namespace orvenka
