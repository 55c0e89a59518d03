#pragma once
#include <map>
#include <string>
#include <vector>

#include "receipt/records.h"

namespace orvenka {

// The ATOL device files: one per logical device, "ATOLDEVICE<n>.ini" in the program folder, each
// a key=value file (PORT, COM_FILE, BAUDRATE, IPADDRESS, IPPORT) naming how the register is
// connected.

// "ATOLDEVICE" + n + ".ini"
std::string AtolDeviceFileName(int n);

// The device files of the folder by their number: names matching "ATOLDEVICE*.ini" without
// regard to case whose "*" is a number written without leading zeros. Any other name that
// matches the mask ("ATOLDEVICE01.ini", "ATOLDEVICE_old.ini") raises Failure naming it: such a
// file was meant for a device, and guessing which one (01 is not taken for 1) could send a
// command to another register.
std::map<int, std::string> ATOL_DeviceFiles(const std::string& folder);

// Reads the file of logical device n. Raises Failure with a text naming the file when it is
// missing or cannot be read, when its BAUDRATE is not a whole number, or when its PORT is none
// of COM, USB, TCP_IP and LPT: a command must never go to a register nobody described. A blank
// or missing PORT, like LPT, leaves the port to the driver's own settings.
TAtolDeviceStruct ATOL_ReadDeviceFile(const std::string& folder, int n);

// PORT values that set no port: the driver keeps its own settings.
bool AtolPortLeftToDriver(const std::string& port);

// The same from the lines of the file named `fileName`.
TAtolDeviceStruct ParseAtolDeviceLines(const std::string& fileName, int n,
                                       const std::vector<std::string>& lines);

// The driver constant of a COM speed of the speed table ("LIBFPTR_PORT_BR_9600"); empty for a
// speed the table does not have, which is passed as its own decimal text.
std::string AtolBaudRateConstant(int baudRate);

}  // namespace orvenka
