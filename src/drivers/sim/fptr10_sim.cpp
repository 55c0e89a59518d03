#include "drivers/sim/fptr10_sim.h"

#include <cmath>
#include <cstdio>

#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "drivers/sim/fiscal_tlv.h"
#include "drivers/sim/fptr10_sim_internal.h"

namespace orvenka {
namespace fptr10sim {

// Money as the register counts it: whole kopecks.
int64_t Kopecks(double roubles) {
    return std::llround(roubles * 100);
}

std::string Money(int64_t kopecks) {
    return FormatMoney(static_cast<double>(kopecks) / 100);
}

// The line sum the register computes: the quantity taken to 3 decimals and the price to 2, the
// exact decimal product rounded half away from zero to kopecks.
int64_t LineKopecks(double quantity, double price) {
    const __int128 product =
        static_cast<__int128>(std::llround(quantity * 1000)) * std::llround(price * 100);
    const __int128 magnitude = product < 0 ? -product : product;
    const auto kopecks = static_cast<int64_t>((magnitude + 500) / 1000);
    return product < 0 ? -kopecks : kopecks;
}

bool AllDigits(const std::string& s) {
    if (s.empty())
        return false;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The fiscal tags of an operation as the tape shows them: " 1008=a@b.ru 1162=450D…".
std::string TagsText(const std::vector<std::pair<int, Variant>>& tags) {
    std::string text;
    for (const auto& [tag, value] : tags) {
        text += " " + std::to_string(tag) + "=" +
                (value.GetType() == Variant::Type::Bytes ? ToHex(value.ToBytes()) : value.ToText());
    }
    return text;
}

}  // namespace fptr10sim

using namespace fptr10sim;

// --- inputs -------------------------------------------------------------------------------

bool SimulatedFptr10::Inputs::Has(int64_t id) const {
    for (const auto& v : values_) {
        if (v.first == id)
            return true;
    }
    return false;
}

const Variant& SimulatedFptr10::Inputs::Get(int64_t id) const {
    static const Variant empty;
    for (const auto& v : values_) {
        if (v.first == id)
            return v.second;
    }
    return empty;
}

std::vector<std::pair<int, Variant>> SimulatedFptr10::Inputs::Tags() const {
    std::vector<std::pair<int, Variant>> tags;
    for (const auto& [id, value] : values_) {
        if (id > 0 && id < 65536)
            tags.emplace_back(static_cast<int>(id), value);
    }
    return tags;
}

void SimulatedFptr10::Inputs::Set(int64_t id, Variant value) {
    for (auto& v : values_) {
        if (v.first == id) {
            v.second = std::move(value);
            return;
        }
    }
    values_.emplace_back(id, std::move(value));
}

// --- the object -----------------------------------------------------------------------------

SimulatedFptr10::SimulatedFptr10(const DriverEnvironment& env)
    : SimulatedObject(kProgId, kFileStem, "ККМ АТОЛ, драйвер v10", env) {
    DefineConstants();
    DefineMethods();
    if (state_.Int("RECEIPT_TYPE", 0) != 0) {
        // A receipt the register still has open from an earlier connection; its lines are on
        // the tape already, only cancelling it makes sense.
        receipt_ = OpenReceipt{};
        receipt_->type = state_.Int("RECEIPT_TYPE", 0);
    }
}

int64_t SimulatedFptr10::C(std::string_view name) {
    const auto value = Constant(name);
    if (!value)
        throw Failure("нет константы " + std::string(name));
    return value->ToInt();
}

void SimulatedFptr10::DefineConstants() {
    for (const auto& [name, value] : Constants()) {
        const Variant v = value;
        DefineComputed(name, [v] { return v; });
    }
    DefineComputed("CharLineLength", [this] { return Variant(LineLength()); });
}

int SimulatedFptr10::Done() {
    errorCode_ = 0;
    errorText_ = "Ошибок нет";
    return 0;
}

int SimulatedFptr10::Fail(int code, std::string text) {
    errorCode_ = code;
    errorText_ = std::move(text);
    return -1;
}

Variant SimulatedFptr10::AnswerFault(std::string_view, const SimFault& fault) {
    Fail(fault.code,
         fault.description.empty() ? "Ошибка " + std::to_string(fault.code) : fault.description);
    return -1;
}

void SimulatedFptr10::Output(std::string_view param, Variant value) {
    out_[C(param)] = std::move(value);
}

void SimulatedFptr10::DefineOperation(std::string_view name, int flags, Body body) {
    DefineMethod(name, [this, flags, body](const std::vector<Variant>&) -> Variant {
        // Every operation takes the inputs set since the last one, and its outputs replace the
        // last ones.
        Inputs in = std::move(in_);
        in_ = Inputs{};
        out_.clear();
        if ((flags & kNeedsLink) && !opened_)
            return Fail(kNoLink, "Соединение с ККТ не установлено");
        if ((flags & kPrints) && faults_.paperOut)
            return Fail(kPaperOut, "Нет бумаги");
        try {
            return body(in);
        } catch (const Failure& f) {
            return Fail(kBadValue, f.what());
        }
    });
}

void SimulatedFptr10::DefineMethods() {
    const auto arg = [](const std::vector<Variant>& args, size_t i) {
        if (i >= args.size())
            throw Failure("Fptr10: не хватает аргументов вызова");
        return args[i];
    };

    DefineMethod("setParam", [this, arg](const std::vector<Variant>& args) {
        in_.Set(arg(args, 0).ToInt(), arg(args, 1));
        return Variant(0);
    });
    DefineMethod("resetParams", [this](const std::vector<Variant>&) {
        in_ = Inputs{};
        return Variant(0);
    });
    DefineMethod("setParamStrHex", [this, arg](const std::vector<Variant>& args) -> Variant {
        try {
            in_.Set(arg(args, 0).ToInt(), FromHex(arg(args, 1).ToText()));
        } catch (const Failure& f) {
            return Fail(kBadValue, f.what());
        }
        return Done();
    });
    const auto output = [this, arg](const std::vector<Variant>& args) -> Variant {
        const int64_t id = arg(args, 0).ToInt();
        // The state of the last document is always known, whatever ran last.
        if (id == C("LIBFPTR_PARAM_DOCUMENT_CLOSED"))
            return Variant(!receipt_ && !nonfiscal_);
        if (id == C("LIBFPTR_PARAM_DOCUMENT_PRINTED"))
            return Variant(!faults_.busy);
        const auto it = out_.find(id);
        return it == out_.end() ? Variant() : it->second;
    };
    DefineMethod("getParamInt", [output](const std::vector<Variant>& args) {
        return Variant(output(args).ToInt());
    });
    DefineMethod("getParamDouble", [output](const std::vector<Variant>& args) {
        return Variant(output(args).ToFloat());
    });
    DefineMethod("getParamBool", [output](const std::vector<Variant>& args) {
        return Variant(output(args).ToBool());
    });
    DefineMethod("getParamDateTime", [output](const std::vector<Variant>& args) {
        return Variant::DateTime(output(args).ToDateTime());
    });
    DefineMethod("getParamByteArray", [output](const std::vector<Variant>& args) {
        return Variant(output(args).ToBytes());
    });
    DefineMethod("getParamString", [output](const std::vector<Variant>& args) {
        const Variant v = output(args);
        if (v.GetType() == Variant::Type::Bytes)
            return Variant(ToHex(v.ToBytes()));
        return Variant(v.ToText());
    });
    DefineMethod("errorCode", [this](const std::vector<Variant>&) { return Variant(errorCode_); });
    DefineMethod("errorDescription",
                 [this](const std::vector<Variant>&) { return Variant(errorText_); });

    // The connection.
    DefineMethod("setSingleSetting", [this, arg](const std::vector<Variant>& args) {
        pendingSettings_.emplace_back(arg(args, 0).ToText(), arg(args, 1).ToText());
        return Variant(Done());
    });
    DefineMethod("applySingleSettings",
                 [this](const std::vector<Variant>&) { return Variant(ApplySettings()); });
    DefineMethod("open", [this](const std::vector<Variant>&) {
        opened_ = true;
        return Variant(Done());
    });
    DefineMethod("isOpened", [this](const std::vector<Variant>&) { return Variant(opened_); });
    DefineMethod("close", [this](const std::vector<Variant>&) {
        opened_ = false;
        return Variant(Done());
    });
    DefineMethod("showProperties", [this](const std::vector<Variant>&) {
        env_.log.LogMessage(
            "АТОЛ (симулятор): окна настроек у симулятора нет; порт ККМ задается файлом "
            "ATOLDEVICE<номер>.ini в папке программы");
        return Variant(Done());
    });

    DefineOperation("Beep", kNeedsLink, [this](const Inputs&) { return Done(); });
    DefineOperation("queryData", kNeedsLink, [this](const Inputs& in) { return QueryData(in); });
    DefineOperation("fnQueryData", kNeedsLink,
                    [this](const Inputs& in) { return FnQueryData(in); });
    DefineOperation("operatorLogin", kNeedsLink,
                    [this](const Inputs& in) { return OperatorLogin(in); });
    DefineOperation("openReceipt", kNeedsLink | kPrints,
                    [this](const Inputs& in) { return OpenReceiptOp(in); });
    DefineOperation("registration", kNeedsLink,
                    [this](const Inputs& in) { return Registration(in); });
    DefineOperation("payment", kNeedsLink, [this](const Inputs& in) { return Payment(in); });
    DefineOperation("closeReceipt", kNeedsLink | kPrints,
                    [this](const Inputs&) { return CloseReceipt(); });
    DefineOperation("cancelReceipt", kNeedsLink, [this](const Inputs&) { return CancelReceipt(); });
    DefineOperation("continuePrint", kNeedsLink, [this](const Inputs&) { return ContinuePrint(); });
    DefineOperation("utilFormTlv", 0, [this](const Inputs& in) { return UtilFormTlv(in); });
    DefineOperation("utilFormNomenclature", 0,
                    [this](const Inputs& in) { return UtilFormNomenclature(in); });
    DefineOperation("beginNonfiscalDocument", kNeedsLink | kPrints,
                    [this](const Inputs&) { return BeginNonfiscal(); });
    DefineOperation("endNonfiscalDocument", kNeedsLink,
                    [this](const Inputs&) { return EndNonfiscal(); });
    DefineOperation("printText", kNeedsLink | kPrints,
                    [this](const Inputs& in) { return PrintText(in); });
    DefineOperation("printBarcode", kNeedsLink | kPrints,
                    [this](const Inputs& in) { return PrintBarcode(in); });
    DefineOperation("printPicture", kNeedsLink | kPrints,
                    [this](const Inputs& in) { return PrintPicture(in); });
    DefineOperation("cut", kNeedsLink, [this](const Inputs&) { return Cut(); });
    DefineOperation("report", kNeedsLink | kPrints,
                    [this](const Inputs& in) { return Report(in); });
    DefineOperation("cashIncome", kNeedsLink | kPrints,
                    [this](const Inputs& in) { return Cash(in, true); });
    DefineOperation("cashOutcome", kNeedsLink | kPrints,
                    [this](const Inputs& in) { return Cash(in, false); });
    DefineOperation("openShift", kNeedsLink | kPrints,
                    [this](const Inputs&) { return OpenShift(); });
    DefineOperation("openDrawer", kNeedsLink, [this](const Inputs&) { return OpenDrawer(); });
}

// --- state ----------------------------------------------------------------------------------

int64_t SimulatedFptr10::ShiftState() {
    if (!ShiftOpen())
        return C("LIBFPTR_SS_CLOSED");
    if (Now() - state_.Float("SHIFT_OPENED_AT", Now()) >= 1.0)
        return C("LIBFPTR_SS_EXPIRED");
    return C("LIBFPTR_SS_OPENED");
}

void SimulatedFptr10::OpenShiftNow() {
    const int64_t shift = state_.Int("SHIFT_NUMBER", 0) + 1;
    state_.Set("SHIFT_NUMBER", shift);
    state_.Set("SHIFT_OPEN", 1);
    state_.SetFloat("SHIFT_OPENED_AT", Now());
    state_.Set("RECEIPT_NUMBER", 0);
    const int64_t number = NextDocument();
    Save();
    BeginPrinted("ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ");
    Print("СМЕНА № " + std::to_string(shift) + "  ФД № " + std::to_string(number) +
          (cashier_.empty() ? "" : "  КАССИР " + cashier_));
}

int64_t SimulatedFptr10::NextDocument() {
    const int64_t number = state_.Int("DOCUMENT_NUMBER", 0) + 1;
    state_.Set("DOCUMENT_NUMBER", number);
    if (state_.Int("UNSENT_COUNT", 0) == 0) {
        state_.Set("UNSENT_FIRST", number);
        state_.SetFloat("UNSENT_FIRST_AT", Now());
    }
    state_.Set("UNSENT_COUNT", state_.Int("UNSENT_COUNT", 0) + 1);
    return number;
}

void SimulatedFptr10::Save() {
    state_.Save();
}

int SimulatedFptr10::LineLength() const {
    return static_cast<int>(state_.Int("LINE_LENGTH", 48));
}

void SimulatedFptr10::BeginPrinted(const std::string& title) {
    freeText_ = false;
    tape_.BeginDocument(title + "  " + FormatDateTime(Now()));
}

void SimulatedFptr10::Print(const std::string& line) {
    tape_.Line(line);
}

}  // namespace orvenka
