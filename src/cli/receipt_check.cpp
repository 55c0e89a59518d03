#include "cli/receipt_check.h"

#include <sys/stat.h>

#include <cstdio>

#include "backends/shared/emul_report.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/key_values.h"
#include "common/logger.h"
#include "common/null_platform.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/param_reader.h"
#include "shell/goods_files.h"
#include "shell/incoming_files.h"

namespace orvenka {
namespace {

// The error log of the readers, kept for printing instead of being written anywhere.
class Collected : public Logger {
  public:
    Collected(std::vector<std::string>& errors, std::vector<std::string>& notes)
        : errors_(errors), notes_(notes) {}
    // The readers' messages (a file read as UTF-8) are worth the integrator's eye.
    void LogMessage(const std::string& text) override { notes_.push_back(text); }
    void LogError(const std::string& text) override { errors_.push_back(text); }

  private:
    std::vector<std::string>& errors_;
    std::vector<std::string>& notes_;
};

// No screen, no printing: only the printer list the Param.ini reader checks PRN_NAME against.
class DryRunPlatform : public NullPlatform {
  public:
    explicit DryRunPlatform(std::vector<std::string> printers) : printers_(std::move(printers)) {}
    std::vector<std::string> Printers() override { return printers_; }

  private:
    std::vector<std::string> printers_;
};

std::string NamedPrinter(const std::string& paramPath) {
    try {
        return TrimText(KeyValueLines(LoadLines(paramPath)).Value("PRN_NAME").value_or(""));
    } catch (const Failure&) {
        return {};
    }
}

bool Listed(const std::string& checkList, const std::string& id) {
    try {
        if (!FileExists(checkList))
            return false;
        for (const std::string& entry : LoadLines(checkList)) {
            if (SameNoCase(entry, id))
                return true;
        }
    } catch (const Failure&) {
    }
    return false;
}

}  // namespace

std::optional<DeviceKind> FolderDeviceKind(const std::string& folder) {
    // The file and key orvenka-folder writes; the program is started on that kind.
    try {
        const std::string file = folder + "orvenka-folder.ini";
        if (!FileExists(file))
            return std::nullopt;
        return KindFromName(KeyValueLines(LoadLines(file)).Value("Kind").value_or(""));
    } catch (const Failure&) {
    }
    return std::nullopt;
}

ReceiptCheck CheckReceiptFiles(const std::string& folder, const std::vector<std::string>& printers,
                               bool printersKnown, std::optional<DeviceKind> kind) {
    ReceiptCheck check;
    Collected log(check.errors, check.notes);

    // Param.ini, as the receipt job reads it first.
    TParam param;
    bool paramRead = false;
    try {
        const std::string path = IncomingFilePath(folder, "Param.ini");
        std::vector<std::string> names = printers;
        const std::string named = NamedPrinter(path);
        if (!printersKnown && !IsBlank(named)) {
            names.push_back(named);
            check.notes.push_back("Принтер " + named +
                                  " не проверен: список принтеров CUPS получить не удалось");
        }
        DryRunPlatform platform(names);
        paramRead = ReadParam(path, param, log, platform);
    } catch (const Failure& f) {
        log.LogError(std::string("ReadParam:") + f.what());
    }

    // Dop.ini, then Tovar.ini, left where they are.
    try {
        check.extraLines = LoadDopIni(folder, &log).size();
    } catch (const Failure& f) {
        log.LogError(f.what());
    }
    std::vector<TTovar> goods;
    try {
        goods = LoadTovarIni(folder, &log);
    } catch (const Failure& f) {
        log.LogError(f.what());
    }
    if (goods.empty())
        log.LogError("Список Товаров/Услуг пуст. Печать чека отменена!");
    check.goodsLines = goods.size();
    check.goodsTotal = GoodsTotal(param, goods);

    // The emulator lays the receipt out on paper of the widths Param.ini gives, and refuses it
    // without them once the goods are in.
    if (kind == DeviceKind::Emul && paramRead && !goods.empty()) {
        try {
            CheckEmulParams(param);
        } catch (const Failure& f) {
            log.LogError("EMUL:" + std::string(f.what()));
        }
    } else if (!kind) {
        check.notes.push_back(
            "вид устройства папки неизвестен (нет orvenka-folder.ini): "
            "настройки эмулятора не проверены");
    }
    if (paramRead && !goods.empty() && !IsBlank(param.DocumStr) &&
        Listed(folder + "CheckList.txt", param.DocumStr)) {
        log.LogError("Чек " + param.DocumStr +
                     " уже был напечатан (он есть в CheckList.txt): программа спросит оператора, "
                     "повторить ли печать, а без экрана откажет");
    }

    // The payment as the back-ends split it.
    if (param.OplataBreak) {
        check.cash = param.BreakSumNAL;
        check.electronic = param.BreakSumVISA;
    } else if (IsBlank(param.Oplata)) {
        check.cash = check.goodsTotal;
    } else {
        check.electronic = check.goodsTotal;
    }
    check.refused = !check.errors.empty();
    return check;
}

bool ListPrinters(std::vector<std::string>& printers) {
    printers.clear();
    FILE* pipe = ::popen("lpstat -e 2>/dev/null", "r");
    if (!pipe)
        return false;
    std::string text;
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        text.append(buf, n);
    const int status = ::pclose(pipe);
    if (status != 0)
        return false;
    for (const std::string& line : SplitLines(text)) {
        if (!IsBlank(line))
            printers.push_back(TrimText(line));
    }
    return true;
}

int PrintReceiptCheck(const ReceiptCheck& check, std::ostream& out) {
    for (const std::string& line : check.errors)
        out << line << "\n";
    for (const std::string& line : check.notes)
        out << "Примечание: " << line << "\n";
    out << "Товаров: " << check.goodsLines << ", сумма " << FormatMoney(check.goodsTotal) << "\n";
    out << "Доп. строк: " << check.extraLines << "\n";
    out << "Оплата: наличными " << FormatMoney(check.cash) << ", электронными "
        << FormatMoney(check.electronic) << "\n";
    if (!check.refused && check.cash + check.electronic + 0.005 < check.goodsTotal) {
        out << "Примечание: оплата меньше суммы товаров; ККМ откажет в закрытии такого чека\n";
    }
    out << (check.refused ? "Чек не был бы напечатан\n" : "Чек был бы напечатан\n");
    return check.refused ? 1 : 0;
}

int RunReceiptCheck(const std::string& folder, std::ostream& out, std::ostream& err) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        err << "orvenka-cmd: папка " << folder << " не найдена\n";
        return 2;
    }
    std::vector<std::string> printers;
    const bool known = ListPrinters(printers);
    return PrintReceiptCheck(CheckReceiptFiles(folder, printers, known, FolderDeviceKind(folder)),
                             out);
}

}  // namespace orvenka
