// Receipts on the ATOL register: fiscal receipts of every kind (corrections included) with their
// tags, marking codes and payments, and the non-fiscal imitation with the fiscal QR text.
#include <cmath>
#include <cstdint>

#include "backends/atol/atol_backend.h"
#include "backends/atol/atol_item_code.h"
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
namespace {

bool IsCorrection(const std::string& command) {
    return SameTrimmed(command, "CORRECT_PRIH") || SameTrimmed(command, "CORRECT_RASH");
}

// The driver's VAT rate of a VAT code; empty for a code the register has no rate for.
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

std::string TaxSystemOf(const std::string& sno) {
    if (sno == "OSN")
        return "LIBFPTR_TT_OSN";
    if (sno == "DOH")
        return "LIBFPTR_TT_USN_INCOME";
    if (sno == "DOHRASH")
        return "LIBFPTR_TT_USN_INCOME_OUTCOME";
    if (sno == "ENVD")
        return "LIBFPTR_TT_ENVD";
    if (sno == "ESN")
        return "LIBFPTR_TT_ESN";
    if (sno == "PATENT")
        return "LIBFPTR_TT_PATENT";
    return {};
}

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

// What a line adds to the goods total, as the register computes it: the line sum of the price
// column (CENA_AS_SUMMA), otherwise quantity × price as the exact decimal product rounded to
// kopecks.
double LineAmount(bool pricesAreSums, double kolvo, double cena) {
    return pricesAreSums ? RoundHalfUp(cena, 2) : LineSum(kolvo, cena);
}

int64_t KopecksOf(double roubles) {
    return std::llround(RoundHalfUp(roubles, 2) * 100);
}

// The basis document date of a correction receipt as the register takes it (tag 1178).
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

const char* const kFnsSite = "www.nalog.gov.ru";

}  // namespace

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

