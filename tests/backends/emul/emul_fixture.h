#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/emul/emul_backend.h"
#include "common/clock.h"
#include "common/dates.h"
#include "shell/app_context.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

namespace orvenka::test {

// A context on a temporary folder with a scripted platform, a fixed clock (15.03.2024
// 10:20:30) and the emulator installed, plus the Param.ini values of a small receipt printer.
class EmulFixture : public ::testing::Test {
  protected:
    EmulFixture()
        : clock(EncodeDateTime(DateParts{2024, 3, 15, 10, 20, 30, 0})),
          ctx(folder.Path(), "orvenka", platform, clock),
          emul(ctx) {
        TParam& p = ctx.param;
        p.PRN_WIDHT = 32;
        p.PRN_WIDHT_ITOG = 20;
        p.PRN_FONT = "Courier New";
        p.PRN_SIZEFONT = 8;
        p.PRN_SIZEFONT_ITOG = 12;
        p.Section = 1;
        p.ZN = "0012345";
        p.isNotFiscal = true;
        p.INN = "7700000000";
        p.USER = "ИП Петров";
        p.ADDRES = "Москва";
        p.WEBADDRES = "nalog.ru";
        p.REGNUMKKT = "111";
        p.REGNUMFN = "222";
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& l : emul.Document().lines)
            out.push_back(l.text);
        return out;
    }
    // Index of the first line starting with `prefix`, -1 when none.
    int Find(const std::string& prefix) const {
        const auto& lines = emul.Document().lines;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].text.rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }
    std::string At(const std::string& prefix) const {
        const int i = Find(prefix);
        return i < 0 ? "<missing " + prefix + ">" : emul.Document().lines[i].text;
    }
    bool Receipt(const std::string& command, const std::vector<TSale>& goods) {
        emul.BeginReceipt();
        for (const auto& g : goods)
            emul.AddGoodsLine(g, TTovar{});
        return emul.PrintReceipt(command);
    }
    static TSale Sale(const std::string& name, double qty, double price, int nds = -1) {
        TSale s;
        s.Name = name;
        s.Kolvo = qty;
        s.Cena = price;
        s.NDS = nds;
        s.Summa = qty * price;
        return s;
    }
    // The hand-made table with a name column of `name` characters, quantity and price of 6, sum
    // of 8.
    void HandMadeColumns(int name) {
        TParam& p = ctx.param;
        p.HandMade = true;
        p.Name = name;
        p.Kolvo = 6;
        p.Cena = 6;
        p.Summa = 8;
    }
    static std::string Blanks(int n) { return std::string(static_cast<size_t>(n), ' '); }

    TempFolder folder;
    ScriptedPlatform platform;
    FixedClock clock;
    AppContext ctx;
    EmulBackend emul;
};

}  // namespace orvenka::test
