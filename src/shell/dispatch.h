#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "shell/app_context.h"
#include "shell/command_parser.h"
#include "shell/device_backend.h"

namespace orvenka {

// How a row's name is tested against the command word.
enum class RowTest {
    Equal,     // the word is the name
    Contains,  // the word holds the name anywhere (the word carries data after "=")
    Same,      // equal after trimming both, ignoring case
};

// What a row runs on the back-end of the command's device kind. What the operation means on a
// kind (or that it does nothing there) is the back-end's business.
using RowAction = void (*)(AppContext& ctx, DeviceBackend& backend, const CommandText& cmd);

struct DispatchRow {
    const char* name;
    RowTest test;
    RowAction action;
    bool endsTable;  // a match runs this row and nothing after it
};

// The rows in the order they are tried. Rows are independent: every row whose test holds runs.
const std::vector<DispatchRow>& DispatchTable();

bool RowMatches(const DispatchRow& row, std::string_view word);

// Runs every matching row on the kind of ctx.device. Failures of the operations pass to the
// caller. A command that matches a row but names no device kind this program knows, or a kind
// without a back-end, raises a Failure instead of doing nothing; so does a word that matches no
// row.
void RunDispatch(AppContext& ctx, const CommandText& cmd);

// --- command handlers ----------------------------------------------------------------------

// Text after the first "=" of the word (the whole word when it has none), at most `maxChars`
// characters.
std::string TextAfterEquals(std::string_view word, std::size_t maxChars);
// Amount of CASHINCOME=... / CASHOUTCOME=...: after "=" (at most 100 characters), cleaned with
// CleanNumber; 0 when empty or not a number.
double CommandAmount(std::string_view word);

void CashIncome(AppContext& ctx, DeviceBackend& backend, const CommandText& cmd);
void CashOutcome(AppContext& ctx, DeviceBackend& backend, const CommandText& cmd);
// Prints the lines of the file named after "=" (in the accounting system's spelling; a name
// without a folder is taken from the program folder), then feeds and cuts when `cut` is set. A
// failure is written to the error log; lines printed before it stay printed.
void PrintTextFile(AppContext& ctx, DeviceBackend& backend, const CommandText& cmd, bool cut);
void ShowDeviceProperties(AppContext& ctx, DeviceBackend& backend, const CommandText& cmd);

}  // namespace orvenka
