#pragma once
#include <string>
#include <vector>

#include "backends/emul/document.h"
#include "backends/shared/fiscal_sign.h"
#include "receipt/records.h"

namespace orvenka {

class AppContext;

// VAT of the receipt by rate, added up unrounded line by line.
struct VatTotals {
    double vat18 = 0;
    double vat10 = 0;
};

// The goods line block: the name, section and "quantity * price =sum", then the VAT line of the
// rate (18 and 10 are also added to the totals; 0 prints "Без НДС"; other codes print nothing).
void GoodsLine(EmulDocument& doc, VatTotals& vat, int section, int nds, const std::string& name,
               double price, double quantity);

// The emulated receipt: begin, extra lines, goods lines, then the layout of the whole receipt,
// counted in the emulated counters and previewed or printed. Widths and requisites come from the
// context's TParam, the counters are the context's TEmulVar kept in the file of `kind`.
class EmulReceipt {
  public:
    EmulReceipt(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign,
                DeviceKind kind = DeviceKind::Emul);

    // Loads the counters and clears the document; does nothing while a receipt is begun.
    void EmulBeginReceipt();
    // Ignored unless a receipt is begun.
    void EmulAddExtraLine(const std::string& caption, const std::string& value, bool emphasis);
    void EmulAddGoodsLine(const std::string& name, const std::string& comment, int nds, double sum,
                          double price, double quantity);
    // Lays the receipt out, counts it, previews or prints it. False at once when nothing is
    // begun; a failure goes to the error log as "EMUL:" + its text and answers false. The
    // receipt ends either way.
    bool EmulPrintReceipt(const std::string& command);

    bool Begun() const { return begun_; }

  private:
    void Layout(const std::string& command);
    void End();

    AppContext& ctx_;
    EmulDocument& doc_;
    FiscalSignSource& fiscalSign_;
    DeviceKind kind_;
    bool begun_ = false;
    std::vector<TDop> extras_;
    std::vector<TSale> goods_;
};

}  // namespace orvenka
