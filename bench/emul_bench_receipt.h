#pragma once
// The emulated receipt both emulator benchmarks lay out: the same parameters and goods, so
// their layout figures compare.
#include <chrono>
#include <string>

#include "backends/emul/emul_backend.h"
#include "receipt/records.h"

namespace orvenka::bench {

inline void SetReceiptParams(TParam& p) {
    p.PRN_WIDHT = 40;
    p.PRN_WIDHT_ITOG = 20;
    p.PRN_SIZEFONT = 9;
    p.PRN_SIZEFONT_ITOG = 14;
    p.PRN_FONT = "Orvenka";
    p.Section = 1;
    p.SNO = "OSN";
    p.INN = "7701234567";
    p.USER = "ООО \"Ромашка\"";
    p.ADDRES = "г. Москва, ул. Лесная, д. 5";
    p.WEBADDRES = "nalog.ru";
    p.isNotFiscal = false;  // counters in memory only: no counters file is written
}

// Lays out a receipt of `goods` lines and answers the layout time in ms (0 when it failed).
inline double LayoutMs(EmulBackend& emul, int goods, bool longNames) {
    emul.BeginReceipt();
    for (int i = 0; i < goods; ++i) {
        TSale s;
        s.Name = longNames
                     ? "Товар с длинным названием для расшифровки на чеке № " + std::to_string(i)
                     : "Товар № " + std::to_string(i) + " молоко 3,2% 1 л";
        s.Kolvo = 1 + i % 7;
        s.Cena = 10.25 + i % 100;
        s.NDS = i % 3 == 0 ? 18 : (i % 3 == 1 ? 10 : 0);
        s.Summa = s.Kolvo * s.Cena;
        emul.AddGoodsLine(s, TTovar{});
    }
    const auto t0 = std::chrono::steady_clock::now();
    if (!emul.PrintReceipt("PRINT"))
        return 0;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace orvenka::bench
