#include "shell/startup.h"

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/key_values.h"
#include "common/text.h"
#include "common/version.h"

namespace orvenka {

const char* const kCaption = "Orvenka v" ORVENKA_VERSION " от 12/02/2021";

const char* const kStartupKindMessage =
    "Для запуска программы, в командной строке, необходимо указывать параметр: /ATOL или /SHTRIH\r"
    "в зависимости от установленного ККМ\r"
    "Если ККМ установлен один то для Атол это будет параметр /ATOL\r"
    "Для Штрих это /Shtrih\r"
    "Если планируется использовать несколько ККМ, то любой из /Atol или /Shtrih\r"
    "Для эмулятора принтера (чеки на обычном принтере) это /EMUL";

namespace {
const char* const kSettingsKey = "AtolNoCloseLinkToDriverAfterCommand";
}

bool CheckSingleInstance(const std::string& folder, int otherPid, Clock& clock) {
    const std::string text = otherPid != 0 ? "Копия программы уже запущена! Время проверки:"
                                           : "Успешно запущена! Время проверки:";
    try {
        SaveLinesAtomic(folder + "RunInfo.txt", {text + FormatDateTime(clock.Now())});
    } catch (const Failure&) {
        // The start report is for the operator only; a read-only folder must not stop the start.
    }
    return otherPid == 0;
}

DeviceKind StartupKindFromArgument(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return DeviceKind::None;
    const std::string a = UpperLatin(arguments[0]);
    if (a == "/ATOL")
        return DeviceKind::Atol;
    if (a == "/SHTRIH")
        return DeviceKind::Shtrih;
    if (a == "/EMUL")
        return DeviceKind::Emul;
    return DeviceKind::None;
}

void ReadProgramIni(AppContext& ctx) {
    const std::string path = ctx.SettingsPath();
    ctx.KeepAtolDriver = false;
    try {
        if (FileExists(path)) {
            const auto keep =
                KeyValueLines(LoadLines(path, kMaxSmallFileBytes)).Value(kSettingsKey);
            ctx.KeepAtolDriver = keep && SameTrimmed(*keep, "+");
        } else {
            SaveLinesAtomic(path, {std::string(kSettingsKey) + "="});
            ctx.LogError(path + " создан.Установлен параметр " + kSettingsKey + " по умолчанию");
        }
    } catch (const Failure& f) {
        ctx.KeepAtolDriver = false;
        ctx.LogError("Read_ORVENKA_ini:Предупреждение! " + path + " " + f.what());
    }
}

void RemoveLeftovers(AppContext& ctx) {
    for (const std::string& name : RemoveStaleTemporaryFiles(ctx.Folder()))
        ctx.LogMessage("Удалён временный файл прерванной записи " + ctx.Path(name));
}

bool FormCreate(AppContext& ctx, const std::vector<std::string>& commandLine) {
    ctx.log.ClearErrors();
    ctx.LogMessage(kCaption);
    std::string line;
    for (const auto& item : commandLine)
        line += item + " ";
    ctx.LogMessage(line);

    ctx.LogMessage("Имя файла для команд " + ctx.Path("cmd.ini"));
    ctx.LogMessage("Имя файла для окончания выполнения команд " + ctx.Path("cmd.finish"));
    ctx.LogMessage("Имя файла для доп строк перед мн.ч " + ctx.Path("Dop.ini"));
    ctx.LogMessage("Имя файла для списка товаров " + ctx.Path("Tovar.ini"));
    ctx.LogMessage("Имя файла для параметров " + ctx.Path("Param.ini"));
    ctx.LogMessage("Имя файла для ошибок " + ctx.Path("Result.txt"));
    ctx.LogMessage("Имя файла с номером созданного чека " + ctx.Path("ResultNumCheck.txt"));
    ctx.LogMessage("Имя файла для текущих событий " + ctx.RunLogPath());

    RemoveLeftovers(ctx);
    ReadProgramIni(ctx);

    const std::vector<std::string> arguments(
        commandLine.size() > 1 ? commandLine.begin() + 1 : commandLine.end(), commandLine.end());
    ctx.StartupKind = StartupKindFromArgument(arguments);
    if (ctx.StartupKind == DeviceKind::None) {
        ctx.platform.ShowMessage(kStartupKindMessage);
        ctx.LogMessage(kStartupKindMessage);
        return false;
    }
    return true;
}

void StartPolling(AppContext& ctx) {
    ctx.LogMessage("Старт отслеживания команд");
}

void FormDestroy(AppContext& ctx) {
    ctx.LogMessage("Завершение работы...");
    ctx.log.AppendErrorsToMessages();
    const std::string path = ctx.RunLogPath();
    try {
        SaveLinesAtomic(path, ctx.log.Messages());
    } catch (const Failure& f) {
        ctx.LogMessage("Не удалось записать log файл " + path + ": " + f.what());
    }
    ctx.LogMessage("Запись log файла:" + path);
}

}  // namespace orvenka
