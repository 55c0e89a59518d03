// The ATOL connection: device files, the logical-device choice, settings, state repair, clock
// check, widths and the keep-alive setting, against the simulated register.
#include <gtest/gtest.h>

#include "atol_fixture.h"
#include "common/failure.h"
#include "common/files.h"

namespace orvenka::test {
namespace {

using Lines = std::vector<std::string>;

// What the first connection of a run sends after the settings, when the register is idle.
const Lines kOpenAndRepair = {
    "open()",
    "isOpened()",
    "setParam(LIBFPTR_PARAM_DATA_TYPE,LIBFPTR_DT_DATE_TIME)",
    "queryData()",
    "Beep()",
    "setParam(LIBFPTR_PARAM_DATA_TYPE,LIBFPTR_DT_STATUS)",
    "queryData()",
    "getParamInt(LIBFPTR_PARAM_RECEIPT_TYPE)",
    "getParamInt(LIBFPTR_PARAM_SHIFT_STATE)",
    "setParam(LIBFPTR_PARAM_DATA_TYPE,LIBFPTR_DT_RECEIPT_STATE)",
    "queryData()",
    "getParamInt(LIBFPTR_PARAM_RECEIPT_TYPE)",
    "isOpened()",
    "isOpened()",
    "setParam(LIBFPTR_PARAM_DATA_TYPE,LIBFPTR_DT_DATE_TIME)",
    "queryData()",
    "getParamDateTime(LIBFPTR_PARAM_DATE_TIME)",
    "setParam(LIBFPTR_PARAM_DATA_TYPE,LIBFPTR_DT_RECEIPT_LINE_LENGTH)",
    "queryData()",
    "getParamInt(LIBFPTR_PARAM_RECEIPT_LINE_LENGTH)",
};

class AtolConnectTest : public AtolTest {
  protected:
    AtolConnectTest() { ctx.ConnectPending = true; }

