#include "backends/emul/emul_receipt.h"

#include <algorithm>
#include <exception>

#include "backends/emul/emul_output.h"
#include "backends/shared/emul_counters.h"
#include "backends/shared/payment.h"
#include "common/failure.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/rounding.h"
#include "shell/app_context.h"

namespace orvenka {
namespace {

// Builds a line of fitted columns, never longer than the paper. Line cuts everything beyond it
// anyway, so stopping there gives the same line while absurd column widths cost nothing.
class Columns {
  public:
    explicit Columns(long paper) : room_(paper) {}

    // The text as it is.
    Columns& Text(std::string_view text) {
        Put(text, static_cast<long>(CharCount(text)));
        return *this;
    }
    // What FitText(text, width, right) gives, up to the paper edge.
    Columns& Fit(std::string_view text, long width, bool right) {
        if (width <= 0)
            return *this;
        const long len = static_cast<long>(CharCount(text));
        if (len >= width) {
            Put(text, width);
        } else if (right) {
            Blanks(width - len);
            Put(text, len);
        } else {
            Put(text, len);
            Blanks(width - len);
        }
        return *this;
    }
    Columns& Repeat(char c, long count) {
        const long n = std::min(count, room_);
        if (n > 0) {
            out_.append(static_cast<size_t>(n), c);
            room_ -= n;
        }
        return *this;
    }
    const std::string& Str() const { return out_; }

  private:
    void Put(std::string_view text, long chars) {
        const long n = std::min(chars, room_);
        if (n <= 0)
            return;
        out_ += n == static_cast<long>(CharCount(text)) ? std::string(text) : LeftChars(text, n);
        room_ -= n;
    }
    void Blanks(long count) { Repeat(' ', count); }

