// Receipts: fiscal through FNOperation/FNCloseCheckEx or SaleEx/returnSale/CloseCheck, and the
// non-fiscal imitation printed as text with the emulated counters.
#include <algorithm>
#include <cmath>

#include "backends/shared/emul_counters.h"
#include "backends/shared/emul_report.h"
#include "backends/shared/hand_made_vat.h"
#include "backends/shared/imitation_vat.h"
#include "backends/shared/payment.h"
#include "backends/shtrih/shtrih_backend.h"
#include "backends/shtrih/shtrih_driver.h"
#include "common/files.h"
#include "common/money.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/rounding.h"
#include "shell/app_context.h"

namespace orvenka {

using shtrih::Check;
using shtrih::kAdmin;
using shtrih::kOperator;

namespace {

// One row of the command table.
struct ReceiptKind {
    const char* command;
    int openCheckType;
    int operationType;
    const char* lineMethod;  // VERSION_FFD 1 or below
    const char* title;       // non-fiscal
};

const ReceiptKind kKinds[] = {
    {"PRINT", 0, 1, "SaleEx", "ПРИХОД"},
    {"PRINT_BUY", 1, 3, "SaleEx", "РАСХОД"},
    {"RETURN", 2, 2, "returnSale", "ВОЗВРАТ"},
    {"RETURN_BUY", 3, 4, "returnSale", "ВОЗВРАТ РАСХОДА"},
};

const ReceiptKind* KindOf(const std::string& command) {
    for (const ReceiptKind& kind : kKinds) {
        if (SameTrimmed(command, kind.command))
            return &kind;
    }
    return nullptr;
}

const ReceiptKind& KindFor(const std::string& command) {
    const ReceiptKind* kind = KindOf(command);
    if (!kind)
        throw Failure("Штрих: команда " + command + " не является командой чека");
    return *kind;
}

// Tax1 of a VAT code; 0 for a code the register has no rate for.
int TaxOf(int nds) {
    switch (nds) {
        case 18:
            return 1;
        case 10:
            return 2;
        case 0:
            return 3;
        case -1:
            return 4;
        default:
            return 0;
    }
}

int TaxSystemCode(const std::string& sno) {
    static const std::pair<const char*, int> codes[] = {{"OSN", 1},  {"DOH", 2},  {"DOHRASH", 4},
                                                        {"ENVD", 8}, {"ESN", 16}, {"PATENT", 32}};
    for (const auto& [name, code] : codes) {
        if (sno == name)
            return code;
    }
    return 0;
}

bool NonZero(double x) {
    return std::fabs(x) >= 1e-12;
}

// Column widths of the hand-made layout: a negative one is no column, an absurd one is cut.
long ColumnWidth(int width) {
    return std::clamp<long>(width, 0, kEmulMaxWidth);
}

}  // namespace

void ShtrihBackend::BeginReceipt() {
    if (st_.ReceiptOpen)
        return;
    st_.ReceiptOpen = true;
    st_.extras.clear();
    st_.goods.clear();
    st_.records.clear();
}

void ShtrihBackend::AddExtraLine(const std::string& caption, const std::string& value,
                                 bool emphasis) {
    if (st_.ReceiptOpen)
        st_.extras.push_back(TDop{caption, value, emphasis});
}

void ShtrihBackend::AddGoodsLine(const TSale& line, const TTovar& goods) {
    if (!st_.ReceiptOpen)
        return;
    st_.records.push_back(goods);
    TSale sale = line;
    sale.Tovar = &st_.records.back();
    st_.goods.push_back(std::move(sale));
}

bool ShtrihBackend::PrintReceipt(const std::string& command) {
    return FR_PrintReceipt(command);
}

void ShtrihBackend::FR_SetTaxSystem() {
    const int code = TaxSystemCode(ctx_.param.SNO);
    if (code != 0)
        Fr().Set("TaxType", code);
}

void ShtrihBackend::FR_PrintHeader() {
    const TParam& p = ctx_.param;
    for (const auto* head : {&p.CHECKSHAPKA1, &p.CHECKSHAPKA2, &p.CHECKSHAPKA3, &p.CHECKSHAPKA4}) {
        if (!IsBlank(*head))
            FR_PrintLine(*head, false);
    }
}

// Refuses, before anything reaches the register, a receipt the register would take wrongly.
void ShtrihBackend::CheckReceiptLines(const std::vector<TSale>& goods,
                                      const std::vector<double>& sums,
                                      const std::string& command) const {
    const TParam& p = ctx_.param;
    KindFor(command);
    for (size_t i = 0; i < goods.size(); ++i) {
        const TSale& g = goods[i];
        // A line the SUMMADOC spread took to nothing would be paid for but not sold.
        if (sums[i] != 0 && (g.Kolvo == 0 || g.Cena == 0 || LineSum(g.Kolvo, g.Cena) == 0)) {
            throw Failure("Чек не напечатан: строка \"" + g.Name + "\" на сумму " +
                          FormatMoney(sums[i]) + " после распределения погрешности (SUMMADOC=" +
                          FormatMoney(p.SUMMADOC) + ") стала " + FormatQty(g.Kolvo) + " x " +
                          FormatMoney(g.Cena) + ". Проверьте SUMMADOC и суммы строк");
        }
        // Registered lines only: the hand-made layout registers its summary line alone, at
        // the goods' common rate (checked below).
        if (!p.isNotFiscal && !p.HandMade && TaxOf(g.NDS) == 0 && g.NDS != 0) {
            throw Failure("Чек не напечатан: у строки \"" + g.Name + "\" неизвестная ставка НДС " +
                          std::to_string(g.NDS) + " (допустимы 20, 10, 0 и -1)");
        }
    }
    if (!p.isNotFiscal && p.HandMade) {
        const int nds = SummaryVat(goods);
        if (TaxOf(nds) == 0 && nds != 0) {
            throw Failure("Чек не напечатан: у товаров неизвестная ставка НДС " +
                          std::to_string(nds) + " (допустимы 20, 10, 0 и -1)");
        }
    }
}

// The VAT of the hand-made summary line: the goods' common rate on a fiscal receipt; the
// non-fiscal imitation keeps its layout.
int ShtrihBackend::SummaryVat(const std::vector<TSale>& goods) const {
    if (ctx_.param.isNotFiscal)
        return 0;
    std::vector<int> codes;
    for (const TSale& g : goods)
        codes.push_back(g.NDS);
    return HandMadeVat(codes);
}

bool ShtrihBackend::FR_PrintReceipt(const std::string& command) {
    if (!st_.ReceiptOpen)
        return false;
    // Whatever happens from here on, the receipt's lists go with this call.
    std::vector<TSale> goods = std::move(st_.goods);
    const std::vector<TDop> extras = std::move(st_.extras);
    const std::deque<TTovar> records = std::move(st_.records);
    st_.goods.clear();
    st_.extras.clear();
    st_.records.clear();
    st_.ReceiptOpen = false;
    st_.VatTotals[0] = st_.VatTotals[1] = 0;

    TParam& p = ctx_.param;
    // Quantity × price is the line sum from here on, as the goods total counted it.
    SplitLineSums(p, goods);
    std::vector<double> sums;
    for (const TSale& g : goods)
        sums.push_back(LineSum(g.Kolvo, g.Cena));
    AdjustToSummaDoc(p, goods, ctx_.log);
    CheckReceiptLines(goods, sums, command);
    double goodsTotal = 0;
    for (double sum : sums)
        goodsTotal += sum;
    MeetSummaDoc(p, goodsTotal, goods);
    if (p.isNotFiscal) {
        // What the footer will count, checked before a line is printed.
        double total = 0;
        for (const TSale& g : goods)
            total += LineSum(g.Kolvo, g.Cena);
        total = FromKopecks(ToKopecks(total));
        auto [cash, electronic] = PaymentOf(p, total);
        if (p.HandMade)
            cash = electronic = 0;
        LoadCounters(ctx_, DeviceKind::Shtrih);
        CheckReceiptCountable(ctx_.emul, command, total, electronic, cash);
    }

    FR_Prepare();
    FR_PrintHeader();
    const ReceiptKind& kind = KindFor(command);
    const bool fiscal = !p.isNotFiscal;
    TableSteps tables;
    try {
        if (fiscal) {
            FiscalOpening(command, tables);
        } else {
            FR_PrintWrapped(p.USER);
            FR_PrintLine("ИНН:" + p.INN, false);
            FR_PrintWrapped("АДРЕС:" + p.ADDRES);
            if (!IsBlank(p.MESTORASCHETA))
                FR_PrintWrapped("МЕСТО РАСЧЕТА:" + p.MESTORASCHETA);
            FR_PrintLine(kind.title, false);
        }
        if (!IsBlank(p.NumCheck))
            FR_PrintLine("ЧЕК № " + p.NumCheck, false);
        if (!IsBlank(p.AuthorName) && !IsBlank(p.AuthorCaption))
            FR_PrintLine(p.AuthorName + ":" + TrimText(p.AuthorCaption), false);
        if (!fiscal && !IsBlank(p.AuthorINN))
            FR_PrintLine("ИНН Кассира:" + p.AuthorINN, false);
        for (const TDop& d : extras)
            FR_PrintLine(d.Caption + " " + TrimText(d.Value), d.Emphasis);

        const long nameW = ColumnWidth(p.Name);
        const long kolvoW = ColumnWidth(p.Kolvo);
        const long cenaW = ColumnWidth(p.Cena);
        const long summaW = ColumnWidth(p.Summa);
        const long tableW = nameW + kolvoW + cenaW + summaW;
        if (p.HandMade) {
            FR_PrintLine(std::string(static_cast<size_t>(tableW), '-'), false);
            std::string head = FitText("Наименование", nameW, false);
            if (kolvoW != 0)
                head += FitText("Кол-во", kolvoW, true);
            if (cenaW != 0)
                head += FitText("Цена", cenaW, true);
            if (summaW != 0)
                head += FitText("Сумма", summaW, true);
            FR_PrintLine(head, false);
            FR_PrintLine(std::string(static_cast<size_t>(tableW), '-'), false);
        }

        double total = 0;
        for (const TSale& g : goods) {
            const std::string nameText = nameW > 0 ? FitText(g.Name, nameW, false) : g.Name;
            if (p.HandMade) {
                std::string row = nameText;
                if (kolvoW != 0)
                    row += FitText(FormatMoney(g.Kolvo), kolvoW, true);
                if (cenaW != 0)
                    row += FitText(FormatMoney(g.Cena), cenaW, true);
                if (summaW != 0)
                    row += FitText(FormatMoney(g.Summa), summaW, true);
                FR_PrintLine(row, false);
                total += LineSum(g.Kolvo, g.Cena);
                continue;
            }
            const double amount =
                FR_RegisterGoodsLine(p.Section, g.NDS, g.Tovar, command, nameText, g.Cena, g.Kolvo);
            total += Price2(amount);
            if (nameW > 0 && static_cast<long>(CharCount(g.Name)) > nameW) {
                FR_PrintWrapped("Расшифровка:" + g.Name);
                FR_PrintLine("----", false);
            }
        }
        total = FromKopecks(ToKopecks(total));

        if (fiscal && !IsBlank(p.EmailOrTel)) {
            try {
                Password(kOperator);
                Fr().Set("CustomerEmail", p.EmailOrTel);
                Call("FNSendCustomerEmail");
            } catch (const std::exception& e) {
                ctx_.LogError(e.what());
            }
        }

        auto [cash, electronic] = PaymentOf(p, total);

        std::string summary;
        int registered = static_cast<int>(goods.size());
        if (p.HandMade) {
            summary = SameTrimmed(command, "RETURN") ? "Возврат" : "Продажа";
            if (!fiscal)
                cash = electronic = 0;
            FR_RegisterGoodsLine(p.Section, SummaryVat(goods), nullptr, command, summary,
                                 cash + electronic, 1);
            registered = 1;
            FR_PrintLine(std::string(static_cast<size_t>(tableW), '='), false);
            FR_PrintLine(FitText(" Сумма по чеку: " + FormatMoney(total), tableW, true), false);
            const std::string paid = IsBlank(p.Oplata) ? "Наличные: " : "Безналичные: ";
            FR_PrintLine(FitText(paid + FormatMoney(total), tableW, true), false);
        }

        if (fiscal) {
            CloseFiscal(summary, cash, electronic, registered);
        } else {
            FR_PrintEmulatedTail(command, electronic, cash, total);
        }
    } catch (...) {
        // A failed receipt is answered with everything that went wrong on the way.
        RestoreTables(tables);
        for (const std::string& note : tables.notes)
            ctx_.LogError(note);
        throw;
    }
    // A receipt that was made is answered as made; its optional steps are the operator's news.
    RestoreTables(tables);
    for (const std::string& note : tables.notes)
        ctx_.LogMessage(note);
    SaveNumberAndLog([this] { return ReceiptNumber(); });
    return true;
}

void ShtrihBackend::FiscalOpening(const std::string& command, TableSteps& steps) {
    const TParam& p = ctx_.param;
    // An electronic receipt switches printing off in table 17 for itself alone: it is switched
    // back on after the receipt, and a paper receipt makes sure of it too (only a change is
    // written), or every later document would print nothing.
    try {
        if (p.ECheck) {
            steps.paperOff = true;
            FR_WriteTable(kAdmin, 17, "INT", "1", 1, 7);
        } else {
            std::string print = "0";
            ShtrihToTable(kAdmin, 17, false, true, print, 1, 7);
        }
    } catch (const std::exception& e) {
        steps.notes.push_back("Ошибка записи в таблицу 17:" + std::string(e.what()));
    }
    if (!IsBlank(p.SNO)) {
        // The register's own tax system is put back after the receipt, so that a later receipt
        // without SNO does not take this one's.
        try {
            std::string earlier;
            ShtrihToTable(kAdmin, 18, false, false, earlier, 1, 5);
            steps.taxSystem = earlier;
            FR_WriteTable(kAdmin, 18, "INT", std::to_string(TaxSystemCode(p.SNO)), 1, 5);
        } catch (const std::exception& e) {
            steps.notes.push_back("Ошибка записи в таблицу СНО:" + std::string(e.what()));
        }
    }
    if (!IsBlank(p.AuthorCaption))
        FR_WriteTable(kAdmin, 2, "STR", p.AuthorCaption, 1, 2);

    AutomationObject& fr = Fr();
    Password(kOperator);
    fr.Set("CheckType", KindFor(command).openCheckType);
    Call("OpenCheck");
    FR_SendReceiptAgentTag();
    const std::string kindWord = UpperLatin(TrimText(command));
    if ((kindWord == "RETURN" || kindWord == "RETURN_BUY") && !IsBlank(ctx_.device.Arguments))
        FR_FNSendTag(1192, 7, ctx_.device.Arguments, "передача тега 1192");
    FR_FNSendTag(1203, 7, p.AuthorINN, "передача ИНН кассира");
    FR_FNSendTag(1227, 7, p.PoluchatelName, "передача Имени получателя");
    FR_FNSendTag(1228, 7, p.PoluchatelINN, "передача ИНН получателя");
}

// Written without reading first: a read that fails must not leave the register as the receipt
// set it.
void ShtrihBackend::RestoreTables(TableSteps& steps) {
    if (steps.paperOff) {
        try {
            FR_WriteTable(kAdmin, 17, "INT", "0", 1, 7);
        } catch (const std::exception& e) {
            steps.notes.push_back("Ошибка записи в таблицу 17:" + std::string(e.what()));
        }
    }
    if (steps.taxSystem && *steps.taxSystem != std::to_string(TaxSystemCode(ctx_.param.SNO))) {
        try {
            FR_WriteTable(kAdmin, 18, "INT", *steps.taxSystem, 1, 5);
        } catch (const std::exception& e) {
            steps.notes.push_back("Ошибка записи в таблицу СНО:" + std::string(e.what()));
        }
    }
}

double ShtrihBackend::FR_RegisterGoodsLine(int department, int nds, const TTovar* tovar,
                                           const std::string& command, const std::string& nameText,
                                           double price, double quantity) {
    const TParam& p = ctx_.param;
    const double amount = LineSum(quantity, price);
    if (p.isNotFiscal) {
        FR_PrintLine(nameText, false);
        FR_PrintPair(std::to_string(department),
                     FormatQty(quantity) + " X " + FormatMoney(price) + " =" + FormatMoney(amount));
        PrintImitationVat(
            nds, amount, st_.VatTotals,
            [&](const std::string& caption, const std::string& value) {
                FR_PrintPair(caption, value);
            },
            [&](const std::string& caption) { FR_PrintLine(caption, false); });
        return amount;
    }

    AutomationObject& fr = Fr();
    const ReceiptKind& kind = KindFor(command);
    const auto setTaxes = [&] {
        if (const int tax = TaxOf(nds))
            fr.Set("Tax1", tax);
        fr.Set("Tax2", 0);
        fr.Set("Tax3", 0);
        fr.Set("Tax4", 0);
    };
    if (p.VERSION_FFD <= 1) {
        fr.Set("Price", price);
        fr.Set("Department", department);
        fr.Set("quantity", quantity);
        setTaxes();
        fr.Set("StringForPrinting", nameText);
        Check(fr, Call(kind.lineMethod));
        return amount;
    }

    Password(kOperator);
    fr.Set("DiscountValue", 0.0);
    fr.Set("ChargeValue", 0.0);
    fr.Set("Summ1Enabled", false);
    fr.Set("quantity", quantity);
    fr.Set("Price", price);
    fr.Set("TaxValueEnabled", true);
    fr.Set("Department", department);
    setTaxes();
    fr.Set("StringForPrinting", nameText);
    const bool composite = tovar && tovar->CompositeMark == "##";
    fr.Set("PaymentItemSign", composite ? tovar->Predmet1212 : p.Predmet);
    fr.Set("PaymentTypeSign", composite ? tovar->Sposob1214 : p.Sposob);
    fr.Set("CheckType", kind.operationType);
    const int result = Call("FNOperation");
    if (result != 0)
        throw Failure(std::to_string(result) + ":" + fr.GetText("ResultCodeDescription"));
    FR_SendLineAgentTags();
    if (composite) {
        if (tovar->NomenclatureType != 0) {
            fr.Set("MarkingType", tovar->NomenclatureType);
            fr.Set("SerialNumber", tovar->SerialNumber);
            fr.Set("GTIN", tovar->GTIN);
            Call("FNSendItemCodeData");
        }
        FR_FNSendTagOperationStr(1191, 7, tovar->Rekvizit1191,
                                 "Дополнительный реквизит предмета расчета");
        FR_FNSendTagOperationStr(1197, 7, tovar->Unit1197, "Единицы измерения предмета расчета");
        FR_FNSendTagOperationStr(
            1229, 7, tovar->Excise1229 == 0 ? "" : FormatGeneral(tovar->Excise1229), "Сумма Акциз");
        FR_FNSendTagOperationStr(1230, 7, tovar->Country1230, "Код страны происхождения");
        FR_FNSendTagOperationStr(1231, 7, tovar->Declaration1231, "Номер таможенной декларации");
    }
    return amount;
}

namespace {

// A split payment is sent as the accounting system gave it; only a shortfall the size of the
// line roundings (under a kopeck per line) is made up, in cash.
void MakeUpRoundingShortfall(double subtotal, double& cash, double electronic, int lines) {
    const int64_t shortfall = ToKopecks(subtotal) - ToKopecks(cash + electronic);
    if (shortfall > 0 && shortfall < std::max(lines, 1))
        cash = FromKopecks(ToKopecks(cash) + shortfall);
}

}  // namespace

void ShtrihBackend::CloseFiscal(const std::string& summary, double& cash, double& electronic,
                                int lines) {
    const TParam& p = ctx_.param;
    AutomationObject& fr = Fr();
    Password(kOperator);
    Call("CheckSubTotal");
    const double subtotal = fr.GetFloat("Summ1");
    const bool single = NonZero(cash) != NonZero(electronic);
    const bool split = NonZero(cash) && NonZero(electronic);
    if (split)
        MakeUpRoundingShortfall(subtotal, cash, electronic, lines);

    if (p.VERSION_FFD > 1) {
        // A single kind of payment is raised to the subtotal (99.99 becomes 100.00); the parts
        // of a split are never raised each to the whole.
        if (single && NonZero(cash) && ToKopecks(cash) < ToKopecks(subtotal))
            cash = subtotal;
        if (single && NonZero(electronic) && ToKopecks(electronic) < ToKopecks(subtotal))
            electronic = subtotal;
        Password(kOperator);
        fr.Set("Department", p.Section);
        for (int i = 1; i <= 4; ++i)
            fr.Set("Summ" + std::to_string(i), 0.0);
        try {
            for (int i = 5; i <= 16; ++i)
                fr.Set("Summ" + std::to_string(i), 0.0);
        } catch (const std::exception&) {
        }
        const bool breakSumm =
            std::any_of(p.BreakSumm.begin(), p.BreakSumm.end(), [](double s) { return s != 0; });
        if (breakSumm) {
            fr.Set("Summ1", p.BreakSumm[0]);
            fr.Set("Summ2", p.BreakSumm[1]);
            fr.Set("Summ14", p.BreakSumm[2]);
            fr.Set("Summ15", p.BreakSumm[3]);
            fr.Set("Summ16", p.BreakSumm[4]);
        } else {
            fr.Set("Summ1", cash);
            fr.Set("Summ2", electronic);
        }
        fr.Set("RoundingSumm", 0.0);
        if (!IsBlank(p.SNO)) {
            try {
                FR_SetTaxSystem();
            } catch (const std::exception& e) {
                ctx_.LogError(e.what());
            }
        }
        fr.Set("StringForPrinting", "");
        const int result = Call("FNCloseCheckEx");
        if (result != 0) {
            std::string text = "FNCloseCheckEx Ошибка:" + fr.GetText("ResultCodeDescription") +
                               " Штрих ответил, что должна быть сумма:" + FormatGeneral(subtotal);
            for (int i = 1; i <= 16; ++i)
                text += " summ" + std::to_string(i) + "=" +
                        FormatGeneral(fr.GetFloat("Summ" + std::to_string(i)));
            for (int i = 1; i <= 6; ++i)
                text += " Tax" + std::to_string(i) +
                        "Value=" + FormatGeneral(fr.GetFloat("Tax" + std::to_string(i) + "Value"));
            throw Failure(text);
        }
        return;
    }

    if (NonZero(cash) && !NonZero(electronic))
        cash = subtotal;
    if (!NonZero(cash) && NonZero(electronic))
        electronic = subtotal;
    fr.Set("DiscountOnCheck", 0.0);
    Password(kOperator);
    fr.Set("Department", p.Section);
    fr.Set("Summ1", cash);
    fr.Set("Summ2", 0.0);
    fr.Set("Summ3", 0.0);
    fr.Set("Summ4", electronic);
    fr.Set("Tax1", 1);
    fr.Set("Tax2", 0);
    fr.Set("Tax3", 0);
    fr.Set("Tax4", 0);
    fr.Set("StringForPrinting", summary);
    if (Call("CloseCheck") != 0) {
        throw Failure("CloseCheck Штрих ответил, что должна быть сумма:" + FormatGeneral(subtotal) +
                      ", а вносим:" + FormatGeneral(cash + electronic) +
                      " Ошибка:" + fr.GetText("ResultCodeDescription"));
    }
}

void ShtrihBackend::FR_PrintEmulatedTail(const std::string& command, double electronic, double cash,
                                         double total) {
    const TParam& p = ctx_.param;
    LoadCounters(ctx_, DeviceKind::Shtrih);
    const std::string itogValue = "=" + FormatMoney(total);
    const long blanks = static_cast<long>(std::min<long>(p.PRN_WIDHT_ITOG, kEmulMaxWidth)) - 4 -
                        static_cast<long>(CharCount(itogValue));
    FR_PrintLine("ИТОГ" + std::string(static_cast<size_t>(std::max(0L, blanks)), ' ') + itogValue,
                 true);
    FR_PrintLine("ОПЛАТА", false);
    if (cash != 0)
        FR_PrintPair("НАЛИЧНЫМИ", "=" + FormatMoney(cash));
    if (electronic != 0)
        FR_PrintPair("ЭЛЕКТРОННЫМИ", "=" + FormatMoney(electronic));
    FR_PrintPair("СНО:", TaxSystemName(p.SNO));
    PrintImitationVatTotals(st_.VatTotals,
                            [&](const std::string& caption, const std::string& value) {
                                FR_PrintPair(caption, value);
                            });
    if (!IsBlank(p.EmailOrTel)) {
        const bool email = p.EmailOrTel.find('@') != std::string::npos;
        FR_PrintPair(email ? "Эл.адр.покупателя:" : "Телефон покупателя:", p.EmailOrTel);
    }
    const TEmulVar& c = ctx_.emul;
    FR_PrintPair("ДАТА ВРЕМЯ", FormatDateTime(ctx_.clock.Now()));
    FR_PrintPair("СМЕНА №", PadZeros(4, std::to_string(c.SMENA)));
    FR_PrintPair("ЧЕК НОМЕР:", PadZeros(5, std::to_string(c.NUM_CHECKINSMENA + 1)));
    FR_PrintPair("^ЗН №", p.ZN + "^");
    FR_PrintPair("ККТ №", p.REGNUMKKT);
    FR_PrintPair("ФН №", p.REGNUMFN);
    FR_PrintPair("ФД №", PadZeros(10, std::to_string(c.NUM_FISCAL_DOC + 1)));
    FR_PrintPair("ФПД", std::to_string(fiscalSign_.Next()));
    FR_PrintLine("", false);
    FR_PrintWrapped("САЙТ ДЛЯ ПРОВЕРКИ ФПД:" + p.WEBADDRES);
    FR_DrawPicture();
    FR_Cut();
    RecordEmulatedReceipt(ctx_.emul, command, total, electronic, cash);
    SaveCounters(ctx_, DeviceKind::Shtrih);
}

}  // namespace orvenka
