#pragma once

namespace orvenka {

// The passwords this program gives the Shtrih-M register: its system administrator (reports,
// tables, cancelling a document) and its first operator (receipts, text). A register in a shop
// is set up with these; the simulated register takes the same ones.
inline constexpr int kShtrihAdministratorPassword = 30;
inline constexpr int kShtrihOperatorPassword = 1;

}  // namespace orvenka