void AtolBackend::PrepareFiscalReceipt(const std::string& command, std::string& agentText,
                                       std::string& supplierText) {
    const TParam& p = ctx_.param;
    ATOL_CheckDocumentState();

    if (!IsBlank(p.AuthorCaption) || !IsBlank(p.AuthorINN)) {
        if (!IsBlank(p.AuthorCaption))
            driver_.SetTag(1021, p.AuthorCaption);
        if (!IsBlank(p.AuthorINN))
            driver_.SetTag(1203, p.AuthorINN);
        driver_.Check(driver_.Run("operatorLogin"),
                      "Не удалось передать инн кассира или имя (параметры:AuthorCaption тег "
                      "1021,AuthorINN тег 1203), наверное ИНН не должен быть пустым или должен "
                      "быть=12 знаков: ");
    }

    // ATOL_SendUserRequisite: an optional tag; a structure the register refuses is reported and
    // left out rather than sent empty.
    if (!IsBlank(p.t1085) && !IsBlank(p.t1086)) {
        driver_.SetTag(1085, p.t1085);
        driver_.SetTag(1086, p.t1086);
        if (driver_.Run("utilFormTlv") == 0) {
            driver_.SetTag(1084, driver_.ParamBytes("LIBFPTR_PARAM_TAG_VALUE"));
        } else {
            ctx_.LogError("Не удалось передать тег 1084 (t1085, t1086): " +
                          driver_.ErrorDescription());
            // A refused step may leave its inputs set, and 1085/1086 would reach the receipt
            // as tags of its own.
            driver_.Run("resetParams");
        }
    }

    // The basis of a correction is packed before the receipt's own tags are set: the driver
    // packs every tag given since its last operation, and the buyer, place and tax-system tags
    // must stay the receipt's.
    Bytes correctionBasis;
    const bool correction = IsCorrection(command);
    if (correction) {
        driver_.SetTag(1177, p.CheckCorrect_NAME);
        driver_.SetTag(1178, CorrectionDateSeconds(p));
        driver_.SetTag(1179, p.CheckCorrect_NUM);
        driver_.Check(driver_.Run("utilFormTlv"),
                      "Не удалось сформировать основание для коррекции (тег 1174): ");
        correctionBasis = driver_.ParamBytes("LIBFPTR_PARAM_TAG_VALUE");
    }

    const bool isReturn = SameTrimmed(command, "RETURN") || SameTrimmed(command, "RETURN_BUY");
    if (isReturn && !IsBlank(ctx_.device.Arguments))
        driver_.SetTag(1192, ctx_.device.Arguments);
    const char* receiptType = SameTrimmed(command, "PRINT")        ? "LIBFPTR_RT_SELL"
                              : SameTrimmed(command, "RETURN")     ? "LIBFPTR_RT_SELL_RETURN"
                              : SameTrimmed(command, "PRINT_BUY")  ? "LIBFPTR_RT_BUY"
                              : SameTrimmed(command, "RETURN_BUY") ? "LIBFPTR_RT_BUY_RETURN"
                                                                   : nullptr;
    if (receiptType)
        driver_.SetParam("LIBFPTR_PARAM_RECEIPT_TYPE", driver_.Constant(receiptType));

    if (!IsBlank(p.PoluchatelName))
        driver_.SetTag(1227, p.PoluchatelName);
    if (!IsBlank(p.PoluchatelINN))
        driver_.SetTag(1228, p.PoluchatelINN);
    if (!IsBlank(p.EmailOrTel))
        driver_.SetTag(1008, p.EmailOrTel);

    driver_.SetParam("LIBFPTR_PARAM_RECEIPT_ELECTRONICALLY", p.ECheck);
    if (p.ECheck && IsBlank(p.EmailOrTel))
        ctx_.LogError("При печати электронного чека должен быть указан email или телефон!");

    try {
        driver_.SetTag(1187, p.MESTORASCHETA);
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
    }
    if (!IsBlank(p.SNO)) {
        try {
            const std::string system = TaxSystemOf(p.SNO);
            if (!system.empty())
                driver_.SetTag(1055, driver_.Constant(system));
        } catch (const Failure& f) {
            ctx_.LogError(f.what());
        }
    }

    if (correction) {
        driver_.SetTag(1173, 0);
        driver_.SetTag(1174, correctionBasis);
        driver_.SetParam(
            "LIBFPTR_PARAM_RECEIPT_TYPE",
            driver_.Constant(SameTrimmed(command, "CORRECT_PRIH") ? "LIBFPTR_RT_SELL_CORRECTION"
                                                                  : "LIBFPTR_RT_BUY_CORRECTION"));
    }

    const bool supplier = !IsBlank(p.suplierInfoName1225) && !IsBlank(p.suplierInfoINN1226);
    if (supplier)
        driver_.SetTag(1057, 64);  // ATOL_SendAgentSign

    // Every line below is registered in this receipt: a receipt that did not open must not
    // surface as a refused line.
    driver_.Check(driver_.Run("openReceipt"), "Не удалось открыть чек: ");

    const auto packOrCancel = [this](const std::string& failure) {
        if (driver_.Run("utilFormTlv") == 0)
            return driver_.ParamString("LIBFPTR_PARAM_TAG_VALUE");
        const std::string why = driver_.ErrorDescription();
        driver_.Run("cancelReceipt");
        throw Failure(failure + why);
    };
    if (supplier) {
        driver_.SetTag(1225, p.suplierInfoName1225);
        if (!IsBlank(p.suplierInfoTel1171))
            driver_.SetTag(1171, p.suplierInfoTel1171);
        supplierText = packOrCancel("Не удалось передать тэг 1224: ");
    }
    if (!IsBlank(p.AgentInfoINN1016) && !IsBlank(p.AgentInfoName1026)) {
        driver_.SetTag(1016, p.AgentInfoINN1016);
        driver_.SetTag(1026, p.AgentInfoName1026);
        agentText = packOrCancel("Не удалось передать тэг 1223: ");
    }
}

