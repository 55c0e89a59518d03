#pragma once
#include <string>

#include "receipt/records.h"

namespace orvenka {

// The operations a device kind offers the command loop, the receipt job and the service
// buttons: one per row of the dispatch table and the four receipt calls. Each back-end
// (ATOL, Shtrih-M, emulator) implements them; an operation a kind does not have raises a
// Failure naming it, it never does nothing silently.
//
// Operations report failures by raising Failure (the caller writes it with LogError) or by
// writing to the error log themselves, as each back-end's behaviour says.
class DeviceBackend {
  public:
    virtual ~DeviceBackend() = default;

    virtual char Kind() const = 0;  // 'A', 'S' or 'E'

    // Receipt, in calling order.
    virtual void BeginReceipt() = 0;
    virtual void AddExtraLine(const std::string& caption, const std::string& value,
                              bool emphasis) = 0;
    virtual void AddGoodsLine(const TSale& line, const TTovar* goods) = 0;
    virtual bool PrintReceipt(const std::string& command) = 0;
    // Correction receipt straight from Param.ini (Shtrih-M); others raise.
    virtual bool PrintCorrection(const std::string& command) = 0;

    // Text lines (PRINTTXTFILE).
    virtual void PrintLine(const std::string& text) = 0;
    virtual void FeedAndCut() = 0;

    // Service rows of the dispatch table. `word` is the command word as the accounting system
    // wrote it after the first "=" where the row takes data (file names, QR text).
    virtual void LoadPicture(const std::string& word) = 0;
    virtual void PrintQRCode(const std::string& word) = 0;
    virtual void PrintCopyLastCheck() = 0;
    virtual void ShowProperties() = 0;
    virtual void CashIn(double amount) = 0;
    virtual void CashOut(double amount) = 0;
    virtual void OpenShift() = 0;
    virtual void ZReportEmul() = 0;
    virtual void XReportEmul() = 0;
    virtual void ZReport() = 0;
    virtual void XReport() = 0;
    virtual void DepartmentReport() = 0;
    virtual void OpenDrawer() = 0;

    // Operations only the service buttons of the operator window call. `number` is the text
    // the operator typed (a fiscal-document number); the back-end reads and checks it.
    virtual void PrintCopyLastCheckForNum(const std::string& number) = 0;
    virtual void ShowUnsentFD() = 0;
    virtual void ShowTestLinkOFD() = 0;
    virtual void ShowSrokFN() = 0;

    // Drops the driver object (end of every tick and service action).
    virtual void ReleaseDriver() = 0;
};

}  // namespace orvenka