    // ATOL_Connect for a command; the failure text, empty when it connected.
    std::string Connect() {
        try {
            if (atol->ATOL_Connect() == AtolBackend::Link::NotChosen)
                return "<не выбрано>";
            return {};
        } catch (const Failure& f) {
            return f.what();
        }
    }
};

TEST_F(AtolConnectTest, WithoutDeviceFilesTheDriverKeepsItsOwnSettingsAndConnectsOnce) {
    ctx.param.PRN_WIDHT = 0;
    ctx.param.PRN_WIDHT_ITOG = 0;
    ctx.param.NameFull = true;
    EXPECT_EQ(Connect(), "");
    EXPECT_EQ(Traffic(), Expected(kOpenAndRepair));
    EXPECT_TRUE(platform.logicalDeviceLists.empty());
    EXPECT_FALSE(ctx.ConnectPending);
    EXPECT_EQ(ctx.param.PRN_WIDHT, 48);
    EXPECT_EQ(ctx.param.PRN_WIDHT_ITOG, 24);
    EXPECT_EQ(ctx.param.Name, 48);

    traffic.lines.clear();
    EXPECT_EQ(atol->ATOL_Connect(), AtolBackend::Link::AlreadyConnected);
    EXPECT_TRUE(traffic.lines.empty()) << "two operations of one command connect once";

    // The next command beeps no more: once per run.
    NewCommand();
    EXPECT_EQ(Connect(), "");
    Lines noBeep = kOpenAndRepair;
    noBeep.erase(noBeep.begin() + 4);
    noBeep.erase(noBeep.end() - 3, noBeep.end());  // widths known now
    EXPECT_EQ(Traffic(), Expected(noBeep));
}

TEST_F(AtolConnectTest, DeviceFileSettingsByPort) {
    struct Row {
        const char* name;
        std::string file;
        Lines settings;  // after the model setting
    };
    const Row rows[] = {
        {"com_table_speed",
         "PORT=COM\r\nCOM_FILE=/dev/ttyS0\r\nBAUDRATE=115200\r\n",
         {"setSingleSetting(LIBFPTR_SETTING_PORT,\"0\")",
          "setSingleSetting(LIBFPTR_SETTING_COM_FILE,\"/dev/ttyS0\")",
          "setSingleSetting(LIBFPTR_SETTING_BAUDRATE,\"115200\")"}},
        {"usb_small_letters", "port= usb \r\n", {"setSingleSetting(LIBFPTR_SETTING_PORT,\"1\")"}},
        {"tcp",
         "PORT=TCP_IP\r\nIPADDRESS=10.0.0.7\r\nIPPORT=5555\r\n",
         {"setSingleSetting(LIBFPTR_SETTING_PORT,\"2\")",
          "setSingleSetting(LIBFPTR_SETTING_IPADDRESS,\"10.0.0.7\")",
          "setSingleSetting(LIBFPTR_SETTING_IPPORT,\"5555\")"}},
        // No port of its own: the model alone, and the message log says so.
        {"lpt_only_the_model", "PORT=LPT\r\nCOM_FILE=COM1\r\n", {}},
        {"empty_port", "PORT=\r\nCOM_FILE=COM1\r\n", {}},
        {"none_of_the_keys", "\x01\x02мусор\r\n[section]\r\n", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        folder.Write("ATOLDEVICE1.ini", row.file);
        NewCommand();
        const size_t earlier = ctx.log.Messages().size();
        EXPECT_EQ(Connect(), "");
        Lines expected = {"setSingleSetting(LIBFPTR_SETTING_MODEL,\"500\")"};
        expected = Concat(expected, row.settings);
        expected.push_back("applySingleSettings()");
        EXPECT_EQ(Between("setSingleSetting(LIBFPTR_SETTING_MODEL,\"500\")", "open()"),
                  Expected(expected));
        const auto has = [&](const std::string& text) {
            const auto& lines = ctx.log.Messages();
            for (size_t i = earlier; i < lines.size(); ++i) {
                if (lines[i].find(text) != std::string::npos)
                    return true;
            }
            return false;
        };
        EXPECT_TRUE(has("Берем параметры от логического устройства 1 из файла AtolDevice1.ini"));
        EXPECT_EQ(has("ATOLDEVICE1.ini: порт не задан"), row.settings.empty());
        EXPECT_TRUE(Errors().empty());
    }
}

const std::string kNotADeviceFile =
    " не является файлом логического устройства ККМ АТОЛ: после ATOLDEVICE должен стоять номер "
    "устройства без нулей впереди (ATOLDEVICE1.ini, ATOLDEVICE2.ini …). Переименуйте или "
    "уберите файл. Команда не выполнена";

TEST_F(AtolConnectTest, DeviceFilesThatNameNoRegisterEndTheConnection) {
    struct Row {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        int logicalDevice;
        std::deque<int> answers;
        std::string failure;
    };
    const Row rows[] = {
        {"missing_file_for_the_number",
         {{"ATOLDEVICE1.ini", "PORT=USB"}},
         3,
         {},
         "Ошибка подключения к логическому устройству 3:Нет файла настроек логического "
         "устройства 3 ATOLDEVICE3.ini в папке " +
             folder.Path() + " (есть: ATOLDEVICE1.ini). Команда не выполнена"},
        {"baudrate_not_a_number",
         {{"ATOLDEVICE1.ini", "PORT=COM\r\nCOM_FILE=COM3\r\nBAUDRATE=9600бод"}},
         1,
         {},
         "Ошибка подключения к логическому устройству 1:В файле ATOLDEVICE1.ini "
         "BAUDRATE=9600бод не является целым числом. Команда не выполнена"},
        {"unknown_port",
         {{"ATOLDEVICE1.ini", "PORT=TCP\r\nIPADDRESS=10.0.0.7\r\nIPPORT=5555"}},
         1,
         {},
         "Ошибка подключения к логическому устройству 1:В файле ATOLDEVICE1.ini PORT=TCP не "
         "является известным портом (допустимы COM, USB и TCP_IP; LPT или пустое значение "
         "оставляют настройки драйвера). Команда не выполнена"},
        // 01 is not taken for 1, and a name that is no number is no device: either may mean
        // another register than the driver's stored one.
        {"leading_zero",
         {{"ATOLDEVICE01.ini", "PORT=USB"}},
         1,
         {},
         "Файл ATOLDEVICE01.ini" + kNotADeviceFile},
        {"not_a_number_beside_a_good_file",
         {{"ATOLDEVICE1.ini", "PORT=USB"}, {"ATOLDEVICE_old.ini", "PORT=USB"}},
         1,
         {},
         "Файл ATOLDEVICE_old.ini" + kNotADeviceFile},
        {"speed_the_driver_refuses",
         {{"ATOLDEVICE1.ini", "PORT=COM\r\nCOM_FILE=COM3\r\nBAUDRATE=14400"}},
         1,
         {},
         "Ошибка подключения к логическому устройству 1:Неверная скорость обмена 14400"},
        {"dialog_cancelled",
         {{"ATOLDEVICE1.ini", "PORT=USB"}, {"ATOLDEVICE2.ini", "PORT=USB"}},
         0,
         {-1},
         "<не выбрано>"},
        {"dialog_closed_without_a_choice",
         {{"ATOLDEVICE1.ini", "PORT=USB"}, {"ATOLDEVICE2.ini", "PORT=USB"}},
         0,
         {0},
         "<не выбрано>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& f : row.files)
            folder.Write(f.first, f.second);
        ctx.device.LogicalDevice = row.logicalDevice;
        platform.logicalDevices = row.answers;
        NewCommand();
        EXPECT_EQ(Connect(), row.failure);
        // Nothing opened: the driver's stored settings may name another register.
        EXPECT_TRUE(std::find(traffic.lines.begin(), traffic.lines.end(), "open()") ==
                    traffic.lines.end());
        for (const auto& f : row.files)
            DeleteFileIfExists(folder.File(f.first));
    }
}

TEST_F(AtolConnectTest, TheDialogListsTheDeviceFilesAndItsLineNamesTheDevice) {
    folder.Write("ATOLDEVICE1.ini", "PORT=USB");
    folder.Write("ATOLDEVICE3.ini", "PORT=TCP_IP\r\nIPADDRESS=10.0.0.3\r\nIPPORT=5555");
    ctx.device.LogicalDevice = 0;
    platform.logicalDevices = {2};
    EXPECT_EQ(Connect(), "");
    ASSERT_EQ(platform.logicalDeviceLists.size(), 1u);
    EXPECT_EQ(platform.logicalDeviceLists[0], (Lines{"1.ATOLDEVICE1.ini", "3.ATOLDEVICE3.ini"}));
    EXPECT_EQ(ctx.device.LogicalDevice, 3) << "the second line is device 3, not device 2";
    EXPECT_NE(std::find(traffic.lines.begin(), traffic.lines.end(),
                        Expected({"setSingleSetting(LIBFPTR_SETTING_IPADDRESS,\"10.0.0.3\")"})[0]),
              traffic.lines.end());

    // One file: no dialog, its device.
    DeleteFileIfExists(folder.File("ATOLDEVICE1.ini"));
    ctx.device.LogicalDevice = 0;
    NewCommand();
    EXPECT_EQ(Connect(), "");
    EXPECT_EQ(platform.logicalDeviceLists.size(), 1u);
    EXPECT_EQ(ctx.device.LogicalDevice, 3);
}

TEST_F(AtolConnectTest, ClockCheckAllowsARegisterBehindButNotOneFarAhead) {
    struct Row {
        int offsetMinutes;
        bool passes;
    };
    for (const Row row : {Row{99, true}, Row{100, false}, Row{-300, true}}) {
        SCOPED_TRACE(row.offsetMinutes);
        folder.Write("Fptr10.sim.faults.ini",
                     "CLOCK_OFFSET_MINUTES=" + std::to_string(row.offsetMinutes));
        ctx.ReleaseDrivers();
        NewCommand();
        const std::string failure = Connect();
        if (row.passes) {
            EXPECT_EQ(failure, "");
        } else {
            EXPECT_EQ(failure,
                      "Время ФР (12.02.2021 12:10:15) отличается от времени\rтерминала(12.02.2021 "
                      "10:30:15) установите правильное время!");
        }
    }
}

TEST_F(AtolConnectTest, LineWidthsFromTheRegisterOrTheUsualPaper) {
    struct Row {
        int registerLength;
        int width, totalWidth;
    };
    for (const Row row : {Row{42, 42, 21}, Row{33, 33, 16}, Row{0, 50, 25}, Row{-5, 50, 25}}) {
        SCOPED_TRACE(row.registerLength);
        folder.Write("Fptr10.sim.state.ini", "LINE_LENGTH=" + std::to_string(row.registerLength));
        ctx.param.PRN_WIDHT = 0;
        ctx.param.PRN_WIDHT_ITOG = 0;
        ctx.ReleaseDrivers();
        NewCommand();
        EXPECT_EQ(Connect(), "");
        EXPECT_EQ(ctx.param.PRN_WIDHT, row.width);
        EXPECT_EQ(ctx.param.PRN_WIDHT_ITOG, row.totalWidth);
    }
    // Widths from Param.ini are kept.
    ctx.param.PRN_WIDHT = 30;
    ctx.param.PRN_WIDHT_ITOG = 12;
    NewCommand();
    EXPECT_EQ(Connect(), "");
    EXPECT_EQ(ctx.param.PRN_WIDHT, 30);
    EXPECT_EQ(ctx.param.PRN_WIDHT_ITOG, 12);
}

TEST_F(AtolConnectTest, StateRepairCancelsAnOpenReceiptAndClosesAnExpiredShift) {
    // Left by a program that died in the middle of a receipt, a day and a half ago.
    folder.Write("Fptr10.sim.state.ini", "SHIFT_NUMBER=4\r\nSHIFT_OPEN=1\r\nSHIFT_OPENED_AT=" +
                                             std::to_string(clock.Now() - 1.5) +
                                             "\r\nRECEIPT_TYPE=1\r\n");
    EXPECT_EQ(Connect(), "");
    EXPECT_EQ(Between("getParamInt(LIBFPTR_PARAM_RECEIPT_TYPE)",
                      "setParam(LIBFPTR_PARAM_DATA_TYPE,LIBFPTR_DT_RECEIPT_STATE)"),
              Expected({"getParamInt(LIBFPTR_PARAM_RECEIPT_TYPE)",
                        "getParamInt(LIBFPTR_PARAM_SHIFT_STATE)", "cancelReceipt()",
                        "setParam(LIBFPTR_PARAM_REPORT_TYPE,LIBFPTR_RT_CLOSE_SHIFT)", "report()"}));
    const std::string tape = Tape();
    EXPECT_NE(tape.find("ЧЕК АННУЛИРОВАН"), std::string::npos) << tape;
    EXPECT_NE(tape.find("ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"), std::string::npos) << tape;
    EXPECT_NE(folder.Read("Fptr10.sim.state.ini").find("SHIFT_OPEN=0"), std::string::npos);
}

TEST_F(AtolConnectTest, FailuresOfTheConnectionSteps) {
    struct Row {
        const char* faults;
        std::string failure;
    };
    const Row rows[] = {
        {"FAIL.Beep=12,Нет связи", "АТОЛ Beep:Нет связи возможно надо поставить 32разр драйвера"},
        {"FAIL.queryData=2,Порт занят", "Не удалось занять порт:Порт занят"},
        {"FAIL.report=68,Ошибка ФН",
         "Не удалось закрыть смену, превысившую 24 часа:Ошибка ФН"},  // with an expired shift
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.faults);
        AtolRig fresh;  // a new run: the beep is due again
        fresh.folder.Write("Fptr10.sim.faults.ini", row.faults);
        fresh.folder.Write("Fptr10.sim.state.ini", "SHIFT_OPEN=1\r\nSHIFT_OPENED_AT=1\r\n");
        fresh.ctx.ConnectPending = true;
        try {
            fresh.atol->ATOL_Connect();
            ADD_FAILURE() << "connected";
        } catch (const Failure& f) {
            EXPECT_EQ(std::string(f.what()), row.failure);
        }
        EXPECT_FALSE(fresh.ctx.ConnectPending) << "no second attempt in the same command";
    }
}

TEST_F(AtolConnectTest, ADriverThatCannotBeCreatedIsTriedSixTimesAndTheCommandFails) {
    auto empty = std::make_shared<DriverFactory>(DriverEnvironment{ctx.Folder(), ctx.log, clock});
    AtolBackend noDriver(ctx, empty);
    try {
        noDriver.ATOL_Connect();
        ADD_FAILURE() << "connected without a driver";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "Атол: драйвер AddIn.Fptr10 не создан: Недопустимая строка с указанием класса: "
                  "AddIn.Fptr10");
    }
    int attempts = 0;
    for (const auto& line : ctx.log.Messages()) {
        attempts += line.find(
                        "Атол:Ошибка подключения к ФР:Недопустимая строка с указанием "
                        "класса: AddIn.Fptr10 возможно надо поставить 32разр драйвера") !=
                    std::string::npos;
    }
    EXPECT_EQ(attempts, 6);
    EXPECT_EQ(noDriver.DriverState(), "драйвер AddIn.Fptr10 не установлен");
    EXPECT_EQ(atol->DriverState(), "симулятор (AddIn.Fptr10)");
}

// A library that does not load fails alike every time: one attempt, the reason in the one
// failure of the command, no message lines repeating it.
TEST_F(AtolConnectTest, ADriverLibraryThatDoesNotLoadIsTriedOnceAndItsReasonFailsTheCommand) {
    auto missing = std::make_shared<DriverFactory>(DriverEnvironment{ctx.Folder(), ctx.log, clock});
    int attempts = 0;
    const std::string reason = "АТОЛ: не удалось загрузить библиотеку драйвера /x/libfptr10.so";
    missing->Register(
        "AddIn.Fptr10",
        [&](const DriverEnvironment&) -> std::unique_ptr<AutomationObject> {
            ++attempts;
            throw DriverMissing(reason);
        },
        [] { return std::string("библиотека производителя /x/libfptr10.so не загружается"); });
    AtolBackend backend(ctx, missing);
    const size_t messages = ctx.log.Messages().size();
    try {
        backend.ATOL_Connect();
        ADD_FAILURE() << "connected without a library";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()), "Атол: драйвер AddIn.Fptr10 не создан: " + reason);
    }
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(ctx.log.Messages().size(), messages);
    EXPECT_EQ(backend.DriverState(), "библиотека производителя /x/libfptr10.so не загружается");
}