double AtolBackend::ATOL_RegisterTovar(std::string name, double kolvo, double cena, int nds,
                                       int section, const TTovar* tovar,
                                       const std::string& agentText,
                                       const std::string& supplierText) {
    const TParam& p = ctx_.param;
    if (p.isNotFiscal) {
        double quantity = kolvo, price = cena;
        if (state_.PricesAreSums) {
            const LinePrice split = SplitLineSum(kolvo, cena, name);
            quantity = split.quantity;
            price = split.price;
        }
        const double sum = LineAmount(state_.PricesAreSums, kolvo, cena);
        ATOL_PrintWrapped(name);
        ATOL_PrintLine("ПОЛНЫЙ РАСЧЕТ", false);
        ATOL_PrintPair(PadZeros(2, std::to_string(section)),
                       FormatQty(quantity) + " * " + FormatMoney(price) + " =" + FormatMoney(sum));
        PrintImitationVat(
            nds, sum, state_.VatTotals,
            [&](const std::string& caption, const std::string& value) {
                ATOL_PrintPair(caption, value);
            },
            [&](const std::string& caption) { ATOL_PrintLine(caption, false); });
        return sum;
    }

    const bool composite = tovar && tovar->CompositeMark == "##";
    if (composite) {
        const TTovar& t = *tovar;
        // The nomenclature goes first: forming it takes every input set since the driver's
        // last operation, and the line's own tags must reach the registration.
        Atol_Send_teg_1162(t);
        if (!IsBlank(t.Country1230))
            driver_.SetTag(1230, t.Country1230);
        if (!IsBlank(t.Rekvizit1191))
            driver_.SetTag(1191, t.Rekvizit1191);
        if (!IsBlank(t.Unit1197))
            driver_.SetTag(1197, t.Unit1197);
        if (t.Excise1229 != 0)
            driver_.SetTag(1229, t.Excise1229);
        if (!IsBlank(t.Declaration1231))
            driver_.SetTag(1231, t.Declaration1231);
        if (!IsBlank(t.NomenclatureCode1162))
            ATOL_SendItemCode(TrimText(t.NomenclatureCode1162));
    }

    driver_.SetParam("LIBFPTR_PARAM_COMMODITY_NAME", LeftChars(name, 120));
    driver_.SetParam("LIBFPTR_PARAM_PRICE", cena);
    driver_.SetParam("LIBFPTR_PARAM_QUANTITY", kolvo);
    if (state_.PricesAreSums) {
        const LinePrice split = SplitLineSum(kolvo, cena, name);
        driver_.SetParam("LIBFPTR_PARAM_COMMODITY_NAME", LeftChars(name, 120));
        driver_.SetParam("LIBFPTR_PARAM_PRICE", split.price);
        driver_.SetParam("LIBFPTR_PARAM_QUANTITY", split.quantity);
    }
    const double sum = LineAmount(state_.PricesAreSums, kolvo, cena);
    if (section != 0)
        driver_.SetParam("LIBFPTR_PARAM_DEPARTMENT", section);
    const std::string taxType = TaxTypeOf(nds);
    if (taxType.empty()) {
        throw Failure("Ставка НДС " + std::to_string(nds) + " в строке \"" + name +
                      "\" не известна ККМ АТОЛ");
    }
    driver_.SetParam("LIBFPTR_PARAM_TAX_TYPE", driver_.Constant(taxType));

    // Subject and method of settlement go once: the line's own value of a composite line, or
    // the document's, and not at all when neither is given.
    const int predmet = composite && tovar->Predmet1212 != 0 ? tovar->Predmet1212 : p.Predmet;
    const int sposob = composite && tovar->Sposob1214 != 0 ? tovar->Sposob1214 : p.Sposob;
    if (predmet != 0)
        driver_.SetTag(1212, predmet);
    if (sposob != 0)
        driver_.SetTag(1214, sposob);

    if (!IsBlank(agentText))
        driver_.SetTagHex(1223, agentText);
    if (!IsBlank(supplierText)) {
        driver_.SetTag(1222, 64);
        driver_.SetTag(1226, p.suplierInfoINN1226);
        driver_.SetTagHex(1224, supplierText);
    }

    if (driver_.Run("registration") != 0) {
        // A refused line would otherwise vanish and the payment of the full total close the
        // receipt with change.
        const std::string why = driver_.ErrorDescription();
        driver_.Run("cancelReceipt");
        throw Failure("Не удалось зарегистрировать товар \"" + name + "\": " + why +
                      ". Чек аннулирован");
    }
    return sum;
}

