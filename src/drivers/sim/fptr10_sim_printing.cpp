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

// --- printing -------------------------------------------------------------------------------

int SimulatedFptr10::BeginNonfiscal() {
    if (receipt_)
        return Fail(kNotPermitted, "Открыт чек - операция невозможна");
    nonfiscal_ = true;
    BeginPrinted("НЕФИСКАЛЬНЫЙ ДОКУМЕНТ");
    return Done();
}

int SimulatedFptr10::EndNonfiscal() {
    if (!nonfiscal_)
        return Fail(kNotPermitted, "Нефискальный документ не открыт");
    nonfiscal_ = false;
    Print("---- конец нефискального документа ----");
    return Done();
}

int SimulatedFptr10::PrintText(const Inputs& in) {
    std::string text = in.Text(C("LIBFPTR_PARAM_TEXT"));
    if (in.Bool(C("LIBFPTR_PARAM_FONT_DOUBLE_WIDTH")) ||
        in.Bool(C("LIBFPTR_PARAM_FONT_DOUBLE_HEIGHT"))) {
        text = "[КРУПНО] " + text;
    }
    PrintOutsideDocuments();
    Print(text);
    return Done();
}

int SimulatedFptr10::PrintBarcode(const Inputs& in) {
    const std::string data = in.Text(C("LIBFPTR_PARAM_BARCODE"));
    if (data.empty())
        return Fail(kBadValue, "Пустые данные штрихкода");
    if (in.Int(C("LIBFPTR_PARAM_BARCODE_TYPE")) != C("LIBFPTR_BT_QR"))
        return Fail(kBadValue, "Неподдерживаемый тип штрихкода");
    PrintOutsideDocuments();
    Print("[QR-КОД: " + data + "]");
    return Done();
}

int SimulatedFptr10::PrintPicture(const Inputs& in) {
    std::string file = in.Text(C("LIBFPTR_PARAM_FILENAME"));
    if (!file.empty() && file.front() != '/')
        file = FolderPath() + file;
    std::string bytes;
    try {
        bytes = ReadFileBytes(file);
    } catch (const Failure& f) {
        return Fail(kBadValue, "Не удалось открыть файл картинки: " + std::string(f.what()));
    }
    const bool bmp = bytes.rfind("BM", 0) == 0;
    const bool png = bytes.rfind("\x89PNG", 0) == 0;
    if (!bmp && !png)
        return Fail(kBadValue, "Неподдерживаемый формат картинки (нужен BMP или PNG): " + file);
    PrintOutsideDocuments();
    Print("[КАРТИНКА: " + FileNameOf(file) + "]");
    return Done();
}

void SimulatedFptr10::PrintOutsideDocuments() {
    // Text outside a receipt or a non-fiscal document is a document of its own up to the cut.
    if (!receipt_ && !nonfiscal_ && !freeText_) {
        BeginPrinted("ТЕКСТ");
        freeText_ = true;
    }
}

int SimulatedFptr10::Cut() {
    Print("---- отрезка ----");
    freeText_ = false;
    return Done();
}

// --- reports and cash -----------------------------------------------------------------------

int SimulatedFptr10::Report(const Inputs& in) {
    const int64_t type = in.Int(C("LIBFPTR_PARAM_REPORT_TYPE"));
    if (receipt_ || nonfiscal_)
        return Fail(kNotPermitted, "Открыт документ - операция невозможна");
    if (type == C("LIBFPTR_RT_CLOSE_SHIFT")) {
        if (!ShiftOpen())
            return Fail(kNotPermitted, "Смена закрыта - операция невозможна");
        const int64_t number = NextDocument();
        BeginPrinted("ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ");
        Print("СМЕНА № " + std::to_string(state_.Int("SHIFT_NUMBER", 0)) + "  ЧЕКОВ ЗА СМЕНУ " +
              std::to_string(state_.Int("RECEIPT_NUMBER", 0)) + "  ФД № " + std::to_string(number));
        state_.Set("SHIFT_OPEN", 0);
        state_.Set("RECEIPT_NUMBER", 0);
        Save();
    } else if (type == C("LIBFPTR_RT_X")) {
        BeginPrinted("X-ОТЧЕТ");
        Print("СМЕНА № " + std::to_string(state_.Int("SHIFT_NUMBER", 0)) +
              (ShiftOpen() ? " ОТКРЫТА" : " ЗАКРЫТА") + "  НАЛИЧНЫХ В КАССЕ " +
              FormatMoney(state_.Float("CASH", 0)));
    } else if (type == C("LIBFPTR_RT_DEPARTMENTS")) {
        BeginPrinted("ОТЧЕТ ПО СЕКЦИЯМ");
    } else if (type == C("LIBFPTR_RT_OFD_TEST")) {
        BeginPrinted("ТЕСТ СВЯЗИ С ОФД");
        Print("СВЯЗЬ С ОФД: ЕСТЬ (симулятор)");
    } else if (type == C("LIBFPTR_RT_FN_DOC_BY_NUMBER")) {
        const int64_t number = in.Int(C("LIBFPTR_PARAM_DOCUMENT_NUMBER"));
        if (number < 1 || number > state_.Int("DOCUMENT_NUMBER", 0))
            return Fail(kBadValue, "Документ № " + std::to_string(number) + " не найден в ФН");
        BeginPrinted("КОПИЯ ДОКУМЕНТА ИЗ ФН");
        Print("ФД № " + std::to_string(number));
    } else {
        return Fail(kBadValue, "Неизвестный тип отчета " + std::to_string(type));
    }
    Print("---- отрезка ----");
    return Done();
}

int SimulatedFptr10::Cash(const Inputs& in, bool income) {
    if (receipt_ || nonfiscal_)
        return Fail(kNotPermitted, "Открыт документ - операция невозможна");
    const double sum = in.Float(C("LIBFPTR_PARAM_SUM"));
    if (!std::isfinite(sum) || sum <= 0 || sum > 1e12)
        return Fail(kBadValue, "Неверная сумма " + FormatGeneral(sum));
    if (ShiftState() == C("LIBFPTR_SS_EXPIRED"))
        return Fail(kShiftExpired, "Смена превысила 24 часа");
    const double cash = state_.Float("CASH", 0);
    if (!income && Kopecks(sum) > Kopecks(cash)) {
        return Fail(kNotEnoughMoney, "Недостаточно наличности в кассе: есть " + FormatMoney(cash) +
                                         ", выплата " + FormatMoney(sum));
    }
    if (!ShiftOpen())
        OpenShiftNow();
    const int64_t number = NextDocument();
    state_.SetFloat("CASH",
                    static_cast<double>(Kopecks(cash) + (income ? 1 : -1) * Kopecks(sum)) / 100);
    Save();
    BeginPrinted(income ? "ВНЕСЕНИЕ" : "ВЫПЛАТА");
    Print("СУММА =" + FormatMoney(sum) + "  ФД № " + std::to_string(number));
    return Done();
}

int SimulatedFptr10::OpenShift() {
    if (receipt_ || nonfiscal_)
        return Fail(kNotPermitted, "Открыт документ - операция невозможна");
    if (ShiftOpen())
        return Fail(kNotPermitted, "Смена открыта - операция невозможна");
    OpenShiftNow();
    return Done();
}

int SimulatedFptr10::OpenDrawer() {
    env_.log.LogMessage("АТОЛ (симулятор): денежный ящик открыт");
    return Done();
}

}  // namespace orvenka
