#pragma once
#include <map>
#include <memory>
#include <string>

#include "backends/atol/atol_driver.h"
#include "backends/atol/atol_state.h"
#include "backends/shared/fiscal_sign.h"
#include "shell/device_backend.h"

namespace orvenka {

class AppContext;

// The ATOL register, driven through the ATOL driver v10 object "AddIn.Fptr10". Every operation
// begins with ATOL_Connect, which runs once per command: it creates the driver object, applies
// the settings of the chosen logical device (ATOLDEVICE<n>.ini), opens the connection, repairs
// the register's state, checks its clock and learns the line width.
//
// The operations are spread over files by what they do: atol_connect.cpp (connection, device
// choice, clock), atol_text.cpp (text lines), atol_receipt.cpp (receipts) with
// atol_fiscal_receipt.cpp (the register's steps of a fiscal one), atol_reports.cpp (reports,
// cash, service queries); atol_driver.cpp holds the calls to the driver object.
class AtolBackend : public DeviceBackend {
  public:
    AtolBackend(AppContext& ctx, std::shared_ptr<DriverFactory> drivers);

    DeviceKind Kind() const override { return DeviceKind::Atol; }
    std::string DeviceName() const override { return "ККМ АТОЛ"; }

    void BeginReceipt() override { ATOL_BeginCheck(); }
    void AddExtraLine(const std::string& caption, const std::string& value,
                      bool emphasis) override {
        ATOL_AddDop(caption, value, emphasis);
    }
    void AddGoodsLine(const TSale& line, const TTovar& goods) override {
        ATOL_AddTovar(line, goods);
    }
    bool PrintReceipt(const std::string& command) override { return ATOL_PrintCheck(command); }
    std::optional<int64_t> LastFiscalDocument() override;

    void PrintLine(const std::string& text) override { ATOL_PrintLine(text, false); }
    void FeedAndCut() override { ATOL_FeedAndCut(); }

    void LoadPicture(const std::string& word) override;
    void PrintQRCode(const std::string& word) override;
    void PrintCopyLastCheck() override { ATOL_PrintCopyLastCheck(); }
    void ShowProperties() override { ATOL_ShowProperties(); }
    void CashIn(double amount) override { ATOL_CashIn(amount); }
    void CashOut(double amount) override { ATOL_CashOut(amount); }
    void OpenShift() override { ATOL_OpenShift(); }
    void ZReportEmul() override { ATOL_ReportEmul(true); }
    void XReportEmul() override { ATOL_ReportEmul(false); }
    void ZReport() override { ATOL_ZReport(); }
    void XReport() override { ATOL_XReport(); }
    void DepartmentReport() override { ATOL_DepartmentReport(); }
    void OpenDrawer() override { ATOL_OpenDrawer(); }
    void PrintCopyLastCheckForNum(const std::string& number) override {
        ATOL_PrintCopyLastCheckForNum(number);
    }
    void ShowUnsentFD() override { ATOL_ShowUnsentFD(); }
    void ShowTestLinkOFD() override { ATOL_ShowTestLinkOFD(); }
    void ShowSrokFN() override { ATOL_ShowSrokFN(); }

    // The operator chooses the logical device (LogicalDevice 0) and the connection is made;
    // false when nobody chose one. "Открыть свойства ФР" connects inside ATOL_ShowProperties.
    bool PrepareServiceButton(ServiceButton button) override;
    // The driver object goes unless AtolNoCloseLinkToDriverAfterCommand keeps it.
    void ReleaseDriver() override;
    std::string DriverState() const override;

    // --- connection and device settings ----------------------------------------------------
    enum class Link { Connected, AlreadyConnected, NotChosen };
    // Runs only while ConnectPending is raised, and lowers it. NotChosen when device files
    // exist and the operator chose none.
    Link ATOL_Connect();
    void ATOL_CheckPort();
    TDateTime ATOL_GetDateTime();
    void ATOL_ShowProperties();

    // --- text lines ----------------------------------------------------------------------------
    void ATOL_PrintLine(const std::string& text, bool enlarged);
    void ATOL_PrintPair(const std::string& label, const std::string& value, bool enlarged = false);
    void ATOL_PrintTotalLine(const std::string& text);
    void ATOL_PrintWrapped(const std::string& text);
    void ATOL_PrintHeader();
    void ATOL_FeedAndCut();

    // --- receipts ------------------------------------------------------------------------------
    void ATOL_BeginCheck();
    void ATOL_AddDop(const std::string& caption, const std::string& value, bool emphasis);
    void ATOL_AddTovar(const TSale& line, const TTovar& goods);
    bool ATOL_PrintCheck(const std::string& command);
    int Atol_SaveNumCheckToFile();

    // --- reports, cash and service queries -----------------------------------------------
    void ATOL_ZReport();
    void ATOL_XReport();
    void ATOL_DepartmentReport();
    void ATOL_OpenShift();
    void ATOL_CashIn(double sum);
    void ATOL_CashOut(double sum);
    void ATOL_OpenDrawer();
    void ATOL_PrintCopyLastCheck();
    void ATOL_PrintCopyLastCheckForNum(const std::string& number);
    void ATOL_ShowUnsentFD();
    void ATOL_ShowTestLinkOFD();
    void ATOL_ShowSrokFN();
    void ATOL_ReportEmul(bool closing);

    const AtolState& State() const { return state_; }

  private:
    // ATOL_Connect for an operation: a command never runs on a register nobody chose.
    void Connect();
    int LastReceiptNumber(const std::string& failurePrefix);
    int SelectLogicalDevice(const std::map<int, std::string>& files);
    void ApplyDeviceSettings(const TAtolDeviceStruct& device);
    void CheckClock();
    void LearnWidths();
    void ATOL_CheckDocumentState();
    void RunReport(const std::string& reportType, bool checkDocument);

    // Receipt steps (atol_receipt.cpp).
    void MeetDocumentSum(std::vector<AtolSale>& sales);
    int SummaryVat(const std::vector<AtolSale>& sales) const;
    double CheckReceiptFigures(const std::string& command, const std::vector<AtolSale>& sales);
    void ATOL_PrintEmulEnd(const std::string& command, double cash, double card, double total);
    void FinishReceipt();
    // The register's steps of a fiscal receipt (atol_fiscal_receipt.cpp).
    void PrepareFiscalReceipt(const std::string& command, std::string& agentText,
                              std::string& supplierText);
    double ATOL_RegisterTovar(std::string name, double kolvo, double cena, int nds, int section,
                              const TTovar* tovar, const std::string& agentText,
                              const std::string& supplierText);
    void Atol_Send_teg_1162(const TTovar& tovar);
    void ATOL_SendItemCode(const std::string& code);
    void Pay(double total);
    // Cash in and out (atol_reports.cpp).
    void Cash(double sum, bool income);

    AppContext& ctx_;
    std::shared_ptr<DriverFactory> drivers_;
    AtolDriver driver_;
    AtolState state_;
    FiscalSignSource fiscalSign_;
};

}  // namespace orvenka
