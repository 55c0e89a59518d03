#include <gtest/gtest.h>

#include "backends/shtrih/shtrih_fixture.h"
#include "common/text.h"
#include "shell/service_actions.h"

namespace orvenka {
namespace {

using test::Lines;

std::string Hex7A(int bytes) {
    std::string hex;
    for (int i = 0; i < bytes; ++i)
        hex += "7A";
    return hex;
}

class ShtrihServiceTest : public test::ShtrihTest {
  protected:
    ShtrihServiceTest() {
        // Known paper widths: the connection asks for no font metrics.
        ctx.param.PRN_WIDHT = 48;
        ctx.param.PRN_WIDHT_ITOG = 24;
    }
    static std::string Pair30(const std::string& left, const std::string& right) {
        return left + std::string(30 - CharCount(left) - CharCount(right), ' ') + right;
    }
    // The traffic after the connection sequence of the last command (its clock read).
    Lines AfterConnection() const {
        const auto time = std::find(traffic.lines.rbegin(), traffic.lines.rend(), "Time?");
        return Lines(time.base(), traffic.lines.end());
    }
    bool Press(ServiceButton button, const std::string& number = {}) {
        ServiceActions actions(ctx);
        platform.deviceKinds = {DeviceKind::Shtrih};
        traffic.lines.clear();
        return actions.Run(button, number);
    }
};

// The 'S' rows of the dispatch table through cmd.ini: what the register is asked, what the
// accounting system reads back.
TEST_F(ShtrihServiceTest, ServiceRowsThroughTheCommandFile) {
    folder.Write("text.txt", "Первая строка\r\nВторая строка\r\n");
    struct Row {
        std::string line;
        Lines sent;  // after the connection, in order
        Lines errors;
    };
    const std::vector<Row> rows = {
        {"OPENSESSION", {"Password:=30", "OpenSession()"}, {}},
        {"OPENSESSION",
         {"Password:=30", "OpenSession()", "ResultCodeDescription?"},
         {"Смена открыта - операция невозможна"}},
        {"CASHINCOME=1500.50", {"Password:=30", "Summ1:=1500.5", "CashIncome()"}, {}},
        {"CASHOUTCOME=2000",
         {"Password:=30", "Summ1:=2000", "CashOutcome()", "ResultCodeDescription?"},
         {"Не хватает наличности в кассе"}},
        {"CASHOUTCOME=500", {"Password:=30", "Summ1:=500", "CashOutcome()"}, {}},
        {"XOTCHET",
         {"Password:=30", "PrintReportWithoutCleaning()", "Password:=30", "DrawerNumber:=0",
          "OpenDrawer()"},
         {}},
        {"PrintDepartmentReport",
         {"Password:=30", "PrintDepartmentReport()", "Password:=30", "DrawerNumber:=0",
          "OpenDrawer()"},
         {}},
        {"OPENBOXMANY", {"Password:=30", "DrawerNumber:=0", "OpenDrawer()"}, {}},
        {"PRINTLASTCHECK",
         {"Password:=1", "RepeatDocument()", "Password:=1", "GetECRStatus()"},
         {}},
        {"ZOTCHET",
         {"Password:=30", "PrintReportWithCleaning()", "Password:=30", "DrawerNumber:=0",
          "OpenDrawer()"},
         {}},
        // A refused report does not open the drawer.
        {"ZOTCHET",
         {"Password:=30", "PrintReportWithCleaning()", "ResultCodeDescription?"},
         {"Смена закрыта - операция невозможна"}},
        {"SHOWPROPERTIES", {"ShowProperties()"}, {}},
        {"PRINTTXTFILENOCUT=text.txt",
         {"Password:=1", "UseReceiptRibbon:=true", "UseJournalRibbon:=true",
          "StringForPrinting:=\"Первая строка\"", "PrintString()", "Password:=1",
          "UseReceiptRibbon:=true", "UseJournalRibbon:=true",
          "StringForPrinting:=\"Вторая строка\"", "PrintString()"},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        traffic.lines.clear();
        Command(row.line);
        EXPECT_EQ(AfterConnection(), row.sent);
        EXPECT_EQ(ErrorTexts(), row.errors);
    }
    traffic.lines.clear();
    Command("PRINTTXTFILE=text.txt");
    EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "PrintString()"), 2 + 6);
    EXPECT_EQ(traffic.lines.back(), "CutCheck()");
    const std::string tape = Tape();
    for (const char* document :
         {"ВНЕСЕНИЕ", "ВЫПЛАТА", "СУТОЧНЫЙ ОТЧЕТ БЕЗ ГАШЕНИЯ", "ОТЧЕТ ПО ОТДЕЛАМ", "КОПИЯ: ВЫПЛАТА",
          "ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ", "Вторая строка", "(открыт денежный ящик 0)"}) {
        EXPECT_NE(tape.find(document), std::string::npos) << document;
    }
}

TEST_F(ShtrihServiceTest, EmulatedReportsOnTheRegister) {
    WriteParam();
    Command("ZOTCHETEMUL");
    EXPECT_EQ(ErrorTexts(), Lines{"Подана команда ZOTHETEMUL снять Zотчет с фискального ФР в "
                                  "режиме эмуляции!"});
    Command("XOTCHETEMUL");
    EXPECT_EQ(ErrorTexts(), Lines{"Подана команда XOTHETEMUL снять Zотчет с фискального ФР в "
                                  "режиме эмуляции!"});
    EXPECT_FALSE(folder.Exists("S00777.ini"));

    WriteParam({{"Fiscal", "-"}, {"ZN", "00777"}, {"PRN_WIDHT", "30"}, {"USER", "ИП Иванов"}});
    traffic.lines.clear();
    Command("ZOTCHETEMUL");
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
    for (const auto& [left, right] : std::vector<std::pair<std::string, std::string>>{
             {"ПОЛЬЗОВАТЕЛЬ:", "ИП Иванов"}, {"ОТЧЕТ С ГАШЕНИЕМ", "1"}, {"СМЕНА №", "0001"}}) {
        EXPECT_TRUE(Sent("StringForPrinting:=\"" + Pair30(left, right) + "\"")) << left;
    }
    EXPECT_EQ(traffic.lines.back(), "CutCheck()");
    const std::string counters = folder.Read("S00777.ini");
    EXPECT_NE(counters.find("SMENA=2"), std::string::npos) << counters;
    EXPECT_NE(counters.find("NUM_ZOTCHET=2"), std::string::npos);

    Command("XOTCHETEMUL");
    EXPECT_EQ(folder.Read("S00777.ini"), counters) << "an X report changes nothing";
    EXPECT_FALSE(Sent("PrintReportWithCleaning()")) << "nothing fiscal";
}

TEST_F(ShtrihServiceTest, ButtonsChooseTheLogicalDeviceFirst) {
    folder.Write("DrvFR.sim.state.ini", "LD_NUMBERS=1,3\r\n");
    platform.logicalDevices = {2};
    EXPECT_TRUE(Press(ServiceButton::OpenDrawer));
    const Lines after = TrafficFrom("GetCountLD()");
    EXPECT_NE(std::find(after.begin(), after.end(), "LDNumber:=3"), after.end());
    EXPECT_NE(std::find(after.begin(), after.end(), "SetActiveLD()"), after.end());
    EXPECT_EQ(traffic.lines.back(), "OpenDrawer()");
    EXPECT_EQ(ctx.device.LogicalDevice, 3);
    EXPECT_FALSE(ctx.ConnectPending);
    EXPECT_FALSE(fr->State().fr) << "the driver is released after the button";

    platform.logicalDevices = {-1};
    EXPECT_TRUE(Press(ServiceButton::OpenDrawer));
    EXPECT_FALSE(Sent("OpenDrawer()")) << "cancelled";

    // The driver settings need no choice of device.
    EXPECT_TRUE(Press(ServiceButton::ShowProperties));
    EXPECT_FALSE(Sent("GetCountLD()"));
    EXPECT_EQ(traffic.lines.back(), "ShowProperties()");
}

TEST_F(ShtrihServiceTest, ButtonsThatReportInTheErrorPane) {
    folder.Write("DrvFR.sim.state.ini", "OFD_OFFLINE=1\r\n");
    Command("OPENSESSION");  // document 1, not sent
    struct Case {
        ServiceButton button;
        std::string number;
        Lines pane;
    };
    const std::vector<Case> cases = {
        {ServiceButton::CopyCheckByNumber, "1", {}},
        {ServiceButton::CopyCheckByNumber,
         "abc",
         {"Копия последнего чека по номеру ФД:'abc' не является целым числом"}},
        {ServiceButton::CopyCheckByNumber,
         "77",
         {"Копия последнего чека по номеру ФД:FR_PrintCopyLastCheckForNum ResultCodeDescription "
          "Копия документа по номеру документа ФД Ошибка:Нет запрошенных данных: нет документа "
          "№ 77"}},
        {ServiceButton::UnsentFD,
         "",
         {"Количество неотправленных ФД 1\rПервый неотправленный ФД № 1\r Дата/Время:12.02.2021 "
          "10:30:15\r"}},
        {ServiceButton::SrokFN,
         "",
         {"btnShtrihSrokFNClick:Cрок Действия ФН=14.05.2022", "Количество регистраций = 1",
          "Осталось регистраций = 11"}},
        {ServiceButton::CopyLastCheck, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_TRUE(Press(c.button, c.number));
        EXPECT_EQ(ErrorTexts(), c.pane);
    }
    EXPECT_TRUE(Press(ServiceButton::TestLinkOFD));
    ASSERT_EQ(ErrorTexts().size(), 1u);
    const std::string link = ErrorTexts()[0];
    EXPECT_EQ(link.rfind("Проверка связи с ОФД:\rТранспортное соединение: нет (симулятор)\r", 0),
              0u)
        << link;
    EXPECT_EQ(std::count(link.begin(), link.end(), '\r'), 10);
    EXPECT_NE(Tape().find("КОПИЯ ДОКУМЕНТА ИЗ ФН"), std::string::npos);
}

Picture Drawn(int width, int height, int blackWidth) {
    Picture p;
    p.width = width;
    p.height = height;
    p.rgb.assign(static_cast<size_t>(width * height), 0xFFFFFF);
    for (int x = 0; x < blackWidth; ++x)
        p.rgb[static_cast<size_t>(x)] = 0x000000;  // the top row
    p.rgb[static_cast<size_t>(width)] = 0x010101;  // nearly black is not black
    return p;
}

TEST_F(ShtrihServiceTest, PictureIsLoadedLineByLineAndPrintedWithTheReceipt) {
    platform.pictures[folder.File("logo.bmp")] = Drawn(100, 300, 100);
    Command("LOADPICTURE=logo.bmp");
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
    EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "LoadLineData()"), 200);
    EXPECT_TRUE(Sent("LineNumber:=199"));
    EXPECT_FALSE(Sent("LineNumber:=200"));
    Bytes top(40, 0);
    for (int k = 0; k < 12; ++k)
        top[static_cast<size_t>(k)] = 0xFF;
    top[12] = 0x0F;  // dots 96 to 99
    EXPECT_TRUE(Sent("LineData:=" + Variant(top).Show()));
    EXPECT_TRUE(Sent("LineData:=" + Variant(Bytes(40, 0)).Show()));

