#include "backends/emul/emul_reports.h"

#include <exception>

#include "backends/emul/counters.h"
#include "backends/emul/emul_output.h"
#include "common/numbers.h"
#include "shell/app_context.h"

namespace orvenka {
namespace {

const char* const kRule = "--------------";

// Appended rather than "=" + text, which g++ 12 at -O3 misreads as an overlapping copy.
std::string Money(double value) {
    std::string text = "=";
    text += FormatMoney(value);
    return text;
}

}  // namespace

void EmulReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign, bool closing) {
    const TParam& p = ctx.param;
    const TEmulVar& c = ctx.emul;
    CheckEmulParams(p);
    doc.BeginDocument();
    doc.SetDocumentFont("Orvenka");

    doc.LabelValue("ПОЛЬЗОВАТЕЛЬ:", p.USER);
    doc.Wrapped("АДРЕС:" + p.ADDRES, p.PRN_WIDHT);
    if (closing) {
        doc.LabelValue("ОТЧЕТ С ГАШЕНИЕМ", std::to_string(c.NUM_ZOTCHET));
    } else {
        doc.LabelValue("ОТЧЕТ БЕЗ ГАШЕНИЯ", "");
    }
    doc.LabelValue(kRule, "");

    doc.LabelValue("ПРИХОД:", Money(c.SUM_CHECKPRIHODINSMENA_NAL + c.SUM_CHECKPRIHODINSMENA_VISA));
    doc.LabelValue("НАЛИЧНЫМИ:", Money(c.SUM_CHECKPRIHODINSMENA_NAL));
    doc.LabelValue("КАРТОЙ VISA:", Money(c.SUM_CHECKPRIHODINSMENA_VISA));
    doc.LabelValue(kRule, "");

    doc.LabelValue("РАСХОД:", Money(c.SUM_CHECKRASHODINSMENA_NAL + c.SUM_CHECKRASHODINSMENA_VISA));
    doc.LabelValue("НАЛИЧНЫМИ:", Money(c.SUM_CHECKRASHODINSMENA_NAL));
    doc.LabelValue("КАРТОЙ VISA:", Money(c.SUM_CHECKRASHODINSMENA_VISA));
    doc.LabelValue(kRule, "");

    for (const char* block : {"ВОЗВРАТ ПРИХОДА:", "ВОЗВРАТ РАСХОДА:"}) {
        doc.LabelValue(block, "=0.00");
        doc.LabelValue("НАЛИЧНЫМИ:", "=0.00");
        doc.LabelValue("КАРТОЙ VISA:", "=0.00");
        doc.LabelValue(kRule, "");
    }

    doc.LabelValue("ЧЕКИ КОРРЕКЦИИ:", "");
    doc.LabelValue("ПРИХОД:", "=0.00");
    doc.LabelValue("РАСХОД:", "=0.00");
    doc.LabelValue(kRule, "");

    doc.LabelValue("ВНЕСЕНИЕ:", "=0.00");
    doc.LabelValue("ВЫПЛАТА:", "=0.00");
    doc.LabelValue(kRule, "");

    doc.LabelValue("СОСТОЯНИЕ ОБМЕНА С ОФД", "");
    doc.LabelValue("НЕПЕРЕДАННЫХ ФД:", "=0000");
    doc.LabelValue(kRule, "");

    doc.LabelValue("НЕОБНУЛЯЕМАЯ СУММА ПРИХОДА", "");
    doc.LabelValue("", Money(c.SUM_TOTAL_PRIHOD));
    doc.LabelValue(kRule, "");

    doc.LabelValue("НЕОБНУЛЯЕМАЯ СУММА РАСХОДА", "");
    doc.LabelValue("", Money(c.SUM_TOTAL_RASHOD));
    doc.LabelValue(kRule, "");

    doc.LabelValue("ОТЧЕТ О ЗАКРЫТИЕ СМЕНЫ", std::to_string(c.NUM_ZOTCHET));
    doc.LabelValue("СМЕНА №", PadZeros(4, std::to_string(c.SMENA)));
    doc.LabelValue("ЧЕКОВ ЗА СМЕНУ:", std::to_string(c.NUM_CHECKINSMENA));
    doc.LabelValue("НЕПЕРЕДАННЫХ ФД:", "0000");
    doc.LabelValue("ФД ЗА СМЕНУ:", std::to_string(c.NUM_CHECKINSMENA));
    doc.LabelValue("ФД НЕ ПЕРЕДАНЫ С:", "00.00.00");
    doc.LabelValue("КАССИР:", "СИС.АДМИНИСТРАТОР");

    doc.LabelValue("ДАТА ВРЕМЯ", FormatDateTime(ctx.clock.Now()));
    doc.LabelValue("ИНН:", p.INN);
    doc.LabelValue("ККТ №", p.REGNUMKKT);
    doc.LabelValue("^ЗН №", p.ZN + "^");
    doc.LabelValue("ФН №", p.REGNUMFN);
    doc.LabelValue("ФД №", PadZeros(10, std::to_string(c.NUM_FISCAL_DOC)));
    doc.LabelValue("ФПД", std::to_string(fiscalSign.Next()));

    doc.LabelValue("**** СМЕНА ЗАКРЫТА ****", "");
}

bool EmulXReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign, char kind) {
    try {
        LoadCounters(ctx, kind);
        EmulReport(ctx, doc, fiscalSign, false);
        ShowOrPrint(ctx, doc.Document());
        return true;
    } catch (const std::exception& e) {
        ctx.LogError(e.what());
        return false;
    }
}

bool EmulZReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign, char kind) {
    try {
        LoadCounters(ctx, kind);
        EmulReport(ctx, doc, fiscalSign, true);
        CloseShiftCounters(ctx.emul);
        SaveCounters(ctx, kind);
        ShowOrPrint(ctx, doc.Document());
        return true;
    } catch (const std::exception& e) {
        ctx.LogError(e.what());
        return false;
    }
}

}  // namespace orvenka
