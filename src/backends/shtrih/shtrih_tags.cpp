// Fiscal tags of the receipt and of its lines, and correction receipts. A tag that fails is
// written to the error log and the receipt goes on.
#include <cmath>

#include "backends/shtrih/shtrih_backend.h"
#include "backends/shtrih/shtrih_driver.h"
#include "common/text.h"
#include "receipt/amounts.h"
#include "shell/app_context.h"

namespace orvenka {

using shtrih::Check;
using shtrih::kAdmin;
using shtrih::kOperator;

std::string ShtrihBackend::LastDescription() {
    try {
        return st_.fr ? st_.fr->GetText("ResultCodeDescription") : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

AutomationObject& ShtrihBackend::TextTag(int tag, int type, const std::string& value) {
    AutomationObject& fr = Fr();
    Password(kOperator);
    fr.Set("TagNumber", tag);
    fr.Set("TagType", type);
    fr.Set("TagValueStr", value);
    return fr;
}

void ShtrihBackend::FR_FNSendTag(int tag, int type, const std::string& value,
                                 const std::string& description) {
    if (IsBlank(value))
        return;
    const std::string what = std::to_string(tag) + " " + description + " :";
    try {
        AutomationObject& fr = TextTag(tag, type, value);
        if (Call("FNSendTag") != 0) {
            ctx_.LogError("FR_FNSendTag Передача тэга:" + what +
                          fr.GetText("ResultCodeDescription"));
        }
    } catch (const std::exception& e) {
        ctx_.LogError("FR_FNSendTag Передача тэга " + what + e.what() + " " + LastDescription());
    }
}

void ShtrihBackend::FR_FNSendTagOperationStr(int tag, int type, const std::string& value,
                                             const std::string& description) {
    if (IsBlank(value))
        return;
    try {
        AutomationObject& fr = TextTag(tag, type, value);
        fr.Set("TagValueLength", static_cast<int64_t>(CharCount(value)));
        if (Call("FNSendTagOperation") != 0)
            ctx_.LogError("FR_FNSendTagOperationStr:" + fr.GetText("ResultCodeDescription"));
    } catch (const std::exception& e) {
        ctx_.LogError("FR_FNSendTag Передача тэга " + std::to_string(tag) + " " + description +
                      " :" + e.what() + " " + LastDescription());
    }
}

void ShtrihBackend::FR_FNSendTagDate(int tag, int dayNumber, const std::string& description) {
    if (dayNumber == 0)
        return;
    try {
        AutomationObject& fr = Fr();
        Password(kOperator);
        fr.Set("TagNumber", tag);
        fr.Set("TagType", 6);
        fr.Set("TagValueDateTime", Variant::DateTime(dayNumber));
        Call("FNSendTag");
    } catch (const std::exception& e) {
        ctx_.LogError("FR_FNSendTag Передача тэга " + std::to_string(tag) + " " + description +
                      " :" + e.what() + " " + LastDescription());
    }
}

void ShtrihBackend::FR_SendReceiptAgentTag() {
    const TParam& p = ctx_.param;
    if (IsBlank(p.AgentInfoINN1016) || IsBlank(p.AgentInfoName1026))
        return;
    AutomationObject& fr = Fr();
    Password(kOperator);
    fr.Set("TagNumber", 1057);
    fr.Set("TagType", 0);
    fr.Set("TagValueInt", 64);
    Call("FNSendTag");
}

void ShtrihBackend::FR_SendLineAgentTags() {
    const TParam& p = ctx_.param;
    AutomationObject& fr = Fr();
    // A structured tag: begun, filled with text tags, sent for the line just registered.
    const auto structure = [&](int tag, const std::vector<std::pair<int, std::string>>& items) {
        fr.Set("TagNumber", tag);
        Call("FNBeginSTLVTag");
        const int64_t id = fr.GetInt("TagID");
        for (const auto& [number, value] : items) {
            fr.Set("TagID", id);
            fr.Set("TagNumber", number);
            fr.Set("TagType", 7);
            fr.Set("TagValueStr", value);
            Call("FNAddTag");
        }
        return Call("FNSendSTLVTagOperation");
    };
    if (!IsBlank(p.AgentInfoINN1016) && !IsBlank(p.AgentInfoName1026)) {
        if (const int result =
                structure(1223, {{1016, p.AgentInfoINN1016}, {1026, p.AgentInfoName1026}})) {
            ctx_.LogError("Не удалось передать тэг 1223:" + std::to_string(result) + ": " +
                          fr.GetText("ResultCodeDescription"));
        }
    }
    if (!IsBlank(p.suplierInfoName1225) && !IsBlank(p.suplierInfoINN1226)) {
        Password(kAdmin);
        fr.Set("TagNumber", 1222);
        fr.Set("TagType", 0);
        fr.Set("TagValueInt", 64);
        Call("FNSendTagOperation");
        fr.Set("TagNumber", 1226);
        fr.Set("TagType", 7);
        fr.Set("TagValueStr", p.suplierInfoINN1226);
        Call("FNSendTagOperation");
        std::vector<std::pair<int, std::string>> items;
        if (!IsBlank(p.suplierInfoTel1171))
            items.emplace_back(1171, p.suplierInfoTel1171);
        items.emplace_back(1225, p.suplierInfoName1225);
        if (const int result = structure(1224, items)) {
            ctx_.LogError(
                "Не удалось передать тэг 1224 поставщик:(Возможно номер телефона поставщика "
                "указан не в формате +7ХХХХХХХХХХ) " +
                std::to_string(result) + ": " + fr.GetText("ResultCodeDescription"));
        }
    }
}

bool ShtrihBackend::PrintCorrection(const std::string& command) {
    return FR_CorrectionReceipt(command);
}

bool ShtrihBackend::FR_CorrectionReceipt(const std::string& command) {
    const TParam& p = ctx_.param;
    // Sums no register holds never reach it: an infinite or absurd VAT amount would be sent
    // as it stands.
    try {
        CheckCorrectionAmounts(p);
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
        return false;
    }
    FR_Prepare();
    try {
        const int date = StrToDateInt(p.CheckCorrect_DATE);
        if (date == 0) {
            throw Failure(
                "CheckCorrect_DATE: не указана дата документа основания для "
                "коррекции");
        }
        const int dayNumber = static_cast<int>(
            std::floor(EncodeDateTime({date / 10000, date / 100 % 100, date % 100, 0, 0, 0, 0})));

        AutomationObject& fr = Fr();
        Password(kAdmin);
        Call("FNBeginCorrectionReceipt");
        FR_FNSendTag(1177, 7, p.CheckCorrect_NAME, "тег 1177 наименование основания для коррекции");
        FR_FNSendTagDate(1178, dayNumber, "тег 1178 дата документа основания для коррекции");
        FR_FNSendTag(1179, 7, p.CheckCorrect_NUM,
                     "тег 1179 номер документа основания для коррекции");
        Password(kAdmin);
        fr.Set("CorrectionType", 0);
        fr.Set("CalculationSign", SameTrimmed(command, "CORRECT_RASH") ? 3 : 1);
        double total = 0;
        for (int i = 0; i < 5; ++i)
            total += p.BreakSumm[static_cast<size_t>(i)];
        fr.Set("Summ1", total);
        for (int i = 0; i < 5; ++i)
            fr.Set("Summ" + std::to_string(i + 2), p.BreakSumm[static_cast<size_t>(i)]);
        for (int i = 0; i < 6; ++i)
            fr.Set("Summ" + std::to_string(i + 7), p.CheckCorrect_NDS[static_cast<size_t>(i)]);
        FR_SetTaxSystem();
        Check(fr, Call("FNBuildCorrectionReceipt2"));
    } catch (const std::exception& e) {
        ctx_.LogError(e.what());
        return false;
    }
    // The correction receipt's own number, not the one of the receipt before it.
    SaveNumberAndLog([this] { return FnDocumentNumber(); });
    return true;
}

}  // namespace orvenka