TEST_F(AtolConnectTest, AConstantTheDriverDoesNotKnowIsNamedInTheFailure) {
    AtolDriver driver(drivers, ctx.log);
    driver.Create();
    EXPECT_EQ(driver.ConstantInt("libfptr_param_text"),
              SimulatedFptr10::Constant("LIBFPTR_PARAM_TEXT")->ToInt());
    try {
        driver.SetParam("LIBFPTR_PARAM_NO_SUCH", 1);
        ADD_FAILURE() << "an unknown constant was accepted";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "Атол: драйвер не знает константу LIBFPTR_PARAM_NO_SUCH (AddIn.Fptr10: "
                  "неизвестное имя LIBFPTR_PARAM_NO_SUCH)");
    }
}

// The one message the simulator logs when its object is created.
int ObjectsCreated(const AppContext& ctx) {
    int n = 0;
    for (const auto& line : ctx.log.Messages())
        n += line.find("AddIn.Fptr10: ККМ АТОЛ") != std::string::npos;
    return n;
}

TEST_F(AtolConnectTest, KeepAliveSettingKeepsTheDriverObjectAcrossCommands) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep);
        AtolRig run;
        run.ctx.KeepAtolDriver = keep;
        for (int command = 0; command < 2; ++command) {
            run.NewCommand();
            run.atol->ATOL_XReport();
        }
        run.NewCommand();
        EXPECT_EQ(ObjectsCreated(run.ctx), keep ? 1 : 2);
    }
}

