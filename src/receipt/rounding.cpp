#include "receipt/rounding.h"

#include <algorithm>
#include <cmath>

#include "common/failure.h"
#include "common/money.h"
#include "common/numbers.h"

namespace orvenka {

namespace {

// Equal within `relative` times the smaller magnitude; identical values are always equal.
bool SameValue(double a, double b, double relative) {
    return a == b || std::fabs(a - b) < relative * std::min(std::fabs(a), std::fabs(b));
}

bool NonZero(double x) {
    return std::fabs(x) >= 1e-12;
}

struct Figures {
    double Kolvo = 0;
    double Cena = 0;
};

std::string SummaDocText(double summaDoc) {
    return "Ошибка при расчете погрешности! Параметр SummaDoc наверное слишком большой для "
           "расчета! SummaDoc=" +
           FormatGeneral(summaDoc);
}

// Overflow (an absurd SUMMADOC against a tiny total) would otherwise reach the register as
// inf or NaN.
void RequireFinite(double summaDoc, double running, const std::vector<Figures>& lines) {
    bool finite = std::isfinite(running);
    for (const auto& l : lines)
        finite = finite && std::isfinite(l.Kolvo) && std::isfinite(l.Cena);
    if (!finite)
        throw Failure(SummaDocText(summaDoc) + " результат расчета вне допустимого диапазона");
}

// Returns false when the lines already match SUMMADOC and stay as they are.
bool AdjustFigures(double summaDoc, std::vector<Figures>& lines, Logger& log) {
    double total = 0;
    for (const auto& l : lines)
        total += l.Kolvo * l.Cena;
    total = RoundHalfUp(total, 2);
    if (SameValue(summaDoc, total, 1e-12))
        return false;
    if (total == 0)
        throw Failure("Ошибка при расчете погрешности: сумма товаров равна 0, а SummaDoc=" +
                      FormatGeneral(summaDoc));

    double ratio = summaDoc / total;
    double running = 0;
    for (auto& l : lines) {
        const double lineSum = l.Kolvo * l.Cena;
        l.Kolvo = l.Kolvo * ratio;
        l.Cena = 0;
        if (NonZero(l.Kolvo))
            l.Cena = lineSum / l.Kolvo;
        running += l.Kolvo * l.Cena;
    }
    RequireFinite(summaDoc, running, lines);

    for (int pass = 0; pass < 3; ++pass) {
        ratio = NonZero(running) ? summaDoc / running : 0;
        running = 0;
        for (auto& l : lines) {
            const double lineSum = l.Kolvo * l.Cena;
            l.Kolvo = RoundHalfUp(l.Kolvo * ratio, 3);
            l.Cena = 0;
            if (NonZero(l.Kolvo))
                l.Cena = RoundHalfUp(lineSum / l.Kolvo, 2);
            running += l.Kolvo * l.Cena;
        }
        RequireFinite(summaDoc, running, lines);
        for (const auto& l : lines) {
            if (l.Kolvo == 0 || l.Cena == 0)
                log.LogError(SummaDocText(summaDoc) + " цена или количество по строке чека = 0");
        }
    }
    return true;
}

// Works on a copy of the figures, so a failure leaves the caller's lines untouched.
template <class Line>
void AdjustLines(const TParam& param, std::vector<Line>& lines, Logger& log) {
    if (param.SUMMADOC == 0)
        return;
    std::vector<Figures> figures;
    figures.reserve(lines.size());
    for (const auto& line : lines)
        figures.push_back({line.Kolvo, line.Cena});
    if (!AdjustFigures(param.SUMMADOC, figures, log))
        return;
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i].Kolvo = figures[i].Kolvo;
        lines[i].Cena = figures[i].Cena;
    }
}

}  // namespace

namespace {

// 10^|decimals|: exact in long double (and in double) for every count of decimals we use, so a
// double times it is exact too. Dividing by an inexact 10^-decimals instead would take exact
// halves such as 0.625 down to 0.62.
long double DecimalScale(int decimals) {
    return std::pow(10.0L, static_cast<long double>(std::abs(decimals)));
}

double Unscale(long double n, int decimals, long double scale) {
    return decimals >= 0 ? static_cast<double>(n) / static_cast<double>(scale)
                         : static_cast<double>(n * scale);
}

}  // namespace

double RoundHalfUp(double x, int decimals) {
    const long double scale = DecimalScale(decimals);
    const long double magnitude = std::fabs(static_cast<long double>(x));
    const long double scaled = decimals >= 0 ? magnitude * scale : magnitude / scale;
    // The magnitude is rounded and the sign put back: truncating x + 0.5 itself would take
    // -2.4 to -1.
    const double result = Unscale(std::trunc(scaled + 0.5L), decimals, scale);
    return (x < 0 ? -result : result) + 0.0;  // + 0.0: no negative zero
}

double TruncDecimals(double x, int n) {
    const long double scale = DecimalScale(n);
    const long double value = static_cast<long double>(x);
    return Unscale(std::trunc(n >= 0 ? value * scale : value / scale), n, scale) + 0.0;
}

