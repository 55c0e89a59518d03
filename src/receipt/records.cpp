#include "receipt/records.h"

#include <cmath>

#include "common/text.h"

namespace orvenka {

std::string TaxSystemName(const std::string& code) {
    const std::string c = UpperRus(TrimText(code));
    if (c == "DOH") return "УСН Доход";
    if (c == "DOHRASH") return "УСН Доход-Расход";
    if (c == "ENVD") return "ЕНВД";
    if (c == "PATENT") return "Патентная система";
    return "ОСН";
}

std::string PadZeros(int width, const std::string& text) {
    const long missing = width - static_cast<long>(CharCount(text));
    return missing > 0 ? std::string(static_cast<size_t>(missing), '0') + text : text;
}

int64_t UnixSeconds(TDateTime t) { return static_cast<int64_t>(std::trunc((t - 25569.0) * 86400.0)); }

bool ClockDiffBelow(int64_t limitMinutes, TDateTime first, TDateTime second) {
    const double minutes = (second - first) * 24.0 * 60.0;
    const auto rounded = static_cast<int64_t>(std::nearbyint(minutes));  // halves to even
    return rounded < limitMinutes;
}

double GoodsTotal(const TParam& param, const std::vector<TTovar>& goods) {
    double total = 0;
    for (const auto& t : goods) {
        double amount = param.CENA_AS_SUMMA ? t.Cena : t.Kolvo * t.Cena;
        if (param.SUMMADOC == 0) amount = std::trunc(amount / 0.01 + 0.5) * 0.01;
        total += amount;
    }
    return total;
}

}  // namespace orvenka
