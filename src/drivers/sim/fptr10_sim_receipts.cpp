#include <cmath>
#include <cstdio>

#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "drivers/sim/fiscal_tlv.h"
#include "drivers/sim/fptr10_sim.h"
#include "drivers/sim/fptr10_sim_internal.h"

namespace orvenka {

using namespace fptr10sim;

// --- receipts -------------------------------------------------------------------------------

int SimulatedFptr10::OperatorLogin(const Inputs& in) {
    const std::string inn = TrimText(in.Text(1203));
    if (!inn.empty() && (!AllDigits(inn) || (inn.size() != 10 && inn.size() != 12)))
        return Fail(kBadValue, "Неверный ИНН кассира (тег 1203): " + inn);
    cashier_ = TrimText(in.Text(1021));
    if (!inn.empty())
        cashier_ += " ИНН " + inn;
    return Done();
}

std::string SimulatedFptr10::ReceiptTitle(int64_t type) const {
    if (type == C("LIBFPTR_RT_SELL"))
        return "КАССОВЫЙ ЧЕК. ПРИХОД";
    if (type == C("LIBFPTR_RT_SELL_RETURN"))
        return "КАССОВЫЙ ЧЕК. ВОЗВРАТ ПРИХОДА";
    if (type == C("LIBFPTR_RT_BUY"))
        return "КАССОВЫЙ ЧЕК. РАСХОД";
    if (type == C("LIBFPTR_RT_BUY_RETURN"))
        return "КАССОВЫЙ ЧЕК. ВОЗВРАТ РАСХОДА";
    if (type == C("LIBFPTR_RT_SELL_CORRECTION"))
        return "ЧЕК КОРРЕКЦИИ. ПРИХОД";
    if (type == C("LIBFPTR_RT_BUY_CORRECTION"))
        return "ЧЕК КОРРЕКЦИИ. РАСХОД";
    return {};
}

int SimulatedFptr10::OpenReceiptOp(const Inputs& in) {
    if (receipt_ || nonfiscal_)
        return Fail(kNotPermitted, "Документ уже открыт - операция невозможна");
    const int64_t type = in.Int(C("LIBFPTR_PARAM_RECEIPT_TYPE"));
    const std::string title = ReceiptTitle(type);
    if (title.empty())
        return Fail(kBadValue, "Неверный тип чека " + std::to_string(type));
    const bool correction =
        type == C("LIBFPTR_RT_SELL_CORRECTION") || type == C("LIBFPTR_RT_BUY_CORRECTION");
    if (correction && (!in.Has(1173) || in.Get(1174).ToBytes().empty()))
        return Fail(kBadValue, "В чеке коррекции нет тегов 1173 и 1174");
    if (ShiftState() == C("LIBFPTR_SS_EXPIRED"))
        return Fail(kShiftExpired, "Смена превысила 24 часа");
    if (!ShiftOpen())
        OpenShiftNow();

    receipt_ = OpenReceipt{};
    receipt_->type = type;
    state_.Set("RECEIPT_TYPE", type);
    Save();
    BeginPrinted(title);
    if (in.Bool(C("LIBFPTR_PARAM_RECEIPT_ELECTRONICALLY")))
        Print("ЭЛЕКТРОННЫЙ ЧЕК: на бумаге не печатается");
    if (!cashier_.empty())
        Print("КАССИР " + cashier_);
    const std::string tags = TagsText(in.Tags());
    if (!tags.empty())
        Print("ТЕГИ:" + tags);
    return Done();
}

int SimulatedFptr10::Registration(const Inputs& in) {
    if (!receipt_)
        return Fail(kNotPermitted, "Чек не открыт - операция невозможна");
    const std::string name = in.Text(C("LIBFPTR_PARAM_COMMODITY_NAME"));
    const double price = in.Float(C("LIBFPTR_PARAM_PRICE"));
    const double quantity = in.Float(C("LIBFPTR_PARAM_QUANTITY"));
    if (IsBlank(name))
        return Fail(kBadValue, "Не указано наименование товара");
    if (CharCount(name) > 128)
        return Fail(kBadValue, "Наименование товара длиннее 128 символов");
    if (!std::isfinite(quantity) || quantity <= 0 || quantity > 1e7)
        return Fail(kBadValue, "Неверное количество " + FormatGeneral(quantity));
    if (!std::isfinite(price) || price < 0 || price > 1e10)
        return Fail(kBadValue, "Неверная цена " + FormatGeneral(price));
    const int64_t tax = in.Int(C("LIBFPTR_PARAM_TAX_TYPE"));
    std::string vat;
    if (tax == C("LIBFPTR_TAX_VAT20")) {
        vat = "НДС 20%";
    } else if (tax == C("LIBFPTR_TAX_VAT10")) {
        vat = "НДС 10%";
    } else if (tax == C("LIBFPTR_TAX_VAT0")) {
        vat = "НДС 0%";
    } else if (tax == C("LIBFPTR_TAX_NO")) {
        vat = "БЕЗ НДС";
    } else {
        return Fail(kBadValue, "Не указана или неверна ставка НДС");
    }
    const Bytes code = in.Get(1162).ToBytes();
    if (code.size() > 32)
        return Fail(kBadValue, "Код товара (тег 1162) длиннее 32 байт");

    const int64_t sum = LineKopecks(quantity, price);
    receipt_->totalKopecks += sum;
    ++receipt_->lines;
    // One write per line: a long receipt must not cost a file opening per printed row.
    std::string printed = name + "\r\n  " + FormatQty(quantity) + " x " + FormatMoney(price) +
                          " = " + Money(sum) + "  " + vat;
    if (in.Has(C("LIBFPTR_PARAM_DEPARTMENT")))
        printed += "  СЕКЦИЯ " + std::to_string(in.Int(C("LIBFPTR_PARAM_DEPARTMENT")));
    const std::string tags = TagsText(in.Tags());
    if (!tags.empty())
        printed += "\r\n  ТЕГИ:" + tags;
    Print(printed);
    return Done();
}

int SimulatedFptr10::Payment(const Inputs& in) {
    if (!receipt_)
        return Fail(kNotPermitted, "Чек не открыт - операция невозможна");
    const int64_t type = in.Int(C("LIBFPTR_PARAM_PAYMENT_TYPE"));
    const double sum = in.Float(C("LIBFPTR_PARAM_PAYMENT_SUM"));
    if (type < 0 || type > 9)
        return Fail(kBadValue, "Неверный вид оплаты " + std::to_string(type));
    if (!std::isfinite(sum) || sum < 0 || sum > 1e12)
        return Fail(kBadValue, "Неверная сумма оплаты " + FormatGeneral(sum));
    receipt_->payments[type] += Kopecks(sum);
    return Done();
}

int SimulatedFptr10::CloseReceipt() {
    if (!receipt_)
        return Fail(kNotPermitted, "Чек не открыт - операция невозможна");
    if (receipt_->lines == 0)
        return Fail(kNotPermitted, "В чеке нет ни одной позиции");
    int64_t paid = 0, nonCash = 0;
    for (const auto& [type, kopecks] : receipt_->payments) {
        paid += kopecks;
        if (type != C("LIBFPTR_PT_CASH"))
            nonCash += kopecks;
    }
    const int64_t total = receipt_->totalKopecks;
    if (paid < total) {
        return Fail(kNotEnoughMoney, "Недостаточно средств для закрытия чека: сумма чека " +
                                         Money(total) + ", оплачено " + Money(paid));
    }
    if (nonCash > total)
        return Fail(kNotEnoughMoney, "Сумма безналичных оплат " + Money(nonCash) +
                                         " больше суммы чека " + Money(total));

    Print("ИТОГ =" + Money(total));
    for (const auto& [type, kopecks] : receipt_->payments) {
        if (kopecks == 0)
            continue;
        const std::string kind = type == C("LIBFPTR_PT_CASH") ? "НАЛИЧНЫМИ"
                                 : type == C("LIBFPTR_PT_ELECTRONICALLY")
                                     ? "ЭЛЕКТРОННЫМИ"
                                     : "ОПЛАТА ВИДА " + std::to_string(type);
        Print("  " + kind + " =" + Money(kopecks));
    }
    const int64_t change = paid - total;
    if (change > 0)
        Print("  СДАЧА =" + Money(change));

    const bool returns =
        receipt_->type == C("LIBFPTR_RT_SELL_RETURN") || receipt_->type == C("LIBFPTR_RT_BUY");
    const int64_t cashMoved = receipt_->payments[C("LIBFPTR_PT_CASH")] - change;
    state_.SetFloat("CASH", state_.Float("CASH", 0) +
                                static_cast<double>(returns ? -cashMoved : cashMoved) / 100);
    const int64_t number = NextDocument();
    const int64_t receiptNumber = state_.Int("RECEIPT_NUMBER", 0) + 1;
    const int64_t sign = 1000000000 + (number * 7919 + total) % 999999999;
    state_.Set("RECEIPT_NUMBER", receiptNumber);
    state_.Set("LAST_RECEIPT_DOCUMENT", number);
    state_.SetFloat("LAST_RECEIPT_SUM", static_cast<double>(total) / 100);
    state_.Set("LAST_RECEIPT_SIGN", sign);
    state_.Set("RECEIPT_TYPE", 0);
    receipt_.reset();
    Save();
    Print("ЧЕК № " + std::to_string(receiptNumber) + "  СМЕНА № " +
          std::to_string(state_.Int("SHIFT_NUMBER", 0)) + "  ФД № " + std::to_string(number) +
          "  ФП " + std::to_string(sign));
    return Done();
}

int SimulatedFptr10::CancelReceipt() {
    if (!receipt_ && !nonfiscal_)
        return Fail(kNotPermitted, "Документ не открыт - операция невозможна");
    Print(nonfiscal_ ? "ДОКУМЕНТ ПРЕРВАН" : "ЧЕК АННУЛИРОВАН");
    receipt_.reset();
    nonfiscal_ = false;
    state_.Set("RECEIPT_TYPE", 0);
    Save();
    return Done();
}

int SimulatedFptr10::ContinuePrint() {
    if (faults_.busy)
        return Fail(kBusy, "Документ не допечатан: принтер занят");
    return Done();
}

int SimulatedFptr10::UtilFormTlv(const Inputs& in) {
    const auto tags = in.Tags();
    if (tags.empty())
        return Fail(kBadValue, "Не указан ни один тег для структуры");
    Output("LIBFPTR_PARAM_TAG_VALUE", FormTlv(tags));
    return Done();
}

int SimulatedFptr10::UtilFormNomenclature(const Inputs& in) {
    Output("LIBFPTR_PARAM_TAG_VALUE",
           FormNomenclature(static_cast<int>(in.Int(C("LIBFPTR_PARAM_NOMENCLATURE_TYPE"))),
                            in.Text(C("LIBFPTR_PARAM_GTIN")),
                            in.Text(C("LIBFPTR_PARAM_SERIAL_NUMBER"))));
    return Done();
}

}  // namespace orvenka