TEST_F(AtolConnectTest, ServiceButtonsLetTheOperatorChoose) {
    folder.Write("ATOLDEVICE1.ini", "PORT=USB");
    folder.Write("ATOLDEVICE2.ini", "PORT=USB");
    ctx.device.LogicalDevice = 5;
    platform.logicalDevices = {-1};
    EXPECT_FALSE(atol->PrepareServiceButton(ServiceButton::ZReport));
    EXPECT_EQ(ctx.device.LogicalDevice, 0);
    EXPECT_TRUE(Errors().empty()) << "a cancelled choice is no error";

    NewCommand();
    platform.logicalDevices = {2};
    EXPECT_TRUE(atol->PrepareServiceButton(ServiceButton::XReport));
    EXPECT_EQ(ctx.device.LogicalDevice, 2);

    // "Открыть свойства ФР": no connection before the operation, which connects itself.
    NewCommand();
    EXPECT_TRUE(atol->PrepareServiceButton(ServiceButton::ShowProperties));
    EXPECT_TRUE(traffic.lines.empty());
    platform.logicalDevices = {1};
    atol->ShowProperties();
    EXPECT_EQ(ctx.device.LogicalDevice, 1);
    const Lines tail = {"showProperties(LIBFPTR_GUI_PARENT_NATIVE,0)"};
    EXPECT_EQ(Traffic().back(), Expected(tail)[0]);
}

}  // namespace
}  // namespace orvenka::test
