// What the command loop, the receipt job and the service buttons call, mapped onto the
// operations of the Shtrih-M register.
#include "backends/shtrih/shtrih_backend.h"

#include "drivers/shtrih_passwords.h"
#include "shell/app_context.h"

namespace orvenka {

void ShtrihBackend::PrintLine(const std::string& text) {
    FR_PrintLine(text, false);
}
void ShtrihBackend::FeedAndCut() {
    FR_Cut();
}
void ShtrihBackend::LoadPicture(const std::string& word) {
    FR_LoadPicture(word);
}
void ShtrihBackend::PrintQRCode(const std::string& word) {
    FR_PrintQRCode(word);
}
void ShtrihBackend::PrintCopyLastCheck() {
    FR_PrintCopyLastCheck();
}
void ShtrihBackend::ShowProperties() {
    FR_ShowProperties();
}
void ShtrihBackend::CashIn(double amount) {
    FR_CashIn(amount);
}
void ShtrihBackend::CashOut(double amount) {
    FR_CashOut(amount);
}
void ShtrihBackend::OpenShift() {
    FR_OpenSession();
}
void ShtrihBackend::ZReportEmul() {
    FR_ZReportEmul();
}
void ShtrihBackend::XReportEmul() {
    FR_XReportEmul();
}
void ShtrihBackend::ZReport() {
    FR_ZReport();
}
void ShtrihBackend::XReport() {
    FR_XReport();
}
void ShtrihBackend::DepartmentReport() {
    FR_DepartmentReport();
}
void ShtrihBackend::OpenDrawer() {
    FR_OpenDrawer();
}
void ShtrihBackend::PrintCopyLastCheckForNum(const std::string& number) {
    FR_PrintCopyLastCheckForNum(number, kShtrihOperatorPassword);
}
void ShtrihBackend::ShowUnsentFD() {
    FR_ShowUnsentFD();
}
void ShtrihBackend::ShowTestLinkOFD() {
    FR_ShowTestLinkOFD();
}
void ShtrihBackend::ShowSrokFN() {
    FR_ShowSrokFN();
}

bool ShtrihBackend::PrepareServiceButton(ServiceButton button) {
    // The driver's settings window needs no logical device of the operator's choice.
    if (button == ServiceButton::ShowProperties)
        return true;
    FR_Prepare();
    const int chosen = SelectLogicalDevice();
    if (chosen <= 0)
        return false;
    ctx_.device.LogicalDevice = chosen;
    ctx_.ConnectPending = true;
    return true;
}

}  // namespace orvenka