    WriteParam({{"Fiscal", "-"}, {"PRINT_PICTURE", "+"}});
    WriteGoods({{"Хлеб", "1", "10", "20"}});
    traffic.lines.clear();
    Command("PRINT");
    const Lines draw = TrafficFrom("FirstLineNumber:=1");
    ASSERT_GE(draw.size(), 3u);
    EXPECT_EQ(Lines(draw.begin(), draw.begin() + 3),
              (Lines{"FirstLineNumber:=1", "LastLineNumber:=100", "Draw()"}));
    EXPECT_NE(Tape().find("(картинка, строки 1-100)"), std::string::npos);
}

TEST_F(ShtrihServiceTest, PictureThatIsNoneOrIsRefused) {
    struct Case {
        std::string word;
        std::string faults;
        std::string error;
        long lines;
    };
    platform.pictures[folder.File("empty.png")] = Picture{};
    platform.pictures[folder.File("logo.png")] = Drawn(8, 3, 8);
    const std::vector<Case> cases = {
        {"LOADPICTURE=readme.txt", "",
         "Картинка " + folder.File("readme.txt") + " не загружена: это не картинка", 0},
        {"LOADPICTURE=empty.png", "", "", 0},
        // A refused line is a failure, not a silently partial picture.
        {"LOADPICTURE=logo.png", "FAIL.LoadLineData=51,Нет памяти\r\n",
         "Картинка " + folder.File("logo.png") + " загружена не полностью, строка 0: Нет памяти",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        folder.Write("DrvFR.sim.faults.ini", c.faults);
        traffic.lines.clear();
        Command(c.word);
        EXPECT_EQ(ErrorTexts(), c.error.empty() ? Lines{} : Lines{c.error});
        EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "LoadLineData()"),
                  c.lines);
    }
}

