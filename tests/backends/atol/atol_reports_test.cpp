// ATOL reports, cash operations and service queries against the simulated register: the driver
// traffic of each, their failure texts, and the emulated shift reports printed as text.
#include <gtest/gtest.h>

#include "atol_fixture.h"
#include "backends/shared/emul_report.h"
#include "common/files.h"
#include "common/text.h"
#include "shell/service_actions.h"

namespace orvenka::test {
namespace {

using Lines = std::vector<std::string>;

class AtolReportsTest : public AtolTest {
  protected:
    AtolReportsTest() { ctx.param.PRN_WIDHT = 40; }
};

// Opens a shift on the simulated register, as the first receipt or OPENSESSION of a day does.
void OpenShiftOn(AtolRig& rig) {
    rig.ctx.ConnectPending = true;
    EXPECT_EQ(rig.Attempt([&] { rig.atol->ATOL_OpenShift(); }), "");
    rig.NewCommand();
}

TEST_F(AtolReportsTest, TrafficOfEveryOperation) {
    struct Row {
        const char* name;
        bool shiftOpen;
        std::function<void(AtolRig&)> operation;
        Lines traffic;  // after the connection
        Lines errors;   // lines the operation writes to the error pane for the operator
    };
    const Row rows[] = {
        {"z_report",
         true,
         [](AtolRig& r) { r.atol->ZReport(); },
         {"open()", "isOpened()", "getParamBool(LIBFPTR_PARAM_DOCUMENT_CLOSED)",
          "getParamBool(LIBFPTR_PARAM_DOCUMENT_PRINTED)",
          "setParam(LIBFPTR_PARAM_REPORT_TYPE,LIBFPTR_RT_CLOSE_SHIFT)", "report()"},
         {}},
        {"x_report",
         false,
         [](AtolRig& r) { r.atol->XReport(); },
         {"open()", "isOpened()", "setParam(LIBFPTR_PARAM_REPORT_TYPE,LIBFPTR_RT_X)", "report()"},
         {}},
        {"department_report",
         false,
         [](AtolRig& r) { r.atol->DepartmentReport(); },
         {"open()", "isOpened()", "setParam(LIBFPTR_PARAM_REPORT_TYPE,LIBFPTR_RT_DEPARTMENTS)",
          "report()"},
         {}},
        {"open_shift_tags_also_blank",
         false,
         [](AtolRig& r) { r.atol->OpenShift(); },
         {"setParam(1021,\"\")", "setParam(1203,\"\")", "operatorLogin()", "openShift()"},
         {}},
        {"cash_in_as_a_float",
         false,
         [](AtolRig& r) { r.atol->CashIn(150.5); },
         {"isOpened()", "setParam(LIBFPTR_PARAM_SUM,150.5)", "cashIncome()"},
         {}},
        {"open_drawer", false, [](AtolRig& r) { r.atol->OpenDrawer(); }, {"openDrawer()"}, {}},
        {"copy_by_number",
         true,
         [](AtolRig& r) { r.atol->PrintCopyLastCheckForNum(" 1 "); },
         {"setParam(LIBFPTR_PARAM_REPORT_TYPE,LIBFPTR_RT_FN_DOC_BY_NUMBER)",
          "setParam(LIBFPTR_PARAM_DOCUMENT_NUMBER,1)", "report()"},
         {}},
        {"unsent_documents",
         true,
         [](AtolRig& r) { r.atol->ShowUnsentFD(); },
         {"setParam(LIBFPTR_PARAM_FN_DATA_TYPE,LIBFPTR_FNDT_OFD_EXCHANGE_STATUS)", "fnQueryData()",
          "getParamInt(LIBFPTR_PARAM_DOCUMENTS_COUNT)",
          "getParamInt(LIBFPTR_PARAM_DOCUMENT_NUMBER)",
          "getParamDateTime(LIBFPTR_PARAM_DATE_TIME)"},
         {"Количество неотправленных  ФД: 1", "Номер первого неотправленного:1",
          "Дата первого неотправленного :12.02.2021 10:30:15"}},
        {"ofd_test",
         false,
         [](AtolRig& r) { r.atol->ShowTestLinkOFD(); },
         {"setParam(LIBFPTR_PARAM_REPORT_TYPE,LIBFPTR_RT_OFD_TEST)", "report()"},
         {"Проверка соединения с ОФД - Команда выполнена упешно!"}},
        {"fiscal_storage_validity",
         false,
         [](AtolRig& r) { r.atol->ShowSrokFN(); },
         {"setParam(LIBFPTR_PARAM_FN_DATA_TYPE,LIBFPTR_FNDT_VALIDITY)", "fnQueryData()",
          "getParamInt(LIBFPTR_PARAM_REGISTRATIONS_REMAIN)",
          "getParamInt(LIBFPTR_PARAM_REGISTRATIONS_COUNT)",
          "getParamDateTime(LIBFPTR_PARAM_DATE_TIME)"},
         {"Cрок действия ФН:31.12.2030 00:00:00 Сделано перерегистраций=1 Осталось "
          "перерегистраций=11"}},
        {"picture",
         false,
         [](AtolRig& r) { r.atol->LoadPicture("LOADPICTURE=Logo.bmp"); },
         {"setParam(LIBFPTR_PARAM_FILENAME,\"<folder>Logo.bmp\")", "printPicture()"},
         {}},
        {"picture_by_its_full_path",
         false,
         [](AtolRig& r) { r.atol->LoadPicture("LOADPICTURE=" + r.folder.File("Logo.bmp")); },
         {"setParam(LIBFPTR_PARAM_FILENAME,\"<folder>Logo.bmp\")", "printPicture()"},
         {}},
        {"qr_code_of_the_text_after_equals",
         false,
         [](AtolRig& r) { r.atol->PrintQRCode("PrintQRCode=abc"); },
         {"setParam(LIBFPTR_PARAM_BARCODE,\"abc\")",
          "setParam(LIBFPTR_PARAM_BARCODE_TYPE,LIBFPTR_BT_QR)",
          "setParam(LIBFPTR_PARAM_ALIGNMENT,LIBFPTR_ALIGNMENT_CENTER)",
          "setParam(LIBFPTR_PARAM_SCALE,4)", "printBarcode()"},
         {}},
        {"qr_code_of_the_whole_text",
         false,
         [](AtolRig& r) { r.atol->PrintQRCode("PRINTQRCODE"); },
         {"setParam(LIBFPTR_PARAM_BARCODE,\"PRINTQRCODE\")",
          "setParam(LIBFPTR_PARAM_BARCODE_TYPE,LIBFPTR_BT_QR)",
          "setParam(LIBFPTR_PARAM_ALIGNMENT,LIBFPTR_ALIGNMENT_CENTER)",
          "setParam(LIBFPTR_PARAM_SCALE,4)", "printBarcode()"},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AtolRig rig;
        rig.folder.WriteBytes("Logo.bmp", "BM\x36\x00\x00\x00");
        if (row.shiftOpen)
            OpenShiftOn(rig);
        rig.ctx.ConnectPending = true;
        ASSERT_EQ(rig.Attempt([&] { rig.atol->ATOL_Connect(); }), "");
        rig.traffic.lines.clear();
        EXPECT_EQ(rig.Attempt([&] { row.operation(rig); }), "");
        // The driver is given the picture in the program folder, never a bare name it would
        // look for wherever the process runs.
        std::vector<std::string> expected = Expected(row.traffic);
        for (std::string& line : expected) {
            if (const size_t at = line.find("<folder>"); at != std::string::npos)
                line.replace(at, 8, rig.folder.Path());
        }
        EXPECT_EQ(rig.Traffic(), expected);
        EXPECT_EQ(rig.Errors(), row.errors);
    }
}

TEST_F(AtolReportsTest, FailureTexts) {
    struct Row {
        const char* name;
        const char* faults;
        std::function<void(AtolRig&)> operation;
        std::string failure;  // raised
        Lines errors;         // or written to the error pane
    };
    const Row rows[] = {
        // A refused Z or X report is no report.
        {"z_refused",
         "",
         [](AtolRig& r) { r.atol->ZReport(); },
         "Снимаем отчет:Смена закрыта - операция невозможна",
         {}},
        {"x_refused",
         "FAIL.report=231,Нет связи с ФН",
         [](AtolRig& r) { r.atol->XReport(); },
         "Снимаем отчет:Нет связи с ФН",
         {}},
        {"department_refused",
         "FAIL.report=231,Нет связи с ФН",
         [](AtolRig& r) { r.atol->DepartmentReport(); },
         "Снимаем отчет:Нет связи с ФН",
         {}},
        {"cashier_refused",
         "",
         [](AtolRig& r) {
             r.ctx.param.AuthorINN = "123";
             r.atol->OpenShift();
         },
         "Не удалось передать инн кассира или имя (параметры:AuthorCaption тег 1021,AuthorINN тег "
         "1203), наверное ИНН не должен быть пустым или должен быть=12 знаков: Неверный ИНН "
         "кассира (тег 1203): 123",
         {}},
        {"shift_refused",
         "FAIL.openShift=68,Смена открыта - операция невозможна",
         [](AtolRig& r) { r.atol->OpenShift(); },
         "Не удалось открыть смену: Смена открыта - операция невозможна",
         {}},
        {"cash_in_refused",
         "FAIL.cashIncome=44,Нет бумаги",
         [](AtolRig& r) { r.atol->CashIn(5); },
         "Не удалось войти в режим CashInCome Нет бумаги",
         {}},
        {"cash_out_more_than_there_is",
         "",
         [](AtolRig& r) { r.atol->CashOut(10); },
         "Не удалось войти в режим CashOutCome Недостаточно наличности в кассе: есть 0.00, "
         "выплата 10.00",
         {}},
        {"copy_without_number_file",
         "",
         [](AtolRig& r) { r.atol->PrintCopyLastCheck(); },
         "",
         {"ATOL_PrintCopyLastCheck:Не удается открыть файл"}},
        {"copy_of_an_unknown_document",
         "",
         [](AtolRig& r) {
             r.folder.Write("ResultNumCheck.txt", "99\r\n");
             r.atol->PrintCopyLastCheck();
         },
         "",
         {"ATOL_PrintCopyLastCheck:ATOL_PrintCopyLastCheck ErrorDescription:Документ № 99 не "
          "найден в ФН"}},
        // The copy connects first, like every operation, and a connection that fails says so
        // in its own words.
        {"copy_on_a_register_that_does_not_answer",
         "FAIL.queryData=2,Нет связи с ККТ",
         [](AtolRig& r) {
             r.folder.Write("ResultNumCheck.txt", "1\r\n");
             r.atol->PrintCopyLastCheck();
         },
         "Не удалось занять порт:Нет связи с ККТ",
         {}},
        {"copy_connects_before_reading_the_number",
         "FAIL.Beep=2,Нет связи с ККТ",
         [](AtolRig& r) { r.atol->PrintCopyLastCheck(); },
         "АТОЛ Beep:Нет связи с ККТ",
         {}},
        {"copy_number_not_a_number",
         "",
         [](AtolRig& r) { r.atol->PrintCopyLastCheckForNum("12a"); },
         "Номер ФД '12a' не является целым числом",
         {}},
        {"copy_by_number_refused",
         "",
         [](AtolRig& r) { r.atol->PrintCopyLastCheckForNum("99"); },
         "1 ATOL_PrintCopyLastCheckForNum ErrorDescription:Документ № 99 не найден в ФН",
         {}},
        {"unsent_query_refused",
         "FAIL.fnQueryData=231,Нет связи с ФН",
         [](AtolRig& r) { r.atol->ShowUnsentFD(); },
         "Не удалось получить состояние обмена с ОФД: Нет связи с ФН",
         {}},
        {"ofd_test_refused",
         "FAIL.report=231,Нет связи с ФН",
         [](AtolRig& r) { r.atol->ShowTestLinkOFD(); },
         "2 ATOL_ShowTestLinkOFD Ошибка выполнения команды ",
         {}},
        {"validity_refused",
         "FAIL.fnQueryData=231,Нет связи с ФН",
         [](AtolRig& r) { r.atol->ShowSrokFN(); },
         "1 ATOL_ShowSrokFN ErrorDescription:Нет связи с ФН",
         {}},
        {"picture_not_there",
         "",
         [](AtolRig& r) { r.atol->LoadPicture("LOADPICTURE=нет.bmp"); },
         "ATOL_LoadPicture: Не удалось открыть файл картинки: ",
         {}},
        {"picture_not_a_picture",
         "",
         [](AtolRig& r) {
             r.folder.Write("logo.txt", "text");
             r.atol->LoadPicture("LOADPICTURE=logo.txt");
         },
         "ATOL_LoadPicture: Неподдерживаемый формат картинки (нужен BMP или PNG): ",
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AtolRig rig;
        rig.folder.Write("Fptr10.sim.faults.ini", row.faults);
        rig.ctx.ConnectPending = true;
        const std::string failure = rig.Attempt([&] { row.operation(rig); });
        // Texts that go on with a file name or a system message are compared by their start.
        EXPECT_EQ(failure.substr(0, row.failure.size()), row.failure);
        EXPECT_EQ(failure.empty(), row.failure.empty()) << failure;
        const Lines errors = rig.Errors();
        ASSERT_EQ(errors.size(), row.errors.size());
        for (size_t i = 0; i < errors.size(); ++i)
            EXPECT_EQ(errors[i].substr(0, row.errors[i].size()), row.errors[i]);
    }
}

TEST_F(AtolReportsTest, CopyOfTheLastReceiptPrintsTheDocumentOfTheNumberFile) {
    ctx.ConnectPending = true;
    atol->BeginReceipt();
    AddGoods(Goods("Хлеб", 1, 30));
    ASSERT_EQ(Attempt([&] { atol->PrintReceipt("PRINT"); }), "");
    ASSERT_EQ(folder.Read("ResultNumCheck.txt"), "2\r\n");
    NewCommand();
    atol->PrintCopyLastCheck();
    EXPECT_TRUE(Errors().empty());
    EXPECT_NE(Tape().find("КОПИЯ ДОКУМЕНТА ИЗ ФН"), std::string::npos);
    EXPECT_NE(Tape().find("ФД № 2"), std::string::npos);
}

TEST_F(AtolReportsTest, CashInAndOutMoveTheCashAndPrintTheHeader) {
    ctx.param.CHECKSHAPKA1 = "ООО Ромашка";
    ctx.ConnectPending = true;
    atol->CashIn(100);
    EXPECT_NE(std::find(traffic.lines.begin(), traffic.lines.end(),
                        Expected({"setParam(LIBFPTR_PARAM_TEXT,\"ООО Ромашка\")"})[0]),
              traffic.lines.end());
    NewCommand();
    EXPECT_EQ(Attempt([&] { atol->CashOut(99.99); }), "");
    NewCommand();
    EXPECT_EQ(Attempt([&] { atol->CashOut(0.02); }),
              "Не удалось войти в режим CashOutCome Недостаточно наличности в кассе: есть 0.01, "
              "выплата 0.02");
}

TEST_F(AtolReportsTest, TextFileFeedAndCut) {
    ctx.ConnectPending = true;
    atol->PrintLine("Строка файла");
    atol->FeedAndCut();
    const Lines t = Traffic();
    const Lines line = {
        "isOpened()",  "setParam(LIBFPTR_PARAM_DATA_TYPE,LIBFPTR_DT_DATE_TIME)",
        "queryData()", "setParam(LIBFPTR_PARAM_TEXT,\"\")",
        "printText()",
    };
    Lines expected;
    for (int i = 0; i < 6; ++i)
        expected.insert(expected.end(), line.begin(), line.end());
    expected.push_back("Cut()");
    ASSERT_GE(t.size(), expected.size());
    EXPECT_EQ(Lines(t.end() - static_cast<long>(expected.size()), t.end()), Expected(expected));
    EXPECT_NE(Tape().find("Строка файла"), std::string::npos);
    EXPECT_NE(Tape().find("---- отрезка ----"), std::string::npos);
}

TEST_F(AtolReportsTest, WidthsThatAreZeroOrNegativeNeverLoopOrPad) {
    folder.Write("Fptr10.sim.state.ini", "LINE_LENGTH=0\r\n");
    ctx.param.PRN_WIDHT = 30;
    ctx.param.PRN_WIDHT_ITOG = 10;
    ctx.ConnectPending = true;
    ASSERT_EQ(Attempt([&] { atol->ATOL_Connect(); }), "");
    ctx.param.PRN_WIDHT = 0;
    ctx.param.Name = 0;
    traffic.lines.clear();
    // No width anywhere, the register's own 0 included: the usual 50 characters.
    atol->ATOL_PrintWrapped(RepeatText("ю", 120));
    ctx.param.PRN_WIDHT = -3;
    atol->ATOL_PrintPair("Подпись", "значение");
    ctx.param.PRN_WIDHT_ITOG = 2;
    atol->ATOL_PrintTotalLine("=100.00");
    const std::string text = Expected({"setParam(LIBFPTR_PARAM_TEXT,"})[0];
    Lines printed;
    for (const auto& line : Traffic()) {
        if (line.rfind(text, 0) == 0)
            printed.push_back(line.substr(text.size()));
    }
    EXPECT_EQ(printed,
              (Lines{"\"" + RepeatText("ю", 50) + "\")", "\"" + RepeatText("ю", 50) + "\")",
                     "\"" + RepeatText("ю", 20) + "\")", "\"значение\")", "\"=100.00\")"}));
}

TEST_F(AtolReportsTest, EmulatedShiftReports) {
    TParam& p = ctx.param;
    p.isNotFiscal = false;
    ctx.ConnectPending = true;
    EXPECT_EQ(Attempt([&] { atol->ZReportEmul(); }),
              "Подана команда ZOTHETEMUL снять Zотчет с фискального ФР в режиме эмуляции!");
    EXPECT_EQ(Attempt([&] { atol->XReportEmul(); }),
              "Подана команда XOTHETEMUL снять Zотчет с фискального ФР в режиме эмуляции!");
    EXPECT_TRUE(traffic.lines.empty()) << "nothing printed";

    p.isNotFiscal = true;
    p.ZN = "0012345";
    p.USER = "ООО Ромашка";
    p.PRN_WIDHT = 0;  // learnt from the register
    p.PRN_WIDHT_ITOG = 0;
    EXPECT_EQ(Attempt([&] { atol->ZReportEmul(); }), "");
    EXPECT_EQ(p.PRN_WIDHT, 48);
    const std::string counters = folder.Read("A0012345.ini");
    EXPECT_NE(counters.find("SMENA=2"), std::string::npos) << counters;
    EXPECT_NE(counters.find("NUM_ZOTCHET=2"), std::string::npos) << counters;
    const std::string tape = Tape();
    EXPECT_NE(tape.find(FitText("ОТЧЕТ С ГАШЕНИЕМ", 47, false) + "1"), std::string::npos) << tape;
    EXPECT_NE(tape.find(FitText("СМЕНА №", 44, false) + "0001"), std::string::npos) << tape;
    EXPECT_NE(tape.find("---- отрезка ----"), std::string::npos);

    NewCommand();
    EXPECT_EQ(Attempt([&] { atol->XReportEmul(); }), "");
    EXPECT_NE(Tape().find(FitText("ОТЧЕТ БЕЗ ГАШЕНИЯ", 48, false)), std::string::npos);
    EXPECT_EQ(folder.Read("A0012345.ini"), counters) << "an X report changes no counter";
}

// Every device button of the operator window on ATOL, through the shell's frame: the operator
// chooses ATOL and logical device 2 of two device files, the operation runs on it.
TEST_F(AtolReportsTest, EveryServiceButtonWorksOnAtol) {
    struct Row {
        ServiceButton button;
        std::string printed;  // on the tape afterwards ("" when nothing is printed)
        Lines errors;         // the button's own lines for the operator
    };
    const Row rows[] = {
        {ServiceButton::ShowProperties, "", {}},
        {ServiceButton::OpenDrawer, "", {}},
        {ServiceButton::XReport, "X-ОТЧЕТ", {}},
        {ServiceButton::CopyLastCheck, "ФД № 1", {}},
        {ServiceButton::CopyCheckByNumber, "ФД № 1", {}},
        {ServiceButton::UnsentFD,
         "",
         {"Количество неотправленных  ФД: 1", "Номер первого неотправленного:1",
          "Дата первого неотправленного :12.02.2021 10:30:15"}},
        {ServiceButton::TestLinkOFD,
         "ТЕСТ СВЯЗИ С ОФД",
         {"Проверка соединения с ОФД - Команда выполнена упешно!"}},
        {ServiceButton::SrokFN,
         "",
         {"Cрок действия ФН:31.12.2030 00:00:00 Сделано перерегистраций=1 Осталось "
          "перерегистраций=11"}},
        {ServiceButton::ZReport, "ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ", {}},
    };
    folder.Write("ATOLDEVICE1.ini", "PORT=USB\r\n");
    folder.Write("ATOLDEVICE2.ini", "PORT=TCP_IP\r\nIPADDRESS=10.0.0.2\r\nIPPORT=5555\r\n");
    folder.Write("ResultNumCheck.txt", "1\r\n");
    ctx.ConnectPending = true;
    ctx.device.LogicalDevice = 2;
    ASSERT_EQ(Attempt([&] { atol->OpenShift(); }), "");
    ServiceActions buttons(ctx);
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.button));
        platform.deviceKinds = {DeviceKind::Atol};
        platform.logicalDevices = {2};
        ctx.device.LogicalDevice = 1;
        const size_t before = Tape().size();
        EXPECT_TRUE(buttons.Run(row.button, "1"));
        EXPECT_EQ(ctx.device.LogicalDevice, 2);
        EXPECT_NE(Tape().substr(before).find(row.printed), std::string::npos) << Tape();
        EXPECT_EQ(Errors(), row.errors);
        EXPECT_FALSE(ctx.ConnectPending);
    }
    EXPECT_NE(folder.Read("Fptr10.sim.state.ini").find("SETTINGS=TCP/IP 10.0.0.2:5555"),
              std::string::npos);

    // The choice cancelled: nothing happens, nothing is said.
    platform.deviceKinds = {DeviceKind::Atol};
    platform.logicalDevices = {-1};
    traffic.lines.clear();
    EXPECT_TRUE(buttons.Run(ServiceButton::XReport));
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(std::count(traffic.lines.begin(), traffic.lines.end(), "report()"), 0);
}

}  // namespace
}  // namespace orvenka::test