double Price2(double x) {
    // RoundHalfUp(TruncDecimals(x, 3), 2) on whole thousandths: the cut value as a double
    // (2.005 is 2.00499999…) would round down.
    const long double thousandths = std::trunc(std::fabs(static_cast<long double>(x)) * 1000);
    const double price = static_cast<double>(std::trunc((thousandths + 5) / 10)) / 100;
    return (x < 0 ? -price : price) + 0.0;
}

namespace {

// quantity × price exactly, in thousandths of a kopeck, as a register takes them.
__int128 ExactProduct(double quantity, double price) {
    const auto product = ExactLineProduct(quantity, price);
    if (!product) {
        throw Failure("Сумма строки не может быть рассчитана: количество " +
                      FormatGeneral(quantity) + " или цена " + FormatGeneral(price) +
                      " вне допустимого диапазона");
    }
    return *product;
}

}  // namespace

double LineSum(double quantity, double price) {
    return FromKopecks(ProductKopecks(ExactProduct(quantity, price)));
}

LinePrice SplitLineSum(double quantity, double lineSum, std::string& name) {
    if (quantity == 0)
        throw Failure("Ошибка при расчете цены по сумме строки: количество равно 0 в строке \"" +
                      name + "\"");
    const double price = Price2(lineSum / quantity);
    // Equal in decimals, as the register counts: 3 × 0.10 is 0.30, however the binary
    // product comes out; 0.333 × 3.00 = 0.999 is not 1.00.
    if (ExactProduct(quantity, price) == static_cast<__int128>(ToKopecks(lineSum)) * 1000)
        return {quantity, price};
    name += " (кол-во=" + FormatMoney(quantity) + ")";
    return {1, lineSum};
}

void SplitLineSums(const TParam& param, std::vector<TSale>& lines) {
    if (!param.CENA_AS_SUMMA)
        return;
    std::vector<TSale> split = lines;
    for (TSale& line : split) {
        const LinePrice lp = SplitLineSum(line.Kolvo, line.Cena, line.Name);
        line.Kolvo = lp.quantity;
        line.Cena = lp.price;
        line.Summa = lp.quantity * lp.price;
    }
    lines = std::move(split);
}

namespace {

int64_t LineKopecks(double quantity, double price) {
    const auto product = ExactLineProduct(quantity, price);
    return product ? ProductKopecks(*product) : -1;
}

// How far a line's quantity may move, in thousandths, when its price alone cannot take the
// difference: a quantity of 3 makes prices step by 3 kopecks, a thousandth more or less fills in.
constexpr int kQuantitySteps = 20;

}  // namespace

void MeetSummaDoc(const TParam& param, double goodsTotal, std::vector<TSale>& lines) {
    if (param.SUMMADOC == 0)
        return;
    const int64_t wanted = ToKopecks(param.SUMMADOC);
    std::vector<int64_t> sums;
    int64_t total = 0;
    for (const TSale& line : lines) {
        sums.push_back(std::max<int64_t>(LineKopecks(line.Kolvo, line.Cena), 0));
        total += sums.back();
    }
    if (total == wanted)
        return;
    int64_t nearest = total;
    // The quantity as printed is kept wherever a price can take the difference; only then is it
    // moved, a thousandth at a time, on the first line that can take it.
    for (int step = 0; step <= 2 * kQuantitySteps; ++step) {
        const int64_t dq = (step + 1) / 2 * (step % 2 == 1 ? 1 : -1);
        for (size_t i = 0; i < lines.size(); ++i) {
            const int64_t milli = std::llround(lines[i].Kolvo * 1000) + dq;
            if (milli <= 0)
                continue;
            const double quantity = static_cast<double>(milli) / 1000;
            const int64_t others = total - sums[i];
            // No line goes below a kopeck; what that leaves is still the nearest total.
            const int64_t target = std::max<int64_t>(wanted - others, 1);
            const int64_t base = ToKopecks(FromKopecks(target) / quantity);
            for (int64_t kopecks : {base, base + 1, base - 1}) {
                if (kopecks <= 0)
                    continue;
                const double price = FromKopecks(kopecks);
                const int64_t sum = LineKopecks(quantity, price);
                if (sum <= 0)
                    continue;
                if (others + sum == wanted) {
                    lines[i].Kolvo = quantity;
                    lines[i].Cena = price;
                    return;
                }
                if (std::llabs(others + sum - wanted) < std::llabs(nearest - wanted))
                    nearest = others + sum;
            }
        }
    }
    throw Failure("Чек не напечатан: сумму документа SUMMADOC=" + FormatMoney(param.SUMMADOC) +
                  " нельзя получить из строк чека (сумма товаров " + FormatMoney(goodsTotal) +
                  ", ближайшая сумма, которую может пробить ККМ, " +
                  FormatMoney(FromKopecks(nearest)) + "). Проверьте SUMMADOC и суммы строк");
}

void AdjustToSummaDoc(const TParam& param, std::vector<TTovar>& lines, Logger& log) {
    AdjustLines(param, lines, log);
}

void AdjustToSummaDoc(const TParam& param, std::vector<TSale>& lines, Logger& log) {
    AdjustLines(param, lines, log);
}

}  // namespace orvenka