TEST_F(ShtrihServiceTest, QrCodeInBlocksOf64Bytes) {
    Command("PRINTQRCODE=abc");
    EXPECT_TRUE(ErrorTexts().empty()) << ErrorTexts()[0];
    EXPECT_EQ(AfterConnection(),
              (Lines{"BlockType:=0", "BlockNumber:=0",
                     "BlockDataHex:=\"616263" + std::string(122, '0') + "\"", "LoadBlockData()",
                     "BarcodeType:=3", "BarcodeDataLength:=3", "BarcodeStartBlockNumber:=0",
                     "BarcodeParameter1:=0", "BarcodeParameter2:=0", "BarcodeParameter3:=7",
                     "BarcodeParameter4:=0", "BarcodeParameter5:=2", "BarcodeAlignment:=0",
                     "Password:=30", "Print2DBarcode()", "WaitForPrinting()"}));
    EXPECT_NE(Tape().find("[QR-код: abc]"), std::string::npos);

    traffic.lines.clear();
    Command("PRINTQRCODE=" + std::string(100, 'z'));
    EXPECT_TRUE(Sent("BlockDataHex:=\"" + Hex7A(64) + "\""));
    EXPECT_TRUE(Sent("BlockDataHex:=\"" + Hex7A(36) + "\""));
    EXPECT_TRUE(Sent("BlockNumber:=1"));
    EXPECT_FALSE(Sent("BlockNumber:=2"));
    EXPECT_TRUE(Sent("BarcodeDataLength:=100"));

    // A code the register did not print is reported, not answered as done.
    folder.Write("DrvFR.sim.faults.ini", "PAPER_OUT=1\r\n");
    Command("PRINTQRCODE=abc");
    EXPECT_EQ(ErrorTexts(), Lines{"Печать QR-кода:Нет чековой ленты"});
}

}  // namespace
}  // namespace orvenka
