// The LIBFPTR_ constants of the simulated ATOL driver. The values are this simulator's own; the
// back-end reads every one by name from the driver object and never relies on a value.
#include <unordered_map>

#include "common/text.h"
#include "drivers/sim/fptr10_sim.h"

namespace orvenka {
namespace {

std::vector<std::pair<std::string, Variant>> MakeConstants() {
    std::vector<std::pair<std::string, Variant>> c = {
        // Settings of the connection (texts, as the driver names its settings).
        {"LIBFPTR_SETTING_MODEL", "Model"},
        {"LIBFPTR_SETTING_PORT", "Port"},
        {"LIBFPTR_SETTING_COM_FILE", "ComFile"},
        {"LIBFPTR_SETTING_BAUDRATE", "BaudRate"},
        {"LIBFPTR_SETTING_IPADDRESS", "IPAddress"},
        {"LIBFPTR_SETTING_IPPORT", "IPPort"},
        {"LIBFPTR_MODEL_ATOL_AUTO", 500},
        {"LIBFPTR_PORT_COM", 0},
        {"LIBFPTR_PORT_USB", 1},
        {"LIBFPTR_PORT_TCPIP", 2},
        {"LIBFPTR_GUI_PARENT_NATIVE", 1},
        // What queryData and fnQueryData are asked for.
        {"LIBFPTR_DT_STATUS", 0},
        {"LIBFPTR_DT_RECEIPT_STATE", 5},
        {"LIBFPTR_DT_RECEIPT_LINE_LENGTH", 7},
        {"LIBFPTR_DT_DATE_TIME", 9},
        {"LIBFPTR_FNDT_OFD_EXCHANGE_STATUS", 1},
        {"LIBFPTR_FNDT_VALIDITY", 3},
        {"LIBFPTR_FNDT_LAST_RECEIPT", 6},
        // Shift states.
        {"LIBFPTR_SS_CLOSED", 0},
        {"LIBFPTR_SS_OPENED", 1},
        {"LIBFPTR_SS_EXPIRED", 2},
        // Receipt types; 0 is "no receipt open".
        {"LIBFPTR_RT_CLOSED", 0},
        {"LIBFPTR_RT_SELL", 1},
        {"LIBFPTR_RT_SELL_RETURN", 2},
        {"LIBFPTR_RT_BUY", 4},
        {"LIBFPTR_RT_BUY_RETURN", 5},
        {"LIBFPTR_RT_SELL_CORRECTION", 7},
        {"LIBFPTR_RT_BUY_CORRECTION", 9},
        // Report types.
        {"LIBFPTR_RT_CLOSE_SHIFT", 20},
        {"LIBFPTR_RT_X", 22},
        {"LIBFPTR_RT_DEPARTMENTS", 24},
        {"LIBFPTR_RT_OFD_TEST", 28},
        {"LIBFPTR_RT_FN_DOC_BY_NUMBER", 31},
        // Tax systems (the bits of the fiscal data format).
        {"LIBFPTR_TT_OSN", 1},
        {"LIBFPTR_TT_USN_INCOME", 2},
        {"LIBFPTR_TT_USN_INCOME_OUTCOME", 4},
        {"LIBFPTR_TT_ENVD", 8},
        {"LIBFPTR_TT_ESN", 16},
        {"LIBFPTR_TT_PATENT", 32},
        // VAT rates of a line.
        {"LIBFPTR_TAX_VAT10", 2},
        {"LIBFPTR_TAX_VAT0", 5},
        {"LIBFPTR_TAX_NO", 6},
        {"LIBFPTR_TAX_VAT20", 7},
        // Payment types: 0 cash, 1 electronic, 2..9 the further kinds of split payments.
        {"LIBFPTR_PT_CASH", 0},
        {"LIBFPTR_PT_ELECTRONICALLY", 1},
        // Marking types of goods.
        {"LIBFPTR_NT_FURS", 2},
        {"LIBFPTR_NT_MEDICINES", 3},
        {"LIBFPTR_NT_TOBACCO", 5},
        {"LIBFPTR_NT_SHOES", 6},
        // Barcodes and alignment.
        {"LIBFPTR_BT_QR", 11},
        {"LIBFPTR_ALIGNMENT_LEFT", 0},
        {"LIBFPTR_ALIGNMENT_CENTER", 1},
        {"LIBFPTR_ALIGNMENT_RIGHT", 2},
    };
    // Speeds of a COM port: the constants are not the speeds themselves.
    const int speeds[] = {1200,  2400,   4800,   9600,   19200, 38400,
                          57600, 115200, 230400, 460800, 921600};
    for (int i = 0; i < static_cast<int>(std::size(speeds)); ++i)
        c.emplace_back("LIBFPTR_PORT_BR_" + std::to_string(speeds[i]), 100 + i);

    // Parameter ids: above every fiscal tag number.
    const char* const params[] = {
        "DATA_TYPE",
        "FN_DATA_TYPE",
        "RECEIPT_TYPE",
        "SHIFT_STATE",
        "SHIFT_NUMBER",
        "REPORT_TYPE",
        "DATE_TIME",
        "RECEIPT_LINE_LENGTH",
        "DOCUMENT_CLOSED",
        "DOCUMENT_PRINTED",
        "TEXT",
        "FONT",
        "FONT_DOUBLE_WIDTH",
        "FONT_DOUBLE_HEIGHT",
        "ALIGNMENT",
        "TAG_VALUE",
        "RECEIPT_ELECTRONICALLY",
        "COMMODITY_NAME",
        "PRICE",
        "QUANTITY",
        "DEPARTMENT",
        "TAX_TYPE",
        "PAYMENT_TYPE",
        "PAYMENT_SUM",
        "NOMENCLATURE_TYPE",
        "GTIN",
        "SERIAL_NUMBER",
        "BARCODE",
        "BARCODE_TYPE",
        "SCALE",
        "SUM",
        "DOCUMENT_NUMBER",
        "DOCUMENTS_COUNT",
        "REGISTRATIONS_REMAIN",
        "REGISTRATIONS_COUNT",
        "FILENAME",
        "RECEIPT_SUM",
        "FISCAL_SIGN",
        "RECEIPT_NUMBER",
    };
    int id = 65536;
    for (const char* name : params)
        c.emplace_back(std::string("LIBFPTR_PARAM_") + name, id++);
    return c;
}

}  // namespace

const std::vector<std::pair<std::string, Variant>>& SimulatedFptr10::Constants() {
    static const auto constants = MakeConstants();
    return constants;
}

std::optional<Variant> SimulatedFptr10::Constant(std::string_view name) {
    static const auto byName = [] {
        std::unordered_map<std::string, Variant> map;
        for (const auto& [n, value] : Constants())
            map.emplace(UpperLatin(n), value);
        return map;
    }();
    const auto it = byName.find(UpperLatin(name));
    if (it == byName.end())
        return std::nullopt;
    return it->second;
}

}  // namespace orvenka
