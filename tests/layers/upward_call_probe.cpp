// A stand-in for a receipt-layer file that calls up into the shell. The layer check must refuse
// to link it with the layers below the shell, and link it once the shell is there.
#include "receipt/records.h"
#include "shell/command_parser.h"

namespace orvenka::probe {

std::string UpwardCall() {
    TDeviceParam device;
    return ParseCommandLine("ZOTCHET", device, DeviceKind::Emul).word;
}

}  // namespace orvenka::probe
