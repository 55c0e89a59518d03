#include "backends/shared/emul_report.h"

#include "common/failure.h"
#include "common/numbers.h"

namespace orvenka {
namespace {

void CheckWidth(int width, const std::string& key, const std::string& unsetText) {
    if (width == 0)
        throw Failure(unsetText);
    if (width < 0 || width > kEmulMaxWidth) {
        throw Failure("EMULPARAM:недопустимое значение " + key + "=" + std::to_string(width) +
                      " (допустимо от 1 до " + std::to_string(kEmulMaxWidth) + ")");
    }
}

const char* const kRule = "--------------";

// Appended rather than "=" + text, which g++ 12 at -O3 misreads as an overlapping copy.
std::string Money(double value) {
    std::string text = "=";
    text += FormatMoney(value);
    return text;
}

}  // namespace

void CheckEmulParams(const TParam& param) {
    CheckWidth(param.PRN_WIDHT, "PRN_WIDHT",
               "EMULPARAM:не задан EMUL_PRN_WIDHT ширина бумаги эмулятора");
    CheckWidth(param.PRN_WIDHT_ITOG, "PRN_WIDHT_ITOG",
               "EMULPARAM:не задан PRN_WIDHT_ITOG размер ширины бумаги ИТОГО");
}

std::vector<ReportLine> EmulReportLines(const TParam& p, const TEmulVar& c, bool closing,
                                        TDateTime now, int64_t fiscalSign) {
    std::vector<ReportLine> lines;
    const auto pair = [&lines](std::string caption, std::string value) {
        lines.push_back({std::move(caption), std::move(value), false});
    };

    pair("ПОЛЬЗОВАТЕЛЬ:", p.USER);
    lines.push_back({"АДРЕС:" + p.ADDRES, "", true});
    if (closing) {
        pair("ОТЧЕТ С ГАШЕНИЕМ", std::to_string(c.NUM_ZOTCHET));
    } else {
        pair("ОТЧЕТ БЕЗ ГАШЕНИЯ", "");
    }
    pair(kRule, "");

    pair("ПРИХОД:", Money(c.SUM_CHECKPRIHODINSMENA_NAL + c.SUM_CHECKPRIHODINSMENA_VISA));
    pair("НАЛИЧНЫМИ:", Money(c.SUM_CHECKPRIHODINSMENA_NAL));
    pair("КАРТОЙ VISA:", Money(c.SUM_CHECKPRIHODINSMENA_VISA));
    pair(kRule, "");

    pair("РАСХОД:", Money(c.SUM_CHECKRASHODINSMENA_NAL + c.SUM_CHECKRASHODINSMENA_VISA));
    pair("НАЛИЧНЫМИ:", Money(c.SUM_CHECKRASHODINSMENA_NAL));
    pair("КАРТОЙ VISA:", Money(c.SUM_CHECKRASHODINSMENA_VISA));
    pair(kRule, "");

    for (const char* block : {"ВОЗВРАТ ПРИХОДА:", "ВОЗВРАТ РАСХОДА:"}) {
        pair(block, "=0.00");
        pair("НАЛИЧНЫМИ:", "=0.00");
        pair("КАРТОЙ VISA:", "=0.00");
        pair(kRule, "");
    }

    pair("ЧЕКИ КОРРЕКЦИИ:", "");
    pair("ПРИХОД:", "=0.00");
    pair("РАСХОД:", "=0.00");
    pair(kRule, "");

    pair("ВНЕСЕНИЕ:", "=0.00");
    pair("ВЫПЛАТА:", "=0.00");
    pair(kRule, "");

    pair("СОСТОЯНИЕ ОБМЕНА С ОФД", "");
    pair("НЕПЕРЕДАННЫХ ФД:", "=0000");
    pair(kRule, "");

    pair("НЕОБНУЛЯЕМАЯ СУММА ПРИХОДА", "");
    pair("", Money(c.SUM_TOTAL_PRIHOD));
    pair(kRule, "");

    pair("НЕОБНУЛЯЕМАЯ СУММА РАСХОДА", "");
    pair("", Money(c.SUM_TOTAL_RASHOD));
    pair(kRule, "");

    pair("ОТЧЕТ О ЗАКРЫТИЕ СМЕНЫ", std::to_string(c.NUM_ZOTCHET));
    pair("СМЕНА №", PadZeros(4, std::to_string(c.SMENA)));
    pair("ЧЕКОВ ЗА СМЕНУ:", std::to_string(c.NUM_CHECKINSMENA));
    pair("НЕПЕРЕДАННЫХ ФД:", "0000");
    pair("ФД ЗА СМЕНУ:", std::to_string(c.NUM_CHECKINSMENA));
    pair("ФД НЕ ПЕРЕДАНЫ С:", "00.00.00");
    pair("КАССИР:", "СИС.АДМИНИСТРАТОР");

    pair("ДАТА ВРЕМЯ", FormatDateTime(now));
    pair("ИНН:", p.INN);
    pair("ККТ №", p.REGNUMKKT);
    pair("^ЗН №", p.ZN + "^");
    pair("ФН №", p.REGNUMFN);
    pair("ФД №", PadZeros(10, std::to_string(c.NUM_FISCAL_DOC)));
    pair("ФПД", std::to_string(fiscalSign));

    pair("**** СМЕНА ЗАКРЫТА ****", "");
    return lines;
}

}  // namespace orvenka
