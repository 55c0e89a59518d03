#pragma once
#include <string>
#include <vector>

#include "common/device_kind.h"
#include "receipt/records.h"

namespace orvenka {

class AppContext;

// The emulated shift counters (TEmulVar) and their file. The emulator and the register
// back-ends' non-fiscal receipts and emulated reports share these functions; none of them needs
// the emulator's document.
//
// Persistence rule: the file is read and written only for a non-fiscal document (Fiscal=-)
// with a factory number ZN that is not blank; otherwise the counters live in memory only.

// folder + kind letter + ZN as written + ".ini", e.g. "/opt/orvenka/E0012345.ini". Raises
// Failure when ZN holds a character that cannot be part of a file name in the folder.
std::string CountersFileName(const std::string& folder, DeviceKind kind, const std::string& zn);
bool CountersPersisted(const TParam& param);

// Under the persistence rule fills all twelve counters from the file: a missing file, a missing
// key or a value that is not a number gives the default of that counter. Raises Failure when the
// file exists but cannot be read.
void LoadCounters(TEmulVar& counters, const TParam& param, DeviceKind kind,
                  const std::string& folder);
// Under the persistence rule writes the file anew (atomically: a failed save leaves the old file
// whole). Raises Failure naming the file when it cannot be written, and without writing when a
// sum is beyond CheckCounters.
void SaveCounters(const TEmulVar& counters, const TParam& param, DeviceKind kind,
                  const std::string& folder);

// The shared counters of the context, the file in its working folder.
void LoadCounters(AppContext& ctx, DeviceKind kind);
void SaveCounters(AppContext& ctx, DeviceKind kind);

// The file's lines in their fixed order.
std::vector<std::string> CountersLines(const TEmulVar& counters);
// The counters of a register without a counters file.
TEmulVar DefaultCounters();
// Counters from the file's key=value lines (KeyValueLines: keys without regard to case, the
// first matching line wins); a key that is not there gives the counter's default. Raises
// Failure when a value is no number or no line holds a counter: the file is no counters file.
TEmulVar CountersFromLines(const std::vector<std::string>& lines);

// Raises Failure naming the first sum that is not finite or beyond kMaxCounter: a counter that
// could not be written and read back as the very same number.
void CheckCounters(const TEmulVar& counters);

// Refuses ("Чек не напечатан: …"), before anything is printed, a receipt the counters could not
// count: a sum that would go beyond CheckCounters, or a count already at the top of its range
// (the receipt would repeat the last one's number). A receipt printed and then not counted
// would be printed again when sent again.
void CheckReceiptCountable(const TEmulVar& counters, const std::string& command, double total,
                           double electronic, double cash);

// Counts one receipt: "RETURN" (trimmed, any case) as a return, every other command as income.
// The sums are added unrounded.
void RecordEmulatedReceipt(TEmulVar& counters, const std::string& command, double total,
                           double electronic, double cash);
// Closes the shift: next Z number and shift, the shift's receipts and sums back to zero. The
// fiscal-document number and the non-resettable totals stay.
void CloseShiftCounters(TEmulVar& counters);

}  // namespace orvenka
