#include "shell/receipt_job.h"

#include <algorithm>
#include <optional>

#include "common/failure.h"
#include "common/files.h"
#include "common/text.h"
#include "receipt/param_reader.h"
#include "shell/goods_files.h"
#include "shell/incoming_files.h"

namespace orvenka {
namespace {

const char* const kCheckList = "CheckList.txt";

DeviceBackend& BackendFor(AppContext& ctx, DeviceKind kind) {
    DeviceBackend* backend = ctx.Backend(kind);
    if (!backend) {
        // Recording the document as printed without printing it would lose the receipt.
        throw Failure("Чек не напечатан: не указан вид устройства или для него нет драйвера");
    }
    return *backend;
}

// The register as stored; nullopt (after an error line) when it exists but cannot be read.
std::optional<std::vector<std::string>> LoadCheckList(AppContext& ctx) {
    const std::string path = ctx.Path(kCheckList);
    try {
        if (!FileExists(path))
            return std::vector<std::string>{};
        return SortedRegister(LoadLines(path));
    } catch (const Failure& f) {
        ctx.LogError(f.what());
        return std::nullopt;
    }
}

bool Listed(const std::vector<std::string>& list, const std::string& id) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& entry) { return SameNoCase(entry, id); });
}

}  // namespace

std::vector<std::string> SortedRegister(std::vector<std::string> lines) {
    const auto less = [](const std::string& a, const std::string& b) {
        return CompareNoCase(a, b) < 0;
    };
    std::stable_sort(lines.begin(), lines.end(), less);
    const auto same = [](const std::string& a, const std::string& b) {
        return CompareNoCase(a, b) == 0;
    };
    lines.erase(std::unique(lines.begin(), lines.end(), same), lines.end());
    return lines;
}

bool IsAlreadyPrinted(AppContext& ctx, const std::string& documentId) {
    if (IsBlank(documentId))
        return false;
    const auto list = LoadCheckList(ctx);
    if (!list || !Listed(*list, documentId))
        return false;

    const std::string question = "Чек " + documentId + " уже был напечатан. Повторить?";
    const Platform::Answer answer =
        ctx.platform.HasScreen() ? ctx.platform.AskYesNo(question) : Platform::Answer::NoScreen;
    if (answer == Platform::Answer::Yes)
        return false;
    if (answer == Platform::Answer::NoScreen) {
        ctx.LogError("Чек " + documentId +
                     " уже был напечатан. Повторная печать не выполнена: нет экрана, на котором " +
                     "оператор мог бы её подтвердить");
    }
    return true;
}

void AddToCheckList(AppContext& ctx, const std::string& documentId) {
    if (IsBlank(documentId))
        return;
    auto list = LoadCheckList(ctx);
    if (!list) {
        ctx.LogError("Документ " + documentId + " не записан в " + kCheckList +
                     ": файл не прочитан, он оставлен без изменений");
        return;
    }
    if (!Listed(*list, documentId)) {
        const auto at = std::lower_bound(
            list->begin(), list->end(), documentId,
            [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
        list->insert(at, documentId);
    }
    try {
        SaveLinesAtomic(ctx.Path(kCheckList), *list);
    } catch (const Failure& f) {
        ctx.LogError(f.what());
    }
}

bool ReadParamIni(AppContext& ctx) {
    std::string path;
    try {
        path = IncomingFilePath(ctx.Folder(), "Param.ini");
    } catch (const Failure& f) {
        ctx.LogError(std::string("ReadParam:") + f.what());
        return false;
    }
    return ReadParam(path, ctx.param, ctx.log, ctx.platform);
}

bool RunReceiptJob(AppContext& ctx, const std::string& command) {
    if (!ReadParamIni(ctx))
        return false;

    const DeviceKind kind = ctx.device.Kind;
    if (SameTrimmed(command, "CORRECT_PRIH") || SameTrimmed(command, "CORRECT_RASH")) {
        DeviceBackend* backend = ctx.Backend(kind);
        if (backend && backend->CorrectionFromParam())
            return backend->PrintCorrection(command);
    }

    // A device that cannot make the receipt refuses before the goods file is read: reading it
    // moves it to Tovar.oldini, and the accounting system would have to write it again.
    DeviceBackend& backend = BackendFor(ctx, kind);
    if (!backend.MakesReceipts())
        backend.BeginReceipt();  // raises the device's refusal

    std::string word = command;
    std::vector<TDop> extras;
    std::vector<TTovar> goods;
    if (word == "PRINTS" || word == "RETURNS") {
        // The simple receipts: no extra lines, no repeat check.
        word = word == "PRINTS" ? "PRINT" : "RETURN";
        goods = ReadTovarIni(ctx);
    } else {
        extras = ReadDopIni(ctx);
        goods = ReadTovarIni(ctx);
        if (!goods.empty() && IsAlreadyPrinted(ctx, ctx.param.DocumStr))
            return false;
    }
    if (goods.empty()) {
        ctx.LogError("Список Товаров/Услуг пуст. Печать чека отменена!");
        return false;
    }

    backend.BeginReceipt();
    for (const TDop& extra : extras) {
        backend.AddExtraLine(extra.Caption, TrimText(extra.Value), extra.Emphasis);
    }
    for (const TTovar& t : goods) {
        TSale sale;
        sale.Name = t.Name;
        sale.Comment = "";
        sale.NDS = t.NDS;
        sale.Kolvo = t.Kolvo;
        sale.Cena = t.Cena;
        sale.Summa = t.Kolvo * t.Cena;
        backend.AddGoodsLine(sale, t);
    }
    const bool made = backend.PrintReceipt(word);
    AddToCheckList(ctx, ctx.param.DocumStr);
    return made;
}

}  // namespace orvenka
