// The simulated Shtrih-M register's documents: receipts, their tags, correction receipts, shift
// reports, cash in and out, copies.
#include <cmath>

#include "common/money.h"
#include "common/numbers.h"
#include "common/text.h"
#include "drivers/sim/shtrih_sim.h"
#include "drivers/sim/shtrih_sim_codes.h"

namespace orvenka {

using namespace shtrih_sim;

namespace {

const char* ReceiptTitle(int type) {
    switch (type) {
        case 1:
            return "КАССОВЫЙ ЧЕК РАСХОД";
        case 2:
            return "КАССОВЫЙ ЧЕК ВОЗВРАТ ПРИХОДА";
        case 3:
            return "КАССОВЫЙ ЧЕК ВОЗВРАТ РАСХОДА";
        default:
            return "КАССОВЫЙ ЧЕК ПРИХОД";
    }
}

// The CheckType of FNOperation that belongs to the CheckType of OpenCheck.
int OperationType(int openCheckType) {
    static const int types[] = {1, 3, 2, 4};
    return types[openCheckType];
}

const char* TaxName(int64_t tax) {
    switch (tax) {
        case 1:
            return "НДС 20%";
        case 2:
            return "НДС 10%";
        case 3:
            return "НДС 0%";
        case 4:
            return "БЕЗ НДС";
        case 5:
            return "НДС 20/120";
        case 6:
            return "НДС 10/110";
        default:
            return "";
    }
}

const char* TaxSystemName(int64_t code) {
    switch (code) {
        case 1:
            return "ОСН";
        case 2:
            return "УСН доход";
        case 4:
            return "УСН доход - расход";
        case 8:
            return "ЕНВД";
        case 16:
            return "ЕСХН";
        case 32:
            return "ПАТЕНТ";
        default:
            return nullptr;
    }
}

std::string Money(int64_t kopecks) {
    return FormatMoney(FromKopecks(kopecks));
}

// A line of the tape: caption on the left, value on the right, 48 characters in all.
std::string Pair(const std::string& caption, const std::string& value) {
    const long room = 48 - static_cast<long>(CharCount(value));
    return FitText(caption, room < 1 ? 1 : room, false) + value;
}

const char* const kShiftTotals[] = {"SUM_TYPE0",    "SUM_TYPE1",        "SUM_TYPE2",
                                    "SUM_TYPE3",    "SUM_CORRECTION",   "SUM_CASH_IN",
                                    "SUM_CASH_OUT", "RECEIPTS_IN_SHIFT"};

}  // namespace

void ShtrihSimulator::OpenShift() {
    const int64_t shift = state_.Int("SHIFT_NUMBER", 0) + 1;
    state_.Set("SHIFT_NUMBER", shift);
    state_.Set("SHIFT_OPEN", 1);
    state_.SetFloat("SHIFT_OPENED", Now());
    for (const char* key : kShiftTotals)
        state_.Set(key, 0);
    for (int d = 1; d <= 16; ++d)
        state_.Set("DEPT" + std::to_string(d), 0);
    const int number = NextDocument();
    PrintDocument("ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ",
                  {Pair("СМЕНА №", std::to_string(shift)), Pair("ФД №", std::to_string(number)),
                   Pair("ДАТА ВРЕМЯ", FormatDateTime(Now()))},
                  0);
    Save();
}

int ShtrihSimulator::OpenShiftIfClosed() {
    if (ShiftExpired())
        return Answer(kShiftOver24Hours);
    if (state_.Int("SHIFT_OPEN", 0) != 1)
        OpenShift();
    return kOk;
}

int ShtrihSimulator::NextDocument() {
    const int64_t number = state_.Int("DOC_NUMBER", 0) + 1;
    state_.Set("DOC_NUMBER", number);
    if (state_.Int("OFD_OFFLINE", 0) == 1) {
        const int64_t unsent = state_.Int("UNSENT_FD", 0);
        if (unsent == 0) {
            state_.Set("FIRST_UNSENT_FD", number);
            state_.SetFloat("FIRST_UNSENT_TIME", Now());
        }
        state_.Set("UNSENT_FD", unsent + 1);
    }
    return static_cast<int>(number);
}

void ShtrihSimulator::PrintDocument(const std::string& title, const std::vector<std::string>& lines,
                                    int64_t total, bool repeatable) {
    textBlock_ = false;
    tape_.BeginDocument(title);
    tape_.Lines(lines);
    if (!repeatable)
        return;
    state_.Set("LAST_DOC_TITLE", title);
    state_.Set("LAST_DOC_NUMBER", state_.Int("DOC_NUMBER", 0));
    state_.Set("LAST_DOC_TOTAL", Money(total));
}

void ShtrihSimulator::AfterPrinting() {
    // BUSY: this document never finishes printing.
    if (faults_.busy)
        stuck_ = true;
}

// --- receipts ------------------------------------------------------------------------------

int ShtrihSimulator::RegisterLine(int checkType, int64_t sum, int tax, const std::string& name) {
    Document& d = *doc_;
    d.subtotal += sum;
    d.taxBase[static_cast<size_t>(tax)] += sum;
    ++d.lines;
    d.lineTags = checkType != 0;
    const int department = static_cast<int>(Int("Department"));
    d.departments[department] += sum;
    d.tape.push_back(name);
    d.tape.push_back(Pair(
        std::to_string(department),
        FormatQty(Float("quantity")) + " X " + FormatMoney(Float("Price")) + " =" + Money(sum)));
    if (tax != 0)
        d.tape.push_back("  " + std::string(TaxName(tax)));
    return Answer(kOk);
}

void ShtrihSimulator::DefineReceiptMethods() {
    Method("OpenCheck", kNeedPassword | kNeedPrinter | kNeedNoDocument, [this] {
        const int64_t type = Int("CheckType");
        if (type < 0 || type > 3)
            return Answer(kBadParameter, "тип чека " + std::to_string(type));
        if (const int refused = OpenShiftIfClosed())
            return refused;
        doc_ = Document{};
        doc_->type = static_cast<int>(type);
        Save();
        return Answer(kOk);
    });

    // A goods line: FNOperation (with the operation type and the line's own sum when asked),
    // SaleEx for a sale or purchase, returnSale for their returns.
    const auto line = [this](std::string_view method) {
        if (doc_->correction)
            return Answer(kNotInThisMode, "открыт чек коррекции");
        const bool operation = method == "FNOperation";
        int checkType = 0;
        if (operation) {
            checkType = static_cast<int>(Int("CheckType"));
            if (checkType != OperationType(doc_->type))
                return Answer(kBadParameter, "тип операции " + std::to_string(checkType) +
                                                 " не подходит к открытому чеку");
        } else if ((method == "SaleEx") != (doc_->type == 0 || doc_->type == 1)) {
            return Answer(kNotInThisMode, std::string(method) + " в чеке этого типа");
        }
        const double quantity = Float("quantity");
        const double price = Float("Price");
        const int64_t tax = Int("Tax1");
        const int64_t department = Int("Department");
        if (!(quantity > 0))
            return Answer(kBadParameter, "количество " + FormatGeneral(quantity));
        if (!(price >= 0))
            return Answer(kBadParameter, "цена " + FormatGeneral(price));
        if (tax < 0 || tax > 6)
            return Answer(kBadParameter, "налог " + std::to_string(tax));
        if (department < 1 || department > 16)
            return Answer(kBadParameter, "отдел " + std::to_string(department));
        int64_t sum = 0;
        if (operation && Value("Summ1Enabled").ToBool()) {
            sum = ToKopecks(Float("Summ1"));
        } else {
            const auto product = ExactLineProduct(quantity, price);
            if (!product)
                return Answer(kBadParameter, "количество или цена вне диапазона");
            sum = ProductKopecks(*product);
        }
        if (operation)
            sum += ToKopecks(Float("ChargeValue")) - ToKopecks(Float("DiscountValue"));
        if (sum < 0)
            return Answer(kBadParameter, "отрицательная сумма позиции");
        return RegisterLine(checkType, sum, static_cast<int>(tax), Text("StringForPrinting"));
    };
    for (const char* method : {"FNOperation", "SaleEx", "returnSale"}) {
        Method(method, kNeedPassword | kNeedDocument, [line, method] { return line(method); });
    }

    Method("CheckSubTotal", kNeedPassword | kNeedDocument, [this] {
        const Document& d = *doc_;
        Value("Summ1") = FromKopecks(d.subtotal);
        // VAT inside the amounts, as the register reports it.
        const auto vat = [&](size_t group, int rate) {
            return FromKopecks(static_cast<int64_t>(
                std::llround(static_cast<double>(d.taxBase[group]) * rate / (100.0 + rate))));
        };
        Value("Tax1Value") = vat(1, 20);
        Value("Tax2Value") = vat(2, 10);
        Value("Tax3Value") = 0.0;
        Value("Tax4Value") = 0.0;
        Value("Tax5Value") = vat(5, 20);
        Value("Tax6Value") = vat(6, 10);
        return Answer(kOk);
    });
    Method("FNCloseCheckEx", kNeedPassword | kNeedPrinter | kNeedDocument, [this] {
        std::array<int64_t, 17> payments{};
        for (size_t i = 1; i <= 16; ++i)
            payments[i] = ToKopecks(Float("Summ" + std::to_string(i)));
        return CloseReceipt(payments, 16, 0);
    });
    Method("CloseCheck", kNeedPassword | kNeedPrinter | kNeedDocument, [this] {
        std::array<int64_t, 17> payments{};
        for (size_t i = 1; i <= 4; ++i)
            payments[i] = ToKopecks(Float("Summ" + std::to_string(i)));
        const double percent = Float("DiscountOnCheck");
        if (!(percent >= 0 && percent < 100))
            return Answer(kBadParameter, "скидка " + FormatGeneral(percent) + "%");
        const auto discount =
            static_cast<int64_t>(std::llround(static_cast<double>(doc_->subtotal) * percent / 100));
        return CloseReceipt(payments, 4, discount);
    });
    Method("FNSendCustomerEmail", kNeedPassword | kNeedDocument, [this] {
        const std::string address = TrimText(Text("CustomerEmail"));
        if (address.empty())
            return Answer(kBadParameter, "не указан адрес покупателя");
        doc_->tape.push_back("ПОКУПАТЕЛЬ: " + address);
        return Answer(kOk);
    });
    Method("FNSendItemCodeData", kNeedPassword | kNeedDocument, [this] {
        if (!doc_->lineTags)
            return Answer(kNotInThisMode, "нет позиции для кода маркировки");
        doc_->tape.push_back("    КМ: тип " + std::to_string(Int("MarkingType")) + ", GTIN " +
                             Text("GTIN") + ", серийный № " + Text("SerialNumber"));
        return Answer(kOk);
    });
}

int ShtrihSimulator::CloseReceipt(const std::array<int64_t, 17>& payments, int paymentCount,
                                  int64_t discount) {
    Document& d = *doc_;
    if (d.correction)
        return Answer(kNotInThisMode, "открыт чек коррекции");
    if (d.lines == 0)
        return Answer(kNoLines);
    const int64_t total = d.subtotal - discount;
    int64_t paid = 0;
    for (int i = 1; i <= paymentCount; ++i) {
        if (payments[static_cast<size_t>(i)] < 0)
            return Answer(kBadParameter, "отрицательная оплата Summ" + std::to_string(i));
        paid += payments[static_cast<size_t>(i)];
    }
    // The register knows only what it was sent: the sums are the caller's to quote.
    if (paid < total)
        return Answer(kShortPayment);
    if (paid - payments[1] > total)
        return Answer(kNonCashOverTotal);
    const int64_t change = paid - total;
    const int64_t cash = payments[1] - change;
    // A purchase and the return of a sale pay out of the drawer.
    const bool payingOut = d.type == 1 || d.type == 2;
    const int64_t drawer = state_.Int("CASH", 0);
    if (payingOut && cash > drawer)
        return Answer(kNoCash);
    int64_t taxSystem = Int("TaxType");
    if (taxSystem == 0)
        taxSystem = ReadInt(FieldValue(18, 1, 5), 1);
    if (!TaxSystemName(taxSystem))
        return Answer(kBadParameter, "система налогообложения " + std::to_string(taxSystem));

    state_.Set("CASH", payingOut ? drawer - cash : drawer + cash);
    const std::string typeKey = "SUM_TYPE" + std::to_string(d.type);
    state_.Set(typeKey, state_.Int(typeKey, 0) + total);
    const int64_t inShift = state_.Int("RECEIPTS_IN_SHIFT", 0) + 1;
    state_.Set("RECEIPTS_IN_SHIFT", inShift);
    for (const auto& [department, sum] : d.departments) {
        const std::string key = "DEPT" + std::to_string(department);
        state_.Set(key, state_.Int(key, 0) + sum);
    }
    const int number = NextDocument();

    std::vector<std::string> lines;
    if (ReadInt(FieldValue(17, 1, 7), 0) == 1) {
        lines.push_back("(электронный чек: на ленте не печатается, отправлен покупателю)");
    } else {
        lines = std::move(d.tape);
        if (discount != 0)
            lines.push_back(Pair("СКИДКА", "=" + Money(discount)));
        lines.push_back(Pair("ИТОГ", "=" + Money(total)));
        static const char* const kinds[] = {"", "НАЛИЧНЫМИ", "ЭЛЕКТРОННЫМИ", "ОПЛАТА 3",
                                            "ОПЛАТА 4"};
        for (int i = 1; i <= paymentCount; ++i) {
            const int64_t sum = payments[static_cast<size_t>(i)];
            if (sum == 0)
                continue;
            const std::string kind =
                i < 5 ? kinds[i] : "ОПЛАТА " + std::to_string(i);  // FNCloseCheckEx: 16 kinds
            lines.push_back(
                Pair(paymentCount == 4 && i == 4 ? "ЭЛЕКТРОННЫМИ" : kind, "=" + Money(sum)));
        }
        if (change != 0)
            lines.push_back(Pair("СДАЧА", "=" + Money(change)));
        for (size_t group = 1; group <= 6; ++group) {
            if (d.taxBase[group] != 0)
                lines.push_back(Pair(std::string("СУММА ") + TaxName(static_cast<int64_t>(group)),
                                     "=" + Money(d.taxBase[group])));
        }
        lines.push_back(Pair("СНО:", TaxSystemName(taxSystem)));
        lines.push_back(Pair("СМЕНА №", std::to_string(state_.Int("SHIFT_NUMBER", 0))));
        lines.push_back(Pair("ЧЕК №", std::to_string(inShift)));
        lines.push_back(Pair("ДАТА ВРЕМЯ", FormatDateTime(Now())));
    }
    lines.push_back(Pair("ФД №", std::to_string(number)));
    lines.push_back("ФП: нет, документ симулятора");
    const std::string title = ReceiptTitle(d.type);
    doc_.reset();
    PrintDocument(title, lines, total);
    Save();
    AfterPrinting();
    return Answer(kOk);
}

// --- tags ----------------------------------------------------------------------------------

std::optional<std::string> ShtrihSimulator::TagValueText() {
    switch (Int("TagType")) {
        case 0:
            return std::to_string(Int("TagValueInt"));
        case 6:
            return FormatDate(Value("TagValueDateTime").ToDateTime());
        case 7: {
            const std::string text = Text("TagValueStr");
            if (text.empty() || CharCount(text) > 256)
                return std::nullopt;
            return text;
        }
        default:
            return std::nullopt;
    }
}

void ShtrihSimulator::DefineTagMethods() {
    const auto send = [this](bool forLine) {
        if (forLine && (doc_->correction || !doc_->lineTags))
            return Answer(kNotInThisMode, "нет позиции для тега");
        const int64_t tag = Int("TagNumber");
        const auto value = TagValueText();
        if (tag <= 0 || !value)
            return Answer(kBadParameter,
                          "тег " + std::to_string(tag) + ", тип " + std::to_string(Int("TagType")));
        doc_->tape.push_back((forLine ? "    тег " : "  тег ") + std::to_string(tag) + ": " +
                             *value);
        return Answer(kOk);
    };
    Method("FNSendTag", kNeedPassword | kNeedDocument, [send] { return send(false); });
    Method("FNSendTagOperation", kNeedPassword | kNeedDocument, [send] { return send(true); });

    Method("FNBeginSTLVTag", kNeedPassword | kNeedDocument, [this] {
        const int64_t tag = Int("TagNumber");
        if (tag <= 0)
            return Answer(kBadParameter, "тег " + std::to_string(tag));
        const int id = ++nextStructure_;
        structures_[id] = Structure{static_cast<int>(tag), {}, {}};
        Value("TagID") = id;
        return Answer(kOk);
    });
    Method("FNAddTag", kNeedPassword | kNeedDocument, [this] {
        const auto it = structures_.find(static_cast<int>(Int("TagID")));
        const int64_t tag = Int("TagNumber");
        const auto value = TagValueText();
        if (it == structures_.end() || tag <= 0 || !value)
            return Answer(kBadParameter, "составной тег " + std::to_string(Int("TagID")));
        // The register takes a supplier's telephone only in the international form.
        if (tag == 1171) {
            const std::string& phone = *value;
            bool valid = phone.size() == 12 && phone.rfind("+7", 0) == 0;
            for (size_t i = 1; valid && i < phone.size(); ++i)
                valid = phone[i] >= '0' && phone[i] <= '9';
            if (!valid)
                it->second.fault = "тег 1171 \"" + phone + "\" не в формате +7ХХХХХХХХХХ";
        }
        it->second.items.push_back("      тег " + std::to_string(tag) + ": " + *value);
        return Answer(kOk);
    });
    Method("FNSendSTLVTagOperation", kNeedPassword | kNeedDocument, [this] {
        const auto it = structures_.find(static_cast<int>(Int("TagID")));
        if (it == structures_.end())
            return Answer(kBadParameter, "составной тег " + std::to_string(Int("TagID")));
        if (doc_->correction || !doc_->lineTags) {
            structures_.erase(it);
            return Answer(kNotInThisMode, "нет позиции для тега");
        }
        const Structure s = it->second;
        structures_.erase(it);
        if (!s.fault.empty())
            return Answer(kBadParameter, s.fault);
        doc_->tape.push_back("    тег " + std::to_string(s.tag) + ":");
        doc_->tape.insert(doc_->tape.end(), s.items.begin(), s.items.end());
        return Answer(kOk);
    });

    Method("FNBeginCorrectionReceipt", kNeedPassword | kNeedPrinter | kNeedNoDocument, [this] {
        if (const int refused = OpenShiftIfClosed())
            return refused;
        doc_ = Document{};
        doc_->correction = true;
        Save();
        return Answer(kOk);
    });
    Method("FNBuildCorrectionReceipt2", kNeedPassword | kNeedPrinter, [this] {
        if (!doc_ || !doc_->correction)
            return Answer(kNotInThisMode, "чек коррекции не начат");
        const int64_t kind = Int("CorrectionType");
        const int64_t sign = Int("CalculationSign");
        if (kind < 0 || kind > 1 || sign < 1 || sign > 4)
            return Answer(kBadParameter, "тип коррекции " + std::to_string(kind) +
                                             ", признак расчета " + std::to_string(sign));
        std::array<int64_t, 13> summ{};
        for (size_t i = 1; i <= 12; ++i) {
            summ[i] = ToKopecks(Float("Summ" + std::to_string(i)));
            if (summ[i] < 0)
                return Answer(kBadParameter, "отрицательная сумма Summ" + std::to_string(i));
        }
        if (summ[1] != summ[2] + summ[3] + summ[4] + summ[5] + summ[6])
            return Answer(kBadParameter, "сумма расчета Summ1 не равна сумме оплат Summ2-Summ6");
        int64_t taxSystem = Int("TaxType");
        if (taxSystem == 0)
            taxSystem = ReadInt(FieldValue(18, 1, 5), 1);
        if (!TaxSystemName(taxSystem))
            return Answer(kBadParameter, "система налогообложения " + std::to_string(taxSystem));

        state_.Set("SUM_CORRECTION", state_.Int("SUM_CORRECTION", 0) + summ[1]);
        const int number = NextDocument();
        Value("DocumentNumber") = number;
        static const char* const signs[] = {"", "ПРИХОД", "ВОЗВРАТ ПРИХОДА", "РАСХОД",
                                            "ВОЗВРАТ РАСХОДА"};
        std::vector<std::string> lines = std::move(doc_->tape);
        lines.push_back(kind == 0 ? "КОРРЕКЦИЯ САМОСТОЯТЕЛЬНО" : "КОРРЕКЦИЯ ПО ПРЕДПИСАНИЮ");
        lines.push_back(Pair("ИТОГ", "=" + Money(summ[1])));
        static const char* const captions[] = {"",
                                               "",
                                               "НАЛИЧНЫМИ",
                                               "ЭЛЕКТРОННЫМИ",
                                               "ПРЕДВАРИТЕЛЬНАЯ ОПЛАТА",
                                               "ПОСЛЕДУЮЩАЯ ОПЛАТА",
                                               "ВСТРЕЧНОЕ ПРЕДОСТАВЛЕНИЕ",
                                               "СУММА НДС 20%",
                                               "СУММА НДС 10%",
                                               "СУММА НДС 0%",
                                               "СУММА БЕЗ НДС",
                                               "СУММА НДС 20/120",
                                               "СУММА НДС 10/110"};
        for (size_t i = 2; i <= 12; ++i) {
            if (summ[i] != 0)
                lines.push_back(Pair(captions[i], "=" + Money(summ[i])));
        }
        lines.push_back(Pair("СНО:", TaxSystemName(taxSystem)));
        lines.push_back(Pair("ФД №", std::to_string(number)));
        lines.push_back("ФП: нет, документ симулятора");
        doc_.reset();
        PrintDocument(std::string("КАССОВЫЙ ЧЕК КОРРЕКЦИИ ") + signs[sign], lines, summ[1]);
        Save();
        AfterPrinting();
        return Answer(kOk);
    });
}

// --- reports, cash, copies -----------------------------------------------------------------

std::vector<std::string> ShtrihSimulator::ShiftLines() const {
    const auto sum = [this](const char* key) { return "=" + Money(state_.Int(key, 0)); };
    return {Pair("СМЕНА №", std::to_string(state_.Int("SHIFT_NUMBER", 0))),
            Pair("ЧЕКОВ ЗА СМЕНУ:", std::to_string(state_.Int("RECEIPTS_IN_SHIFT", 0))),
            Pair("ПРИХОД:", sum("SUM_TYPE0")),
            Pair("РАСХОД:", sum("SUM_TYPE1")),
            Pair("ВОЗВРАТ ПРИХОДА:", sum("SUM_TYPE2")),
            Pair("ВОЗВРАТ РАСХОДА:", sum("SUM_TYPE3")),
            Pair("ЧЕКИ КОРРЕКЦИИ:", sum("SUM_CORRECTION")),
            Pair("ВНЕСЕНИЯ:", sum("SUM_CASH_IN")),
            Pair("ВЫПЛАТЫ:", sum("SUM_CASH_OUT")),
            Pair("НАЛИЧНЫХ В КАССЕ:", sum("CASH")),
            Pair("НЕПЕРЕДАННЫХ ФД:", std::to_string(state_.Int("UNSENT_FD", 0))),
            Pair("ДАТА ВРЕМЯ", FormatDateTime(Now()))};
}

void ShtrihSimulator::DefineReportMethods() {
    Method("PrintReportWithCleaning", kNeedAdministrator | kNeedPrinter | kNeedNoDocument, [this] {
        if (state_.Int("SHIFT_OPEN", 0) != 1)
            return Answer(kShiftClosed);
        std::vector<std::string> lines = ShiftLines();
        const int number = NextDocument();
        lines.push_back(Pair("ФД №", std::to_string(number)));
        lines.push_back("**** СМЕНА ЗАКРЫТА ****");
        state_.Set("SHIFT_OPEN", 0);
        PrintDocument("ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ", lines, 0);
        Save();
        AfterPrinting();
        return Answer(kOk);
    });
    Method("PrintReportWithoutCleaning", kNeedPassword | kNeedPrinter | kNeedNoDocument, [this] {
        tape_.BeginDocument("СУТОЧНЫЙ ОТЧЕТ БЕЗ ГАШЕНИЯ");
        tape_.Lines(ShiftLines());
        textBlock_ = false;
        AfterPrinting();
        return Answer(kOk);
    });
    Method("PrintDepartmentReport", kNeedPassword | kNeedPrinter | kNeedNoDocument, [this] {
        std::vector<std::string> lines;
        for (int d = 1; d <= 16; ++d) {
            const int64_t sum = state_.Int("DEPT" + std::to_string(d), 0);
            if (sum != 0)
                lines.push_back(Pair("ОТДЕЛ " + std::to_string(d), "=" + Money(sum)));
        }
        if (lines.empty())
            lines.push_back("ПРОДАЖ ПО ОТДЕЛАМ НЕТ");
        tape_.BeginDocument("ОТЧЕТ ПО ОТДЕЛАМ");
        tape_.Lines(lines);
        textBlock_ = false;
        AfterPrinting();
        return Answer(kOk);
    });
    for (const bool income : {true, false}) {
        Method(income ? "CashIncome" : "CashOutcome",
               kNeedPassword | kNeedPrinter | kNeedNoDocument, [this, income] {
                   const int64_t sum = ToKopecks(Float("Summ1"));
                   if (sum <= 0)
                       return Answer(kBadParameter, "сумма " + Money(sum));
                   if (const int refused = OpenShiftIfClosed())
                       return refused;
                   const int64_t drawer = state_.Int("CASH", 0);
                   if (!income && sum > drawer)
                       return Answer(kNoCash);
                   state_.Set("CASH", income ? drawer + sum : drawer - sum);
                   const char* key = income ? "SUM_CASH_IN" : "SUM_CASH_OUT";
                   state_.Set(key, state_.Int(key, 0) + sum);
                   const int number = NextDocument();
                   PrintDocument(income ? "ВНЕСЕНИЕ" : "ВЫПЛАТА",
                                 {Pair("СУММА", "=" + Money(sum)),
                                  Pair("НАЛИЧНЫХ В КАССЕ:", "=" + Money(state_.Int("CASH", 0))),
                                  Pair("ФД №", std::to_string(number))},
                                 sum);
                   Save();
                   AfterPrinting();
                   return Answer(kOk);
               });
    }
    Method("OpenSession", kNeedPassword | kNeedPrinter | kNeedNoDocument, [this] {
        if (state_.Int("SHIFT_OPEN", 0) == 1)
            return Answer(kShiftOpened);
        OpenShift();
        AfterPrinting();
        return Answer(kOk);
    });
    Method("RepeatDocument", kNeedPassword | kNeedPrinter | kNeedNoDocument, [this] {
        const int64_t number = state_.Int("LAST_DOC_NUMBER", 0);
        if (number == 0)
            return Answer(kNoDocumentToRepeat);
        tape_.BeginDocument("КОПИЯ: " + state_.Text("LAST_DOC_TITLE"));
        tape_.Lines({Pair("ИТОГ", "=" + state_.Text("LAST_DOC_TOTAL")),
                     Pair("ФД №", std::to_string(number))});
        textBlock_ = false;
        AfterPrinting();
        return Answer(kOk);
    });
    Method("FNPrintDocument", kNeedPassword | kNeedPrinter | kNeedNoDocument, [this] {
        const int64_t number = Int("DocumentNumber");
        if (number < 1 || number > state_.Int("DOC_NUMBER", 0))
            return Answer(kNoData, "нет документа № " + std::to_string(number));
        tape_.BeginDocument("КОПИЯ ДОКУМЕНТА ИЗ ФН");
        std::vector<std::string> lines{Pair("ФД №", std::to_string(number))};
        if (number == state_.Int("LAST_DOC_NUMBER", 0)) {
            lines.insert(lines.begin(), state_.Text("LAST_DOC_TITLE"));
            lines.push_back(Pair("ИТОГ", "=" + state_.Text("LAST_DOC_TOTAL")));
        } else {
            lines.push_back("(содержимое документа симулятор не хранит)");
        }
        tape_.Lines(lines);
        textBlock_ = false;
        AfterPrinting();
        return Answer(kOk);
    });
}

}  // namespace orvenka
