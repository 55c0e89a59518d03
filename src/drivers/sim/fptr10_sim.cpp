#include "drivers/sim/fptr10_sim.h"

#include <cmath>
#include <cstdio>

#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "drivers/sim/fiscal_tlv.h"

namespace orvenka {
namespace {

// Error codes of this driver.
constexpr int kNoLink = 2;
constexpr int kBadValue = 3;
constexpr int kNotPermitted = 4;
constexpr int kPaperOut = 44;
constexpr int kShiftExpired = 68;
constexpr int kNotEnoughMoney = 79;
constexpr int kBusy = 98;

const TDateTime kFnValidUntil = 47848.0;  // 31.12.2030

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

}  // namespace

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

// --- connection -----------------------------------------------------------------------------

int SimulatedFptr10::ApplySettings() {
    const auto settings = std::move(pendingSettings_);
    pendingSettings_.clear();
    std::string port, comFile, baud, address, ipPort;
    for (const auto& [name, value] : settings) {
        if (SameNoCase(name, Constant("LIBFPTR_SETTING_MODEL")->ToText())) {
            if (value != std::to_string(C("LIBFPTR_MODEL_ATOL_AUTO")))
                return Fail(kBadValue, "Неизвестная модель ККТ " + value);
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_PORT")->ToText())) {
            port = value;
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_COM_FILE")->ToText())) {
            comFile = value;
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_BAUDRATE")->ToText())) {
            baud = value;
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_IPADDRESS")->ToText())) {
            address = value;
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_IPPORT")->ToText())) {
            ipPort = value;
        } else {
            return Fail(kBadValue, "Неизвестная настройка " + name);
        }
    }
    std::string described = "по умолчанию";
    if (port == std::to_string(C("LIBFPTR_PORT_COM"))) {
        if (IsBlank(comFile))
            return Fail(kBadValue, "Не указан COM-порт");
        bool known = false;
        for (const auto& [name, value] : Constants()) {
            known = known || (name.rfind("LIBFPTR_PORT_BR_", 0) == 0 && value.ToText() == baud);
        }
        if (!known)
            return Fail(kBadValue, "Неверная скорость обмена " + baud);
        described = "COM " + comFile + ", скорость " + baud;
    } else if (port == std::to_string(C("LIBFPTR_PORT_USB"))) {
        described = "USB";
    } else if (port == std::to_string(C("LIBFPTR_PORT_TCPIP"))) {
        const auto n = ParseInt(ipPort);
        if (IsBlank(address))
            return Fail(kBadValue, "Не указан IP-адрес ККТ");
        if (!n || *n < 1 || *n > 65535)
            return Fail(kBadValue, "Неверный TCP-порт ККТ " + ipPort);
        described = "TCP/IP " + address + ":" + ipPort;
    } else if (!port.empty()) {
        return Fail(kBadValue, "Неверный порт " + port);
    }
    state_.Set("SETTINGS", described);
    Save();
    return Done();
}

int SimulatedFptr10::QueryData(const Inputs& in) {
    const int64_t type = in.Int(C("LIBFPTR_PARAM_DATA_TYPE"));
    if (type == C("LIBFPTR_DT_STATUS")) {
        Output("LIBFPTR_PARAM_RECEIPT_TYPE", receipt_ ? receipt_->type : 0);
        Output("LIBFPTR_PARAM_SHIFT_STATE", ShiftState());
        Output("LIBFPTR_PARAM_SHIFT_NUMBER", state_.Int("SHIFT_NUMBER", 0));
        Output("LIBFPTR_PARAM_DOCUMENT_NUMBER", state_.Int("DOCUMENT_NUMBER", 0));
        Output("LIBFPTR_PARAM_DATE_TIME", Variant::DateTime(Now()));
    } else if (type == C("LIBFPTR_DT_RECEIPT_STATE")) {
        Output("LIBFPTR_PARAM_RECEIPT_TYPE", receipt_ ? receipt_->type : 0);
        Output("LIBFPTR_PARAM_RECEIPT_SUM",
               receipt_ ? static_cast<double>(receipt_->totalKopecks) / 100 : 0.0);
    } else if (type == C("LIBFPTR_DT_RECEIPT_LINE_LENGTH")) {
        Output("LIBFPTR_PARAM_RECEIPT_LINE_LENGTH", LineLength());
    } else if (type == C("LIBFPTR_DT_DATE_TIME")) {
        Output("LIBFPTR_PARAM_DATE_TIME", Variant::DateTime(Now()));
    } else {
        return Fail(kBadValue, "Неизвестный тип запроса " + std::to_string(type));
    }
    return Done();
}

int SimulatedFptr10::FnQueryData(const Inputs& in) {
    const int64_t type = in.Int(C("LIBFPTR_PARAM_FN_DATA_TYPE"));
    if (type == C("LIBFPTR_FNDT_LAST_RECEIPT")) {
        Output("LIBFPTR_PARAM_DOCUMENT_NUMBER", state_.Int("LAST_RECEIPT_DOCUMENT", 0));
        Output("LIBFPTR_PARAM_RECEIPT_SUM", state_.Float("LAST_RECEIPT_SUM", 0));
        Output("LIBFPTR_PARAM_FISCAL_SIGN", state_.Int("LAST_RECEIPT_SIGN", 0));
    } else if (type == C("LIBFPTR_FNDT_OFD_EXCHANGE_STATUS")) {
        Output("LIBFPTR_PARAM_DOCUMENTS_COUNT", state_.Int("UNSENT_COUNT", 0));
        Output("LIBFPTR_PARAM_DOCUMENT_NUMBER", state_.Int("UNSENT_FIRST", 0));
        Output("LIBFPTR_PARAM_DATE_TIME", Variant::DateTime(state_.Float("UNSENT_FIRST_AT", 0)));
    } else if (type == C("LIBFPTR_FNDT_VALIDITY")) {
        Output("LIBFPTR_PARAM_DATE_TIME", Variant::DateTime(kFnValidUntil));
        Output("LIBFPTR_PARAM_REGISTRATIONS_COUNT", state_.Int("REGISTRATIONS_COUNT", 1));
        Output("LIBFPTR_PARAM_REGISTRATIONS_REMAIN", state_.Int("REGISTRATIONS_REMAIN", 11));
    } else {
        return Fail(kBadValue, "Неизвестный тип запроса к ФН " + std::to_string(type));
    }
    return Done();
}

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
