// Receipts on the ATOL register, fiscal of every kind (corrections included) or the non-fiscal
// imitation: the lines gathered, every figure checked before the register sees any of it, the
// receipt laid out, the imitation's end with the fiscal QR text, and the receipt number. The
// register's own steps for a fiscal receipt are in atol_fiscal_receipt.cpp.
#include <cmath>
#include <cstdint>

#include "backends/atol/atol_backend.h"
#include "backends/atol/atol_item_code.h"
#include "backends/atol/atol_receipt_internal.h"
#include "backends/shared/emul_counters.h"
#include "backends/shared/hand_made_vat.h"
#include "backends/shared/imitation_vat.h"
#include "backends/shared/payment.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/rounding.h"
#include "shell/app_context.h"

namespace orvenka {
namespace atolreceipt {

bool IsCorrection(const std::string& command) {
    return SameTrimmed(command, "CORRECT_PRIH") || SameTrimmed(command, "CORRECT_RASH");
}

std::string TaxTypeOf(int nds) {
    switch (nds) {
        case 18:
        case 20:
            return "LIBFPTR_TAX_VAT20";
        case 10:
            return "LIBFPTR_TAX_VAT10";
        case 0:
            return "LIBFPTR_TAX_VAT0";
        case -1:
            return "LIBFPTR_TAX_NO";
        default:
            return {};
    }
}

double LineAmount(bool pricesAreSums, double kolvo, double cena) {
    return pricesAreSums ? RoundHalfUp(cena, 2) : LineSum(kolvo, cena);
}

int64_t CorrectionDateSeconds(const TParam& p) {
    int date = 0;
    try {
        date = StrToDateInt(p.CheckCorrect_DATE);
    } catch (const Failure&) {
        date = 0;
    }
    if (date == 0) {
        throw Failure("Чек коррекции: дата документа основания CheckCorrect_DATE=\"" +
                      p.CheckCorrect_DATE + "\" не является датой. Чек не напечатан");
    }
    return UnixSeconds(EncodeDateTime({date / 10000, date / 100 % 100, date % 100}));
}

}  // namespace atolreceipt

namespace {

std::string TitleOf(const std::string& command) {
    if (SameTrimmed(command, "RETURN"))
        return "ВОЗВРАТ";
    if (SameTrimmed(command, "PRINT"))
        return "ПРИХОД";
    if (SameTrimmed(command, "RETURN_BUY"))
        return "ВОЗВРАТ РАСХОДА";
    if (SameTrimmed(command, "PRINT_BUY"))
        return "РАСХОД";
    return {};
}

int64_t KopecksOf(double roubles) {
    return std::llround(RoundHalfUp(roubles, 2) * 100);
}

const char* const kFnsSite = "www.nalog.gov.ru";

}  // namespace

using namespace atolreceipt;

void AtolBackend::ATOL_BeginCheck() {
    if (state_.CheckBegun)
        return;
    state_.DopList.clear();
    state_.SaleList.clear();
    state_.VatTotals[0] = state_.VatTotals[1] = 0;
    state_.CheckBegun = true;
}

void AtolBackend::ATOL_AddDop(const std::string& caption, const std::string& value, bool emphasis) {
    if (state_.CheckBegun)
        state_.DopList.push_back(TDop{caption, value, emphasis});
}

void AtolBackend::ATOL_AddTovar(const TSale& line, const TTovar& goods) {
    if (state_.CheckBegun)
        state_.SaleList.push_back(AtolSale{line, goods});
}

// The VAT of the hand-made summary line: the goods' common rate on a fiscal receipt; the
// non-fiscal imitation keeps its layout.
int AtolBackend::SummaryVat(const std::vector<AtolSale>& sales) const {
    if (ctx_.param.isNotFiscal)
        return 0;
    std::vector<int> codes;
    for (const AtolSale& s : sales)
        codes.push_back(s.sale.NDS);
    return HandMadeVat(codes);
}

// A declared document sum is the register's total, as on Shtrih-M: the lines are re-expressed
// against it, or the receipt is refused before the register sees any of it.
void AtolBackend::MeetDocumentSum(std::vector<AtolSale>& sales) {
    const TParam& p = ctx_.param;
    if (p.SUMMADOC == 0)
        return;
    std::vector<TSale> lines;
    for (const AtolSale& s : sales)
        lines.push_back(s.sale);
    SplitLineSums(p, lines);
    double goodsTotal = 0;
    for (const TSale& line : lines)
        goodsTotal += LineSum(line.Kolvo, line.Cena);
    AdjustToSummaDoc(p, lines, ctx_.log);
    MeetSummaDoc(p, goodsTotal, lines);
    for (size_t i = 0; i < lines.size(); ++i)
        sales[i].sale = lines[i];
    state_.PricesAreSums = false;
}

// Everything that can make a receipt impossible is found before the register sees any of it, so
// a bad line never leaves half a receipt open: VAT codes the register has no rate for, marking
// codes that are no number, lines whose sum cannot be split, figures no register holds.
double AtolBackend::CheckReceiptFigures(const std::string& command,
                                        const std::vector<AtolSale>& sales) {
    const TParam& p = ctx_.param;
    int64_t totalKopecks = 0;
    for (const AtolSale& s : sales) {
        const TSale& line = s.sale;
        totalKopecks += KopecksOf(LineAmount(state_.PricesAreSums, line.Kolvo, line.Cena));
        if (p.HandMade)
            continue;
        if (state_.PricesAreSums) {
            std::string name = line.Name;
            SplitLineSum(line.Kolvo, line.Cena, name);
        }
        if (p.isNotFiscal)
            continue;
        if (TaxTypeOf(line.NDS).empty()) {
            throw Failure("Ставка НДС " + std::to_string(line.NDS) + " в строке \"" + line.Name +
                          "\" не известна ККМ АТОЛ (допустимы 20, 10, 0 и -1). Чек не напечатан");
        }
        const std::string code = TrimText(s.tovar.NomenclatureCode1162);
        if (s.tovar.CompositeMark == "##" && !code.empty() && !AtolItemCodeBytes(code)) {
            throw Failure("Код товара (тег 1162) \"" + code + "\" в строке \"" + line.Name +
                          "\" должен быть десятичным числом не больше 18446744073709551615. Чек "
                          "не напечатан");
        }
    }
    if (!p.isNotFiscal && IsCorrection(command))
        CorrectionDateSeconds(p);
    if (!p.isNotFiscal && p.HandMade && TaxTypeOf(SummaryVat(sales)).empty()) {
        throw Failure("Ставка НДС " + std::to_string(SummaryVat(sales)) +
                      " товаров не известна ККМ АТОЛ (допустимы 20, 10, 0 и -1). Чек не "
                      "напечатан");
    }
    return static_cast<double>(totalKopecks) / 100;
}

bool AtolBackend::ATOL_PrintCheck(const std::string& command) {
    if (!state_.CheckBegun)
        return false;
    // The lists belong to this receipt whatever happens below.
    const std::vector<TDop> dops = std::move(state_.DopList);
    std::vector<AtolSale> sales = std::move(state_.SaleList);
    state_.DopList.clear();
    state_.SaleList.clear();
    state_.CheckBegun = false;

    const TParam& p = ctx_.param;
    state_.PricesAreSums = p.CENA_AS_SUMMA;
    MeetDocumentSum(sales);
    const double goodsTotal = CheckReceiptFigures(command, sales);
    // A hand-made summary on an imitation registers and pays nothing.
    const bool handMadeZero = p.HandMade && p.isNotFiscal;
    const ReceiptPayment paid = handMadeZero ? ReceiptPayment{} : PaymentOf(p, goodsTotal);
    if (p.isNotFiscal) {
        // What the footer will count, checked before a line is printed.
        LoadCounters(ctx_, DeviceKind::Atol);
        CheckReceiptCountable(ctx_.emul, command, goodsTotal, paid.electronic, paid.cash);
    }

    Connect();
    driver_.Run("open");
    ATOL_PrintHeader();
    std::string agentText, supplierText;
    if (p.isNotFiscal) {
        driver_.Check(driver_.Run("beginNonfiscalDocument"), "АТОЛ: документ не начат: ");
        const std::string title = TitleOf(command);
        if (!title.empty())
            ATOL_PrintLine(title, false);
    } else {
        PrepareFiscalReceipt(command, agentText, supplierText);
    }

    if (!IsBlank(p.NumCheck))
        ATOL_PrintLine("ЧЕК № " + p.NumCheck, false);
    for (const TDop& dop : dops)
        ATOL_PrintLine(dop.Caption + " " + TrimText(dop.Value), dop.Emphasis);

    const long W = static_cast<long>(p.Name) + p.Cena + p.Summa + p.Kolvo;
    const auto columns = [&](const std::string& name, const std::string& kolvo,
                             const std::string& cena, const std::string& summa, bool kolvoRight) {
        std::string text = p.Name != 0 ? FitText(name, p.Name, false) : name;
        if (p.Kolvo != 0)
            text += FitText(kolvo, p.Kolvo, kolvoRight);
        if (p.Cena != 0)
            text += FitText(cena, p.Cena, true);
        if (p.Summa != 0)
            text += FitText(summa, p.Summa, true);
        return text;
    };
    if (p.HandMade) {
        ATOL_PrintLine(RepeatText("-", W), false);
        ATOL_PrintLine(columns("Наименование", "Кол-во", "Цена", "Сумма", true), false);
    }

    for (const AtolSale& s : sales) {
        const TSale& line = s.sale;
        const std::string lineName = p.Name == 0 ? line.Name : FitText(line.Name, p.Name, false);
        if (p.HandMade) {
            ATOL_PrintLine(
                columns(lineName, FormatMoney(line.Kolvo), FormatMoney(line.Cena),
                        FormatMoney(LineAmount(state_.PricesAreSums, line.Kolvo, line.Cena)),
                        false),
                false);
            continue;
        }
        ATOL_RegisterTovar(lineName, line.Kolvo, line.Cena, line.NDS, p.Section, &s.tovar,
                           agentText, supplierText);
        if (p.Name != 0 && static_cast<long>(CharCount(line.Name)) > p.Name) {
            ATOL_PrintWrapped("Расшифровка:" + line.Name);
            ATOL_PrintLine("----", false);
        }
    }

    if (p.HandMade) {
        const std::string name = SameTrimmed(command, "RETURN") ? "Возврат" : "Продажа";
        const double price = handMadeZero ? 0 : goodsTotal;
        ATOL_RegisterTovar(name, 1, price, SummaryVat(sales), p.Section, nullptr, agentText,
                           supplierText);
        ATOL_PrintLine(RepeatText("=", W), false);
        ATOL_PrintLine(FitText(" Сумма по чеку: " + FormatMoney(goodsTotal), W, true), false);
        if (!p.OplataBreak) {
            ATOL_PrintLine(FitText((IsBlank(p.Oplata) ? "Наличные: " : "Безналичные: ") +
                                       FormatMoney(goodsTotal),
                                   W, true),
                           false);
        } else {
            if (paid.electronic != 0)
                ATOL_PrintLine(FitText("Безналичные: " + FormatMoney(paid.electronic), W, true),
                               false);
            if (paid.cash != 0)
                ATOL_PrintLine(FitText("Наличные: " + FormatMoney(paid.cash), W, true), false);
        }
    }

    if (p.isNotFiscal) {
        ATOL_PrintEmulEnd(command, paid.cash, paid.electronic, goodsTotal);
    } else {
        Pay(goodsTotal);
    }
    FinishReceipt();
    return true;
}

void AtolBackend::ATOL_PrintEmulEnd(const std::string& command, double cash, double card,
                                    double total) {
    const TParam& p = ctx_.param;
    LoadCounters(ctx_, DeviceKind::Atol);
    const TEmulVar& c = ctx_.emul;
    ATOL_PrintTotalLine("=" + FormatMoney(total));
    PrintImitationVatTotals(state_.VatTotals,
                            [&](const std::string& caption, const std::string& value) {
                                ATOL_PrintPair(caption, value);
                            });
    if (cash != 0)
        ATOL_PrintPair("НАЛИЧНЫМИ", "=" + FormatMoney(cash));
    if (card != 0)
        ATOL_PrintPair("БЕЗНАЛИЧНЫМИ", "=" + FormatMoney(card));

    ATOL_PrintPair("СНО:", TaxSystemName(p.SNO));
    ATOL_PrintPair("Пользователь:", p.USER);
    ATOL_PrintPair("ИНН:", p.INN);
    ATOL_PrintWrapped("Адрес:" + p.ADDRES);
    if (!IsBlank(p.MESTORASCHETA))
        ATOL_PrintWrapped("Место расчетов:" + p.MESTORASCHETA);
    if (!IsBlank(p.AuthorName) && !IsBlank(p.AuthorCaption))
        ATOL_PrintPair(p.AuthorName + ":", TrimText(p.AuthorCaption));
    if (!IsBlank(p.AuthorINN))
        ATOL_PrintPair("ИНН Кассира:", p.AuthorINN);
    ATOL_PrintPair("Сайт ФНС:", kFnsSite);
    if (!IsBlank(p.EmailOrTel)) {
        ATOL_PrintPair(p.EmailOrTel.find('@') != std::string::npos ? "Эл.адр.покупателя:"
                                                                   : "Телефон покупателя:",
                       p.EmailOrTel);
    }
    const TDateTime now = ctx_.clock.Now();
    ATOL_PrintPair("Дата Время", FormatDateTime(now));
    ATOL_PrintPair("Смена №", PadZeros(5, std::to_string(c.SMENA)));
    ATOL_PrintPair("Чек №:", PadZeros(5, std::to_string(c.NUM_CHECKINSMENA + 1)));
    ATOL_PrintPair("^ЗН №", p.ZN + "^");
    ATOL_PrintPair("РН ККТ №", p.REGNUMKKT);
    ATOL_PrintPair("ФН №", p.REGNUMFN);
    ATOL_PrintPair("ФД №", PadZeros(10, std::to_string(c.NUM_FISCAL_DOC + 1)));
    const std::string sign = std::to_string(fiscalSign_.Next());
    ATOL_PrintPair("ФП:", sign);
    ATOL_PrintLine("", false);

    const std::string qr = "t=" + std::to_string(DateToInt(now)) +
                           "T1452&s=" + FormatMoney(cash + card) + "&fn=" + p.REGNUMFN +
                           "&i=18&fp=" + sign + "&n=1";
    driver_.SetParam("LIBFPTR_PARAM_BARCODE", qr);
    driver_.SetParam("LIBFPTR_PARAM_BARCODE_TYPE", driver_.Constant("LIBFPTR_BT_QR"));
    driver_.SetParam("LIBFPTR_PARAM_ALIGNMENT", driver_.Constant("LIBFPTR_ALIGNMENT_CENTER"));
    driver_.SetParam("LIBFPTR_PARAM_SCALE", 4);
    driver_.Check(driver_.Run("printBarcode"), "АТОЛ: QR-код не напечатан: ");
    driver_.Check(driver_.Run("endNonfiscalDocument"), "АТОЛ: документ не напечатан: ");

    // Counted only once printed. The receipt number (the counters' own) is written by
    // FinishReceipt, which never fails a receipt that was made.
    RecordEmulatedReceipt(ctx_.emul, command, total, card, cash);
    SaveCounters(ctx_, DeviceKind::Atol);
}

}  // namespace orvenka
