#pragma once
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "drivers/automation_object.h"
#include "receipt/records.h"

namespace orvenka {

// What the Shtrih-M back-end keeps: the driver object of the current command, the flags of the
// connection and of the receipt under construction, and that receipt's lists.
struct ShtrihState {
    std::unique_ptr<AutomationObject> fr;
    std::string createError;   // why the object could not be created
    bool LinkChecked = false;  // the beep of the first connection of the run
    bool ReceiptOpen = false;

    std::vector<TDop> extras;
    std::vector<TSale> goods;
    std::deque<TTovar> records;  // the goods records the lines refer to (TSale::Tovar)

    // VAT of the non-fiscal imitation at 20 % and at 10 %, added up line by line.
    double VatTotals[2] = {0, 0};
};

}  // namespace orvenka
