#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "backends/shared/fiscal_sign.h"
#include "backends/shtrih/shtrih_state.h"
#include "drivers/driver_factory.h"
#include "shell/device_backend.h"

namespace orvenka {

class AppContext;

// How long the state repair waits for a register that is busy after closing an expired shift
// or confirming the date: this many status queries, this far apart. Tests wait without sleeping.
struct ShtrihOptions {
    int statusPolls = 60;
    std::chrono::milliseconds pollPause{500};
    std::function<void(std::chrono::milliseconds)> sleep;  // empty: the thread sleeps
};

// The Shtrih-M register, driven through the automation object "AddIn.DrvFR" (on this platform the
// simulated register). The register operations are named FR_...; the connection
// sequence runs once per command (ConnectPending) and the driver object lives for one command.
//
// The work is split by subject: shtrih_connection.cpp (driver object, connection and state
// repair, clock, widths, logical devices, tables, text lines), shtrih_receipt.cpp (receipts),
// shtrih_tags.cpp (fiscal tags, correction receipts), shtrih_service.cpp (reports, cash, copies,
// fiscal storage and OFD state, pictures, QR codes); shtrih_driver.h turns the driver's results
// into failures.
class ShtrihBackend : public DeviceBackend {
  public:
    ShtrihBackend(AppContext& ctx, std::shared_ptr<DriverFactory> drivers,
                  ShtrihOptions options = {});

    DeviceKind Kind() const override { return DeviceKind::Shtrih; }
    std::string DeviceName() const override { return "ККМ Штрих-М"; }

    void BeginReceipt() override;
    void AddExtraLine(const std::string& caption, const std::string& value, bool emphasis) override;
    void AddGoodsLine(const TSale& line, const TTovar& goods) override;
    bool PrintReceipt(const std::string& command) override;
    std::optional<int64_t> LastFiscalDocument() override;
    bool CorrectionFromParam() const override { return true; }
    bool PrintCorrection(const std::string& command) override;

    void PrintLine(const std::string& text) override;
    void FeedAndCut() override;

    void LoadPicture(const std::string& word) override;
    void PrintQRCode(const std::string& word) override;
    void PrintCopyLastCheck() override;
    void ShowProperties() override;
    void CashIn(double amount) override;
    void CashOut(double amount) override;
    void OpenShift() override;
    void ZReportEmul() override;
    void XReportEmul() override;
    void ZReport() override;
    void XReport() override;
    void DepartmentReport() override;
    void OpenDrawer() override;
    void PrintCopyLastCheckForNum(const std::string& number) override;
    void ShowUnsentFD() override;
    void ShowTestLinkOFD() override;
    void ShowSrokFN() override;

    // Every button but the driver settings connects, then lets the operator choose the logical
    // device; the operation's own connection makes that one active.
    bool PrepareServiceButton(ServiceButton button) override;
    void ReleaseDriver() override;
    std::string DriverState() const override;

    // --- connection, status, clock, tables, text (shtrih_connection.cpp) -------------------
    bool FR_CreateDriver();
    void FR_Prepare();
    void FR_FixState();
    TDateTime FR_GetClock();
    // The logical device the operator chose: its number (not its place in the list), 1 when
    // there is only one, 0 or -1 when none was chosen or the list failed.
    int SelectLogicalDevice();
    // Reads a field into `value`, or brings it to `value` (written only when it differs; a
    // refused write raises).
    bool ShtrihToTable(int password, int table, bool isText, bool write, std::string& value,
                       int row, int field);
    void FR_WriteTable(int password, int table, const std::string& kind, const std::string& value,
                       int row, int field);
    void FR_ShowProperties();
    void FR_PrintLine(const std::string& text, bool wide);
    void FR_PrintPair(const std::string& left, const std::string& right);
    void FR_PrintWrapped(const std::string& text);
    void FR_Cut();

    // --- receipts (shtrih_receipt.cpp) --------------------------------------------------------
    bool FR_PrintReceipt(const std::string& command);
    double FR_RegisterGoodsLine(int department, int nds, const TTovar* tovar,
                                const std::string& command, const std::string& nameText,
                                double price, double quantity);
    void FR_SetTaxSystem();
    void FR_PrintHeader();
    void FR_PrintEmulatedTail(const std::string& command, double electronic, double cash,
                              double total);

    // --- tags and correction receipts (shtrih_tags.cpp) ---------------------------------------
    void FR_FNSendTag(int tag, int type, const std::string& value, const std::string& description);
    void FR_FNSendTagOperationStr(int tag, int type, const std::string& value,
                                  const std::string& description);
    void FR_FNSendTagDate(int tag, int dayNumber, const std::string& description);
    void FR_SendReceiptAgentTag();
    void FR_SendLineAgentTags();
    bool FR_CorrectionReceipt(const std::string& command);

    // --- service operations (shtrih_service.cpp) ----------------------------------------------
    bool FR_ZReport();
    bool FR_XReport();
    bool FR_DepartmentReport();
    bool FR_CashIn(double sum);
    bool FR_CashOut(double sum);
    void FR_OpenSession();
    void FR_OpenDrawer();
    void FR_PrintCopyLastCheck();
    void FR_PrintCopyLastCheckForNum(const std::string& number, int password);
    void FR_ShowUnsentFD();
    void FR_ShowTestLinkOFD();
    void FR_ShowSrokFN();
    bool FR_ZReportEmul();
    bool FR_XReportEmul();
    void FR_LoadPicture(const std::string& commandText);
    void FR_DrawPicture();
    void FR_PrintQRCode(const std::string& commandText);

    const ShtrihState& State() const { return st_; }

  private:
    // The driver object of the command; raises when it could not be created.
    AutomationObject& Fr();
    void Password(int password);
    int Call(const char* method);
    // The waits of the state repair, bounded; `what` names what the register is recovering from.
    void WaitForRegister(const std::string& what);
    int FontWidth(int fontType, int fallback);

    // Receipt steps.
    void CheckReceiptLines(const std::vector<TSale>& goods, const std::vector<double>& sums,
                           const std::string& command) const;
    int SummaryVat(const std::vector<TSale>& goods) const;
    // What a fiscal receipt changed in the register's tables, to be put back after it, and the
    // failures of those optional steps.
    struct TableSteps {
        std::optional<std::string> taxSystem;  // the register's own, table 18
        bool paperOff = false;                 // table 17 field 7 set to 1 (no paper)
        std::vector<std::string> notes;
    };
    void FiscalOpening(const std::string& command, TableSteps& steps);
    void RestoreTables(TableSteps& steps);
    void CloseFiscal(const std::string& summary, double& cash, double& electronic, int lines);
    // The number of the document just made into ResultNumCheck.txt (0 when it cannot be had)
    // and the long log's "OK"; nothing here fails the document.
    void SaveNumberAndLog(const std::function<int()>& number);
    int FnDocumentNumber();
    int ReceiptNumber();
    std::string LastDescription();
    // The operator's password and a tag's number, type and text, ready to be sent.
    AutomationObject& TextTag(int tag, int type, const std::string& value);
    bool CashOperation(const char* method, double sum);
    bool FR_ReportEmul(bool closing);
    void ServiceReport(const char* method);
    void WriteNumberFile(int number);

    AppContext& ctx_;
    std::shared_ptr<DriverFactory> drivers_;
    ShtrihOptions options_;
    ShtrihState st_;
    FiscalSignSource fiscalSign_;
};

}  // namespace orvenka
