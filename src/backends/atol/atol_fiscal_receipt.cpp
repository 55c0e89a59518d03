// The register's side of an ATOL fiscal receipt: the document opened with its tags, each goods
// line registered (or laid out on the non-fiscal imitation) with its marking code, the payments
// and the close.
#include "backends/atol/atol_backend.h"
#include "backends/atol/atol_item_code.h"
#include "backends/atol/atol_receipt_internal.h"
#include "backends/shared/imitation_vat.h"
#include "common/failure.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/rounding.h"
#include "shell/app_context.h"

namespace orvenka {
namespace {

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

}  // namespace

using namespace atolreceipt;

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

}  // namespace orvenka
