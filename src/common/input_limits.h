#pragma once
#include <cstddef>
#include <cstdint>

// How much of its input the program takes. Everything the accounting system writes may be
// junk of any size: a file beyond its limit is refused from its size alone, at once, with a
// line that names the file, its size and the limit, so neither memory nor time depend on what
// a file holds. The limits are many times what a real shop writes.
namespace orvenka {

// cmd.ini: one command line. The longest real ones carry a file name or a QR code's text.
inline constexpr uint64_t kMaxCommandFileBytes = 64 * 1024;
// Param.ini: some sixty keys; the template the program writes is about 3 KB.
inline constexpr uint64_t kMaxParamFileBytes = 2 * 1024 * 1024;
// Tovar.ini: kMaxGoods goods of four lines each with long names.
inline constexpr uint64_t kMaxGoodsFileBytes = 8 * 1024 * 1024;
// Goods lines of one receipt: far more than any register takes into one document. The file is
// split into no more lines than they need, so a file of line breaks costs no more than goods.
inline constexpr size_t kMaxGoods = 30000;
// Dop.ini: extra lines above the goods, a handful in practice.
inline constexpr uint64_t kMaxExtraFileBytes = 64 * 1024;
// The text file of PRINTTXTFILE: a slip of some thousand lines.
inline constexpr uint64_t kMaxTextFileBytes = 64 * 1024;
// The emulated counters file (twelve lines) and the settings file (one line).
inline constexpr uint64_t kMaxSmallFileBytes = 64 * 1024;
// DocumStr, which CheckList.txt keeps for ever and every long-log record repeats.
inline constexpr size_t kMaxDocumentIdChars = 1000;
// One line of the message or error log (and so of Result.txt and the long log): longer texts
// are cut there, with a mark that says how long they were.
inline constexpr size_t kMaxLogLineChars = 1000;

}  // namespace orvenka