void AtolBackend::Atol_Send_teg_1162(const TTovar& tovar) {
    if (tovar.NomenclatureType == 0)
        return;
    const char* constant = tovar.NomenclatureType == 2   ? "LIBFPTR_NT_FURS"
                           : tovar.NomenclatureType == 3 ? "LIBFPTR_NT_MEDICINES"
                           : tovar.NomenclatureType == 5 ? "LIBFPTR_NT_TOBACCO"
                           : tovar.NomenclatureType == 6 ? "LIBFPTR_NT_SHOES"
                                                         : nullptr;
    if (constant)
        driver_.SetParam("LIBFPTR_PARAM_NOMENCLATURE_TYPE", driver_.Constant(constant));
    driver_.SetParam("LIBFPTR_PARAM_NOMENCLATURE_TYPE", tovar.NomenclatureType);
    driver_.SetParam("LIBFPTR_PARAM_GTIN", tovar.GTIN);
    driver_.SetParam("LIBFPTR_PARAM_SERIAL_NUMBER", tovar.SerialNumber);
    if (driver_.Run("utilFormNomenclature") != 0) {
        // Logged and left out: an empty code would replace nothing with nothing.
        ctx_.LogError("Передача Atol_Send_teg_1162 utilFormNomenclature:" +
                      driver_.ErrorDescription());
        return;
    }
    driver_.SetTag(1162, driver_.ParamBytes("LIBFPTR_PARAM_TAG_VALUE"));
}

void AtolBackend::ATOL_SendItemCode(const std::string& code) {
    const auto bytes = AtolItemCodeBytes(code);
    if (!bytes)
        throw Failure("Код товара (тег 1162) \"" + code + "\" не является десятичным числом");
    driver_.SetTag(1162, *bytes);
}

void AtolBackend::ATOL_CheckDocumentState() {
    if (!driver_.ParamBool("LIBFPTR_PARAM_DOCUMENT_CLOSED")) {
        driver_.Run("cancelReceipt");
        return;
    }
    // A register that never finishes printing must not hold the command for ever.
    constexpr int kContinuePrintAttempts = 5;
    std::string why;
    for (int attempt = 0; !driver_.ParamBool("LIBFPTR_PARAM_DOCUMENT_PRINTED"); ++attempt) {
        if (attempt == kContinuePrintAttempts) {
            throw Failure(
                "ККМ не допечатала предыдущий документ: " + std::to_string(kContinuePrintAttempts) +
                " попыток продолжить печать (continuePrint) не помогли" +
                (why.empty() ? "" : ": " + why));
        }
        if (driver_.Run("continuePrint") != 0)
            why = driver_.ErrorDescription();
    }
}

void AtolBackend::Pay(double total) {
    const TParam& p = ctx_.param;
    const auto pay = [this](const Variant& type, double sum) {
        driver_.SetParam("LIBFPTR_PARAM_PAYMENT_TYPE", type);
        driver_.SetParam("LIBFPTR_PARAM_PAYMENT_SUM", RoundHalfUp(sum, 2));
        driver_.Run("payment");
    };
    if (!p.OplataBreak) {
        pay(driver_.Constant(IsBlank(p.Oplata) ? "LIBFPTR_PT_CASH" : "LIBFPTR_PT_ELECTRONICALLY"),
            total);
    } else if (p.BreakSummUsed) {
        for (int k = 9; k >= 0; --k) {
            if (p.BreakSumm[static_cast<size_t>(k)] != 0)
                pay(k, p.BreakSumm[static_cast<size_t>(k)]);
        }
    } else {
        pay(driver_.Constant("LIBFPTR_PT_ELECTRONICALLY"), p.BreakSumVISA);
        pay(driver_.Constant("LIBFPTR_PT_CASH"), p.BreakSumNAL);
    }
    driver_.Check(driver_.Run("closeReceipt"), "Не удалось закрыть чек: ");
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