    std::string out_;
    long room_;
};

// "=" and the amount. Appended rather than "=" + text, which g++ 12 at -O3 misreads as an
// overlapping copy (-Wrestrict).
std::string Equals(double amount) {
    std::string text = "=";
    text += FormatMoney(amount);
    return text;
}

long Paper(const TParam& p) {
    return std::min<long>(p.PRN_WIDHT, kEmulMaxWidth);
}

}  // namespace

void GoodsLine(EmulDocument& doc, VatTotals& vat, int section, int nds, const std::string& name,
               double price, double quantity) {
    const double sum = quantity * price;
    doc.Line(name);
    doc.LabelValue(std::to_string(section == 0 ? 1 : section),
                   FormatQty(quantity) + " * " + FormatMoney(price) + " =" + FormatMoney(sum));
    if (nds == 18) {
        // Code 18 stands for the basic rate, which is 20 %.
        const double v = sum - sum / 1.2;
        vat.vat18 += v;
        doc.LabelValue("НДС 20%", FormatMoney(v));
    } else if (nds == 10) {
        const double v = sum - sum / 1.1;
        vat.vat10 += v;
        doc.LabelValue("НДС 10%", FormatMoney(v));
    } else if (nds == 0) {
        doc.Line("Без НДС");
    }
}

EmulReceipt::EmulReceipt(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign,
                         DeviceKind kind)
    : ctx_(ctx), doc_(doc), fiscalSign_(fiscalSign), kind_(kind) {}

void EmulReceipt::EmulBeginReceipt() {
    if (begun_)
        return;
    // Counters first: a receipt whose counters cannot be read never begins.
    LoadCounters(ctx_, kind_);
    begun_ = true;
    extras_.clear();
    goods_.clear();
    doc_.Clear();
}

void EmulReceipt::EmulAddExtraLine(const std::string& caption, const std::string& value,
                                   bool emphasis) {
    if (begun_)
        extras_.push_back(TDop{caption, value, emphasis});
}

void EmulReceipt::EmulAddGoodsLine(const std::string& name, const std::string& comment, int nds,
                                   double sum, double price, double quantity) {
    if (!begun_)
        return;
    TSale s;
    s.Name = name;
    s.Kolvo = quantity;
    s.Cena = price;
    s.Comment = comment;
    s.NDS = nds;
    s.Summa = sum;
    goods_.push_back(std::move(s));
}

void EmulReceipt::End() {
    begun_ = false;
    extras_ = {};
    goods_ = {};
}

bool EmulReceipt::EmulPrintReceipt(const std::string& command) {
    if (!begun_)
        return false;
    try {
        Layout(command);
    } catch (const std::exception& e) {
        End();
        ctx_.LogError("EMUL:" + std::string(e.what()));
        return false;
    }
    End();
    return true;
}

void EmulReceipt::Layout(const std::string& cmd) {
    const TParam& p = ctx_.param;
    CheckEmulParams(p);
    doc_.BeginDocument();

    for (const auto* head : {&p.CHECKSHAPKA1, &p.CHECKSHAPKA2, &p.CHECKSHAPKA3, &p.CHECKSHAPKA4}) {
        if (!IsBlank(*head))
            doc_.Line(*head);
    }
    if (!IsBlank(p.NumCheck))
        doc_.Line("ЧЕК № " + p.NumCheck);
    if (!IsBlank(p.AuthorName) && !IsBlank(p.AuthorCaption)) {
        doc_.Line(p.AuthorName + ":" + TrimText(p.AuthorCaption));
    }
    const bool isReturn = SameTrimmed(cmd, "RETURN");
    if (isReturn) {
        doc_.Line("ВОЗВРАТ");
    } else if (SameTrimmed(cmd, "PRINT")) {
        doc_.Line("ПРИХОД");
    }
    for (const auto& d : extras_)
        doc_.Line(d.Caption + " " + TrimText(d.Value), d.Emphasis);

    // A negative column width means no column of its own, like 0.
    const long nameW = std::max(0, p.Name);
    const long cenaW = std::max(0, p.Cena);
    const long summaW = std::max(0, p.Summa);
    const long kolvoW = std::max(0, p.Kolvo);
    const long tableW = nameW + cenaW + summaW + kolvoW;
    const long paper = Paper(p);
    if (p.HandMade) {
        doc_.Line(Columns(paper).Repeat('-', tableW).Str());
        Columns head(paper);
        head.Fit("Наименование", nameW, false);
        if (kolvoW != 0)
            head.Fit("Кол-во", kolvoW, true);
        if (cenaW != 0)
            head.Fit("Цена", cenaW, true);
        if (summaW != 0)
            head.Fit("Сумма", summaW, true);
        doc_.Line(head.Str());
        doc_.Line(Columns(paper).Repeat('-', tableW).Str());
    }
    doc_.SetDocumentFont("Orvenka");

    VatTotals vat;
    double total = 0;
    for (const auto& g : goods_) {
        std::string name = g.Name;
        double quantity = g.Kolvo;
        double price = g.Cena;
        double sum = g.Summa;
        if (p.CENA_AS_SUMMA) {
            // The price column holds the line sum: it is printed and totalled as given, with the
            // unit price a register would take (or as one unit of the whole sum).
            const LinePrice split = SplitLineSum(g.Kolvo, g.Cena, name);
            quantity = split.quantity;
            price = split.price;
            sum = g.Cena;
        }
        if (p.HandMade) {
            Columns row(paper);
            if (nameW != 0) {
                row.Fit(name, nameW, false);
            } else {
                row.Text(name);
            }
            // The quantity column is left-aligned with two decimals in this layout.
            if (kolvoW != 0)
                row.Fit(FormatMoney(quantity), kolvoW, false);
            if (cenaW != 0)
                row.Fit(FormatMoney(price), cenaW, true);
            if (summaW != 0)
                row.Fit(FormatMoney(sum), summaW, true);
            doc_.Line(row.Str());
        } else {
            const std::string nameText =
                nameW != 0 ? Columns(paper).Fit(name, nameW, false).Str() : name;
            GoodsLine(doc_, vat, p.Section, g.NDS, nameText, price, quantity);
            if (nameW != 0 && static_cast<long>(CharCount(name)) > nameW) {
                doc_.Wrapped("Расшифровка:" + name, nameW);
                doc_.Line("----");
            }
        }
        total += p.CENA_AS_SUMMA ? sum : g.Kolvo * g.Cena;
    }

    if (p.SUMMADOC != 0) {
        double diff = p.SUMMADOC - total;
        // Only a difference a kopeck wide counts: a floating-point residue of an exact match
        // must not fail the receipt with two equal sums in the message.
        if (RoundViaMask(diff, 2) < 0) {
            throw Failure("Погрешность отрицательная!Контрольная сумма(Сумма документа)=" +
                          FormatMoney(p.SUMMADOC) +
                          " Расчетная сумма в списке товаров=" + FormatMoney(total));
        }
        if (diff < 0)
            diff = 0;
        total += diff;
        GoodsLine(doc_, vat, p.Section, 0, "Погрешность", diff, 1);
    }

    const double receiptTotal = total;
    auto [cash, electronic] = PaymentOf(p, receiptTotal);

    if (p.HandMade) {
        const std::string word = isReturn ? "Возврат" : "Продажа";
        if (p.isNotFiscal)
            cash = electronic = 0;
        GoodsLine(doc_, vat, p.Section, 0, word, cash + electronic, 1);
        doc_.Line(Columns(paper).Repeat('=', tableW).Str());
        doc_.Line(
            Columns(paper).Fit(" Сумма по чеку: " + FormatMoney(receiptTotal), tableW, true).Str());
        const std::string paid = IsBlank(p.Oplata) ? "Наличные: " : "Безналичные: ";
        doc_.Line(Columns(paper).Fit(paid + FormatMoney(receiptTotal), tableW, true).Str());
    }

    doc_.TotalLine(Equals(receiptTotal));
    doc_.Line("ОПЛАТА");
    if (cash != 0)
        doc_.LabelValue("НАЛИЧНЫМИ", Equals(cash));
    if (electronic != 0)
        doc_.LabelValue("ЭЛЕКТРОННЫМИ", Equals(electronic));
    doc_.LabelValue("СНО:", TaxSystemName(p.SNO));
    if (vat.vat18 != 0)
        doc_.LabelValue("НДС20%", FormatMoney(vat.vat18));
    if (vat.vat10 != 0)
        doc_.LabelValue("НДС10%", FormatMoney(vat.vat10));
    if (!IsBlank(p.EmailOrTel)) {
        const bool email = p.EmailOrTel.find('@') != std::string::npos;
        doc_.LabelValue(email ? "Эл.адр.покупателя:" : "Телефон покупателя:", p.EmailOrTel);
    }
    doc_.LabelValue("ДАТА ВРЕМЯ", FormatDateTime(ctx_.clock.Now()));
    // The counters as loaded at begin: this receipt is counted below.
    const TEmulVar& c = ctx_.emul;
    doc_.LabelValue("СМЕНА №", PadZeros(4, std::to_string(c.SMENA)));
    doc_.LabelValue("ЧЕК НОМЕР:", PadZeros(5, std::to_string(c.NUM_CHECKINSMENA)));
    doc_.LabelValue("ИНН:", p.INN);
    doc_.LabelValue("ПОЛЬЗОВАТЕЛЬ:", p.USER);
    doc_.Wrapped("АДРЕС:" + p.ADDRES, p.PRN_WIDHT);
    doc_.Line("");
    doc_.LabelValue("^ЗН №", p.ZN + "^");
    doc_.LabelValue("ККТ №", p.REGNUMKKT);
    doc_.LabelValue("ФН №", p.REGNUMFN);
    doc_.LabelValue("ФД №", PadZeros(10, std::to_string(c.NUM_FISCAL_DOC)));
    doc_.LabelValue("ФПД", std::to_string(fiscalSign_.Next()));
    doc_.Line("");
    doc_.Wrapped("САЙТ ДЛЯ ПРОВЕРКИ ФПД:" + p.WEBADDRES, p.PRN_WIDHT);
    if (p.PRN_SIZEFONT_QR != 0) {
        // The mark stands where a QR code is meant to go.
        const long blanks = std::clamp<long>(p.PRN_SPACE_LEFT_QR, 0, kEmulMaxWidth);
        doc_.RawLine(std::string(static_cast<size_t>(blanks), ' ') + "`", p.PRN_SIZEFONT_QR);
    }

    // A receipt the counters could not hold is refused before it is counted.
    CheckReceiptCountable(ctx_.emul, cmd, receiptTotal, electronic, cash);
    TEmulVar counted = ctx_.emul;
    RecordEmulatedReceipt(counted, cmd, receiptTotal, electronic, cash);
    // Counted once it is on paper (or the operator closed its preview): a refused print leaves
    // the counters, so the receipt sent again gets the same numbers. A counters file that
    // cannot be written refuses the receipt before it is printed (saved here as it stands).
    SaveCounters(ctx_, kind_);
    ShowOrPrint(ctx_, doc_.Document());
    ctx_.emul = counted;
    SaveCounters(ctx_, kind_);
}

}  // namespace orvenka
