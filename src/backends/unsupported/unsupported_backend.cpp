#include "backends/unsupported/unsupported_backend.h"

#include "common/failure.h"

namespace orvenka {

UnsupportedBackend::UnsupportedBackend(char kind, std::string deviceName)
    : kind_(kind), deviceName_(std::move(deviceName)) {}

std::string UnsupportedBackend::Message(const std::string& operation) const {
    return operation + ": поддержка ККМ " + deviceName_ +
           " в этой версии программы ещё не реализована. Команда не выполнена";
}

void UnsupportedBackend::Refuse(const std::string& operation) const {
    throw Failure(Message(operation));
}

void UnsupportedBackend::BeginReceipt() {
    Refuse("Печать чека");
}
void UnsupportedBackend::AddExtraLine(const std::string&, const std::string&, bool) {
    Refuse("Печать чека");
}
void UnsupportedBackend::AddGoodsLine(const TSale&, const TTovar*) {
    Refuse("Печать чека");
}
bool UnsupportedBackend::PrintReceipt(const std::string&) {
    Refuse("Печать чека");
}
bool UnsupportedBackend::PrintCorrection(const std::string&) {
    Refuse("Чек коррекции");
}
void UnsupportedBackend::PrintLine(const std::string&) {
    Refuse("Печать текстового файла");
}
void UnsupportedBackend::FeedAndCut() {
    Refuse("Отрезка чека");
}
void UnsupportedBackend::LoadPicture(const std::string&) {
    Refuse("Загрузка картинки");
}
void UnsupportedBackend::PrintQRCode(const std::string&) {
    Refuse("Печать QR-кода");
}
void UnsupportedBackend::PrintCopyLastCheck() {
    Refuse("Копия последнего чека");
}
void UnsupportedBackend::ShowProperties() {
    Refuse("Свойства ФР");
}
void UnsupportedBackend::CashIn(double) {
    Refuse("Внесение");
}
void UnsupportedBackend::CashOut(double) {
    Refuse("Выплата");
}
void UnsupportedBackend::OpenShift() {
    Refuse("Открытие смены");
}
void UnsupportedBackend::ZReportEmul() {
    Refuse("Эмуляция Z-отчета");
}
void UnsupportedBackend::XReportEmul() {
    Refuse("Эмуляция X-отчета");
}
void UnsupportedBackend::ZReport() {
    Refuse("Z-отчет");
}
void UnsupportedBackend::XReport() {
    Refuse("X-отчет");
}
void UnsupportedBackend::DepartmentReport() {
    Refuse("Отчет по секциям");
}
void UnsupportedBackend::OpenDrawer() {
    Refuse("Открытие денежного ящика");
}
void UnsupportedBackend::PrintCopyLastCheckForNum(const std::string&) {
    Refuse("Копия чека по номеру ФД");
}
void UnsupportedBackend::ShowUnsentFD() {
    Refuse("Количество неотправленных ФД");
}
void UnsupportedBackend::ShowTestLinkOFD() {
    Refuse("Проверка связи с ОФД");
}
void UnsupportedBackend::ShowSrokFN() {
    Refuse("Срок действия ФН");
}

}  // namespace orvenka
