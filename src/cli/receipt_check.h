#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/device_kind.h"

// The integrator's dry run of a receipt ("orvenka-cmd check"): Param.ini, Tovar.ini and Dop.ini
// of Orvenka's folder read by the program's own readers, as the receipt command PRINT would
// read them, without printing, counting, moving or writing anything.
namespace orvenka {

struct ReceiptCheck {
    std::vector<std::string> errors;  // the error lines the command would answer, in order
    std::vector<std::string> notes;   // what the dry run could not check, and why
    size_t goodsLines = 0;
    size_t extraLines = 0;
    double goodsTotal = 0;
    double cash = 0;
    double electronic = 0;
    bool refused = false;
};

// `folder` ends in "/". `printers` are the printer names the program would find (the CUPS
// queues); `printersKnown` is false when they could not be listed, and then the printer named
// in Param.ini is taken as there.
// `kind` is the kind the folder's program serves (nullopt: not known), whose own refusals of the
// receipt's settings are checked too.
ReceiptCheck CheckReceiptFiles(const std::string& folder, const std::vector<std::string>& printers,
                               bool printersKnown, std::optional<DeviceKind> kind = std::nullopt);

// The kind an exchange folder's program is started on, from its orvenka-folder.ini; nullopt for
// a folder without one.
std::optional<DeviceKind> FolderDeviceKind(const std::string& folder);

// The CUPS queues as "lpstat -e" lists them; false when they cannot be listed.
bool ListPrinters(std::vector<std::string>& printers);

// Prints the check and answers the exit code: 0 when the receipt would be printed, 1 when it
// would be refused.
int PrintReceiptCheck(const ReceiptCheck& check, std::ostream& out);

// The whole dry run on `folder` (ending in "/"): 2 when the folder is not there.
int RunReceiptCheck(const std::string& folder, std::ostream& out, std::ostream& err);

}  // namespace orvenka
