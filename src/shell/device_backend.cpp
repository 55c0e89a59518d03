#include "shell/device_backend.h"

#include "common/failure.h"

namespace orvenka {

void DeviceBackend::Refuse(const std::string& operation) const {
    throw Failure(RefusalText(operation));
}

std::string DeviceBackend::RefusalText(const std::string& operation) const {
    return operation + ": устройство " + DeviceName() +
           " не выполняет эту операцию. Команда не выполнена";
}

void DeviceBackend::BeginReceipt() {
    Refuse("Печать чека");
}
void DeviceBackend::AddExtraLine(const std::string&, const std::string&, bool) {
    Refuse("Печать чека");
}
void DeviceBackend::AddGoodsLine(const TSale&, const TTovar&) {
    Refuse("Печать чека");
}
bool DeviceBackend::PrintReceipt(const std::string&) {
    Refuse("Печать чека");
}
bool DeviceBackend::PrintCorrection(const std::string&) {
    Refuse("Чек коррекции");
}
void DeviceBackend::PrintLine(const std::string&) {
    Refuse("Печать текстового файла");
}
void DeviceBackend::FeedAndCut() {
    Refuse("Отрезка чека");
}
void DeviceBackend::LoadPicture(const std::string&) {
    Refuse("Загрузка картинки");
}
void DeviceBackend::PrintQRCode(const std::string&) {
    Refuse("Печать QR-кода");
}
void DeviceBackend::PrintCopyLastCheck() {
    Refuse("Копия последнего чека");
}
void DeviceBackend::ShowProperties() {
    Refuse("Свойства ФР");
}
void DeviceBackend::CashIn(double) {
    Refuse("Внесение");
}
void DeviceBackend::CashOut(double) {
    Refuse("Выплата");
}
void DeviceBackend::OpenShift() {
    Refuse("Открытие смены");
}
void DeviceBackend::ZReportEmul() {
    Refuse("Эмуляция Z-отчета");
}
void DeviceBackend::XReportEmul() {
    Refuse("Эмуляция X-отчета");
}
void DeviceBackend::ZReport() {
    Refuse("Z-отчет");
}
void DeviceBackend::XReport() {
    Refuse("X-отчет");
}
void DeviceBackend::DepartmentReport() {
    Refuse("Отчет по секциям");
}
void DeviceBackend::OpenDrawer() {
    Refuse("Открытие денежного ящика");
}
void DeviceBackend::PrintCopyLastCheckForNum(const std::string&) {
    Refuse("Копия чека по номеру ФД");
}
void DeviceBackend::ShowUnsentFD() {
    Refuse("Количество неотправленных ФД");
}
void DeviceBackend::ShowTestLinkOFD() {
    Refuse("Проверка связи с ОФД");
}
void DeviceBackend::ShowSrokFN() {
    Refuse("Срок действия ФН");
}

}  // namespace orvenka
