#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "common/device_kind.h"
#include "receipt/records.h"

namespace orvenka {

// The device buttons of the operator window's tab "Устройство", in the order they stand there.
enum class ServiceButton {
    ShowProperties,     // "Открыть свойства ФР"
    OpenDrawer,         // "Открыть ден.ящик"
    ZReport,            // "Z-отчет"
    XReport,            // "X-отчет"
    CopyLastCheck,      // "Распечатать копию последнего чека"
    CopyCheckByNumber,  // "Печать" of the group "Копия чека по номеру ФД"
    UnsentFD,           // "Показать кол-во неотправленных ФД"
    TestLinkOFD,        // "Проверка связи с ОФД"
    SrokFN,             // "Cрок действия ФН"
};

// What a device kind offers the command loop, the receipt job and the service buttons: one
// operation per row of the dispatch table, the receipt calls and the buttons' own queries.
//
// An operation the device does not have refuses with a Failure naming the operation and the
// device, so a command is never answered as done when nothing was done. A back-end overrides
// what it has; where a device deliberately does nothing for a command, its override says so.
// Operations report failures by raising Failure (the caller writes it with LogError) or by
// writing to the error log themselves, as each back-end's behaviour says.
class DeviceBackend {
  public:
    virtual ~DeviceBackend() = default;

    virtual DeviceKind Kind() const = 0;
    // The device as the operator knows it, for refusals: "эмулятор принтера", "ККМ Штрих-М".
    virtual std::string DeviceName() const = 0;

    // Receipt, in calling order. `goods` is the line as Tovar.ini gave it.
    virtual void BeginReceipt();
    virtual void AddExtraLine(const std::string& caption, const std::string& value, bool emphasis);
    virtual void AddGoodsLine(const TSale& line, const TTovar& goods);
    virtual bool PrintReceipt(const std::string& command);
    // False for a device that refuses every receipt: the receipt job then asks for its refusal
    // before it reads (and moves away) the goods file.
    virtual bool MakesReceipts() const { return true; }
    // The number of the register's last fiscal receipt, asked after the connection and its
    // state repair (so a receipt cut short is cancelled by then); nullopt for a device that
    // keeps no such number. Raises Failure when the register cannot be asked.
    virtual std::optional<int64_t> LastFiscalDocument() { return std::nullopt; }
    // True when CORRECT_PRIH / CORRECT_RASH make a correction receipt from Param.ini alone
    // (PrintCorrection); otherwise they are receipts with goods like any other.
    virtual bool CorrectionFromParam() const { return false; }
    virtual bool PrintCorrection(const std::string& command);

    // Text lines (PRINTTXTFILE).
    virtual void PrintLine(const std::string& text);
    virtual void FeedAndCut();

    // Service rows of the dispatch table. `word` is the command word as the accounting system
    // wrote it after the first "=" where the row takes data (file names, QR text).
    virtual void LoadPicture(const std::string& word);
    virtual void PrintQRCode(const std::string& word);
    virtual void PrintCopyLastCheck();
    virtual void ShowProperties();
    virtual void CashIn(double amount);
    virtual void CashOut(double amount);
    virtual void OpenShift();
    virtual void ZReportEmul();
    virtual void XReportEmul();
    virtual void ZReport();
    virtual void XReport();
    virtual void DepartmentReport();
    virtual void OpenDrawer();

    // Operations only the service buttons call. `number` is the text the operator typed (a
    // fiscal-document number); the back-end reads and checks it.
    virtual void PrintCopyLastCheckForNum(const std::string& number);
    virtual void ShowUnsentFD();
    virtual void ShowTestLinkOFD();
    virtual void ShowSrokFN();

    // The device's own steps of a service button before its operation: on a register the
    // connection and the choice of the logical device. False when the button is to do nothing
    // more (the operator cancelled the choice, or the device has nothing to do for it).
    virtual bool PrepareServiceButton(ServiceButton) { return true; }

    // End of every command and service button: the driver object is dropped, unless the
    // device's settings keep it open between commands.
    virtual void ReleaseDriver() {}

    // What stands behind the device, for the operator ("симулятор …", the driver's name); empty
    // when there is no driver at all (the emulator).
    virtual std::string DriverState() const { return {}; }

  protected:
    // The failure of an operation this device does not have.
    [[noreturn]] void Refuse(const std::string& operation) const;
    virtual std::string RefusalText(const std::string& operation) const;
};

}  // namespace orvenka
