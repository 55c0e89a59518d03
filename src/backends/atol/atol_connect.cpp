// The connection of the ATOL back-end: the driver object, the logical device and its settings
// file, the state repair, the clock check and the line widths.
#include "backends/atol/atol_backend.h"
#include "backends/atol/atol_device_files.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/text.h"
#include "shell/app_context.h"

namespace orvenka {

AtolBackend::AtolBackend(AppContext& ctx, std::shared_ptr<DriverFactory> drivers)
    : ctx_(ctx), drivers_(drivers), driver_(std::move(drivers), ctx.log) {}

bool AtolBackend::PrepareServiceButton(ServiceButton button) {
    ctx_.device.LogicalDevice = 0;
    if (button == ServiceButton::ShowProperties)
        return true;
    return ATOL_Connect() != Link::NotChosen;
}

void AtolBackend::ReleaseDriver() {
    if (!ctx_.KeepAtolDriver)
        driver_.Release();
}

std::string AtolBackend::DriverState() const {
    if (!drivers_->Knows(AtolDriver::kProgId))
        return std::string("драйвер ") + AtolDriver::kProgId + " не установлен";
    const std::string library = drivers_->Describe(AtolDriver::kProgId);
    if (!library.empty())
        return library;
    return std::string("симулятор (") + AtolDriver::kProgId + ")";
}

void AtolBackend::Connect() {
    if (ATOL_Connect() == Link::NotChosen) {
        throw Failure(
            "Не выбрано логическое устройство АТОЛ (ни один файл ATOLDEVICE<номер>.ini не "
            "выбран). Команда не выполнена");
    }
}

AtolBackend::Link AtolBackend::ATOL_Connect() {
    if (!ctx_.ConnectPending)
        return Link::AlreadyConnected;
    ctx_.ConnectPending = false;
    if (!driver_.Exists())
        driver_.Create();
    state_.CheckBegun = false;

    const auto files = ATOL_DeviceFiles(ctx_.Folder());
    if (!files.empty()) {
        if (ctx_.device.LogicalDevice == 0) {
            const int chosen = SelectLogicalDevice(files);
            // Without a choice the driver would open whatever register its stored settings
            // name, possibly another shop's.
            if (chosen <= 0)
                return Link::NotChosen;
            ctx_.device.LogicalDevice = chosen;
        }
        const std::string n = std::to_string(ctx_.device.LogicalDevice);
        ctx_.LogMessage("Берем параметры от логического устройства " + n + " из файла AtolDevice" +
                        n + ".ini");
        TAtolDeviceStruct device;
        try {
            device = ATOL_ReadDeviceFile(ctx_.Folder(), ctx_.device.LogicalDevice);
        } catch (const Failure& f) {
            throw Failure("Ошибка подключения к логическому устройству " + n + ":" + f.what() +
                          ". Команда не выполнена");
        }
        ApplyDeviceSettings(device);
    }

    driver_.Run("open");
    ATOL_CheckPort();
    if (!state_.BeepDone) {
        state_.BeepDone = true;
        driver_.Check(driver_.Run("Beep"),
                      "АТОЛ Beep:", " возможно надо поставить 32разр драйвера");
    }

    driver_.SetParam("LIBFPTR_PARAM_DATA_TYPE", driver_.Constant("LIBFPTR_DT_STATUS"));
    driver_.Check(driver_.Run("queryData"), "АТОЛ запрос на статус:");
    // Both are read before anything else runs: every operation replaces the driver's outputs.
    const int64_t receiptType = driver_.ParamInt("LIBFPTR_PARAM_RECEIPT_TYPE");
    const int64_t shiftState = driver_.ParamInt("LIBFPTR_PARAM_SHIFT_STATE");
    if (receiptType != 0)
        driver_.Run("cancelReceipt");
    if (shiftState == driver_.ConstantInt("LIBFPTR_SS_EXPIRED")) {
        driver_.SetParam("LIBFPTR_PARAM_REPORT_TYPE", driver_.Constant("LIBFPTR_RT_CLOSE_SHIFT"));
        // A shift left open past 24 hours refuses every receipt; say so here, not at closing.
        driver_.Check(driver_.Run("report"), "Не удалось закрыть смену, превысившую 24 часа:");
    }

    driver_.SetParam("LIBFPTR_PARAM_DATA_TYPE", driver_.Constant("LIBFPTR_DT_RECEIPT_STATE"));
    driver_.Run("queryData");
    if (driver_.ParamInt("LIBFPTR_PARAM_RECEIPT_TYPE") != 0)
        driver_.Run("cancelReceipt");

    CheckClock();
    LearnWidths();
    return Link::Connected;
}

int AtolBackend::SelectLogicalDevice(const std::map<int, std::string>& files) {
    if (files.size() < 2)
        return files.begin()->first;
    // The dialog answers the position of the line; the line names the device.
    std::vector<std::string> lines;
    std::vector<int> numbers;
    std::string firstFailure;
    for (const auto& [n, path] : files) {
        try {
            const TAtolDeviceStruct device = ATOL_ReadDeviceFile(ctx_.Folder(), n);
            lines.push_back(std::to_string(n) + "." + device.FileName);
            numbers.push_back(n);
        } catch (const Failure& f) {
            ctx_.LogMessage(f.what());
            if (firstFailure.empty())
                firstFailure = f.what();
        }
    }
    if (lines.empty())
        throw Failure("Ни один файл настроек ККМ АТОЛ не прочитан: " + firstFailure);
    const int position = ctx_.platform.SelectLogicalDevice(lines);
    if (position < 1 || position > static_cast<int>(numbers.size()))
        return position < 1 ? position : 0;
    return numbers[static_cast<size_t>(position - 1)];
}

void AtolBackend::ApplyDeviceSettings(const TAtolDeviceStruct& device) {
    const auto constantText = [this](const std::string& name) {
        return driver_.Constant(name).ToText();
    };
    driver_.SetSingleSetting("LIBFPTR_SETTING_MODEL", constantText("LIBFPTR_MODEL_ATOL_AUTO"));
    if (AtolPortLeftToDriver(device.PORT)) {
        ctx_.LogMessage("Файл " + device.FileName + ": порт не задан (PORT=" + device.PORT +
                        "), используются собственные настройки драйвера ККМ АТОЛ");
    } else if (SameTrimmed(device.PORT, "COM")) {
        driver_.SetSingleSetting("LIBFPTR_SETTING_PORT", constantText("LIBFPTR_PORT_COM"));
        driver_.SetSingleSetting("LIBFPTR_SETTING_COM_FILE", device.COM_FILE);
        const std::string speed = AtolBaudRateConstant(device.BAUDRATE);
        driver_.SetSingleSetting("LIBFPTR_SETTING_BAUDRATE", speed.empty()
                                                                 ? std::to_string(device.BAUDRATE)
                                                                 : constantText(speed));
    } else if (SameTrimmed(device.PORT, "USB")) {
        driver_.SetSingleSetting("LIBFPTR_SETTING_PORT", constantText("LIBFPTR_PORT_USB"));
    } else if (SameTrimmed(device.PORT, "TCP_IP")) {
        driver_.SetSingleSetting("LIBFPTR_SETTING_PORT", constantText("LIBFPTR_PORT_TCPIP"));
        driver_.SetSingleSetting("LIBFPTR_SETTING_IPADDRESS", device.IPADDRESS);
        driver_.SetSingleSetting("LIBFPTR_SETTING_IPPORT", device.IPPORT);
    }
    driver_.Check(
        driver_.Run("applySingleSettings"),
        "Ошибка подключения к логическому устройству " + std::to_string(device.Number) + ":");
}

void AtolBackend::ATOL_CheckPort() {
    if (!driver_.IsOpened())
        return;
    driver_.SetParam("LIBFPTR_PARAM_DATA_TYPE", driver_.Constant("LIBFPTR_DT_DATE_TIME"));
    driver_.Check(driver_.Run("queryData"), "Не удалось занять порт:");
}

TDateTime AtolBackend::ATOL_GetDateTime() {
    Connect();
    if (!driver_.IsOpened())
        driver_.Run("open");
    if (!driver_.IsOpened())
        return 0;
    driver_.SetParam("LIBFPTR_PARAM_DATA_TYPE", driver_.Constant("LIBFPTR_DT_DATE_TIME"));
    driver_.Check(driver_.Run("queryData"), "Не удалось получить дату у ККМ:");
    return driver_.ParamDateTime("LIBFPTR_PARAM_DATE_TIME");
}

void AtolBackend::CheckClock() {
    const TDateTime registerTime = ATOL_GetDateTime();
    const TDateTime computerTime = ctx_.clock.Now();
    if (!ClockDiffBelow(100, computerTime, registerTime)) {
        throw Failure("Время ФР (" + FormatDateTime(registerTime) + ") отличается от времени\r" +
                      "терминала(" + FormatDateTime(computerTime) +
                      ") установите правильное время!");
    }
}

void AtolBackend::LearnWidths() {
    TParam& p = ctx_.param;
    bool guessed = false;
    if (p.PRN_WIDHT <= 0) {
        driver_.SetParam("LIBFPTR_PARAM_DATA_TYPE",
                         driver_.Constant("LIBFPTR_DT_RECEIPT_LINE_LENGTH"));
        driver_.Run("queryData");
        const int64_t length = driver_.ParamInt("LIBFPTR_PARAM_RECEIPT_LINE_LENGTH");
        // A register that does not say (or says 0) gets the usual paper, never a width that
        // makes every line empty.
        guessed = length <= 0 || length > 1000;
        p.PRN_WIDHT = guessed ? 50 : static_cast<int>(length);
    }
    if (p.PRN_WIDHT_ITOG <= 0)
        p.PRN_WIDHT_ITOG = guessed || p.PRN_WIDHT / 2 <= 0 ? 25 : p.PRN_WIDHT / 2;
    if (p.NameFull)
        p.Name = p.PRN_WIDHT;
}

void AtolBackend::ATOL_ShowProperties() {
    if (ATOL_Connect() == Link::NotChosen)
        return;
    driver_.Run("showProperties", {driver_.Constant("LIBFPTR_GUI_PARENT_NATIVE"), 0});
    if (!ctx_.KeepAtolDriver)
        driver_.Release();
}

}  // namespace orvenka
