#include "shell/receipt_job.h"

#include <optional>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/text.h"
#include "receipt/amounts.h"
#include "receipt/param_reader.h"
#include "shell/goods_files.h"
#include "shell/incoming_files.h"
#include "shell/pending_documents.h"

namespace orvenka {
namespace {

const char* const kCheckList = "CheckList.txt";
const char* const kPendingList = "CheckList.pending.txt";

DeviceBackend& BackendFor(AppContext& ctx, DeviceKind kind) {
    DeviceBackend* backend = ctx.Backend(kind);
    if (!backend) {
        // Recording the document as printed without printing it would lose the receipt.
        throw Failure("Чек не напечатан: не указан вид устройства или для него нет драйвера");
    }
    return *backend;
}

// A register as stored; nullopt (after an error line) when it exists but cannot be read.
template <typename Register>
std::optional<Register> LoadRegister(AppContext& ctx, const char* name) {
    try {
        return Register::Load(ctx.Path(name));
    } catch (const Failure& f) {
        ctx.LogError(f.what());
        return std::nullopt;
    }
}

std::optional<CheckList> LoadCheckList(AppContext& ctx) {
    return LoadRegister<CheckList>(ctx, kCheckList);
}

// The repeat question for a listed document. True when it must not be printed.
bool RefuseRepeat(AppContext& ctx, const std::string& documentId) {
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

void RefuseUnrecorded(AppContext& ctx, const std::string& documentId, const std::string& why) {
    ctx.LogError("Чек " + documentId + " не напечатан: его не удалось записать в " + kCheckList +
                 " (" + why + "), а без этой записи повторная отправка напечатала бы его дважды");
}

// Amounts no register holds are refused before anything is asked, printed or counted, and so is
// an identifier CheckList.txt would keep for ever. True (after the error line) when refused.
bool BeyondLimits(AppContext& ctx, const std::vector<TTovar>& goods) {
    try {
        const size_t idChars = CharCount(ctx.param.DocumStr);
        if (idChars > kMaxDocumentIdChars) {
            throw Failure("Чек не напечатан: DocumStr длиннее " +
                          std::to_string(kMaxDocumentIdChars) + " символов (" +
                          std::to_string(idChars) + ")");
        }
        CheckReceiptAmounts(ctx.param, goods);
        return false;
    } catch (const Failure& f) {
        ctx.LogError(f.what());
        return true;
    }
}

std::optional<PendingDocuments> LoadPending(AppContext& ctx) {
    return LoadRegister<PendingDocuments>(ctx, kPendingList);
}

void DropPending(AppContext& ctx, std::optional<PendingDocuments>& pending, const std::string& id) {
    if (!pending)
        return;
    try {
        pending->Drop(id);
    } catch (const Failure& f) {
        ctx.LogError(f.what());
    }
}

// A listed document the register had not confirmed when the last run ended: the register tells
// whether it made it since. Not made (the repair cancelled it, or it never got there): the entry
// goes and the resend prints. Made, or a register that cannot tell: the entry is confirmed.
void SettlePending(AppContext& ctx, DeviceBackend& backend, CheckList& list,
                   std::optional<PendingDocuments>& pending, const std::string& id) {
    const auto entry = pending ? pending->Find(id) : std::nullopt;
    if (!entry)
        return;
    if (entry->kind != KindLetter(ctx.device.Kind) ||
        entry->logicalDevice != ctx.device.LogicalDevice) {
        return;  // another register's: only that one can tell
    }
    const auto now = backend.LastFiscalDocument();
    if (now && *now == entry->lastDocument) {
        list.Remove(id);
        ctx.LogMessage("Чек " + id + " не был напечатан до остановки программы: печатается снова");
    }
    DropPending(ctx, pending, id);
}

}  // namespace

bool IsAlreadyPrinted(AppContext& ctx, const std::string& documentId) {
    if (IsBlank(documentId))
        return false;
    const auto list = LoadCheckList(ctx);
    if (!list || !list->Contains(documentId))
        return false;
    return RefuseRepeat(ctx, documentId);
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
    try {
        list->Add(documentId);
    } catch (const Failure& f) {
        ctx.LogError(f.what());
    }
}

bool ReadParamIni(AppContext& ctx) {
    std::string path;
    try {
        path = IncomingFilePath(ctx.ExchangeFolder(), "Param.ini");
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
    const bool simple = word == "PRINTS" || word == "RETURNS";
    std::vector<TDop> extras;
    std::vector<TTovar> goods;
    if (simple) {
        // The simple receipts: no extra lines, no repeat question.
        word = word == "PRINTS" ? "PRINT" : "RETURN";
        goods = ReadTovarIni(ctx);
    } else {
        try {
            extras = ReadDopIni(ctx);
        } catch (const Failure& f) {
            ctx.LogError(f.what());  // before the goods file is touched: it stays for a resend
            return false;
        }
        goods = ReadTovarIni(ctx);
    }

    if (goods.empty()) {
        ctx.LogError("Список Товаров/Услуг пуст. Печать чека отменена!");
        return false;
    }
    if (BeyondLimits(ctx, goods))
        return false;

    // The register is read once: for the repeat question and for the entry below.
    const std::string& id = ctx.param.DocumStr;
    std::optional<CheckList> list;
    std::optional<PendingDocuments> pending;
    if (!IsBlank(id)) {
        list = LoadCheckList(ctx);
        if (!list) {
            RefuseUnrecorded(ctx, id, "файл не прочитан");
            return false;
        }
        if (list->Contains(id)) {
            pending = LoadPending(ctx);
            SettlePending(ctx, backend, *list, pending, id);
        }
        if (!simple && list->Contains(id) && RefuseRepeat(ctx, id))
            return false;
    }

    // Listed before the register sees it, so a crash never prints it twice; marked pending with
    // the register's last document, so a crash before the register made it does not lose it.
    std::optional<int64_t> lastDocument;
    if (list && !ctx.param.isNotFiscal)
        lastDocument = backend.LastFiscalDocument();
    if (lastDocument) {
        if (!pending)
            pending = LoadPending(ctx);
        try {
            if (pending) {
                pending->Put({KindLetter(kind), ctx.device.LogicalDevice, *lastDocument, id});
            }
        } catch (const Failure& f) {
            ctx.LogError(f.what());  // listed all the same: never printed twice, at worst asked
        }
    }

    // Whether this job put the entry there: one listed before, and printed again on the
    // operator's word, stays whatever happens.
    bool added = false;
    if (list) {
        try {
            added = list->Add(id);
        } catch (const Failure& f) {
            RefuseUnrecorded(ctx, id, f.what());
            DropPending(ctx, pending, id);
            return false;
        }
    }
    try {
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
        // The register has answered: the entry stands as confirmed.
        DropPending(ctx, pending, id);
        return made;
    } catch (...) {
        DropPending(ctx, pending, id);
        // The back-end says the receipt was not made: a resend must print it without asking.
        if (added) {
            try {
                list->Remove(id);
            } catch (const Failure& f) {
                ctx.LogError(f.what());
            }
        }
        throw;
    }
}

}  // namespace orvenka
