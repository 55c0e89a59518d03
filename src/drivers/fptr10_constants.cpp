#include "drivers/fptr10_constants.h"

#include <unordered_map>

#include "common/text.h"

namespace orvenka {
namespace {

const std::vector<std::pair<std::string, Variant>> kConstants = {
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
    // The speeds of a COM port are the speeds themselves.
    {"LIBFPTR_PORT_BR_1200", 1200},
    {"LIBFPTR_PORT_BR_2400", 2400},
    {"LIBFPTR_PORT_BR_4800", 4800},
    {"LIBFPTR_PORT_BR_9600", 9600},
    {"LIBFPTR_PORT_BR_19200", 19200},
    {"LIBFPTR_PORT_BR_38400", 38400},
    {"LIBFPTR_PORT_BR_57600", 57600},
    {"LIBFPTR_PORT_BR_115200", 115200},
    {"LIBFPTR_PORT_BR_230400", 230400},
    {"LIBFPTR_PORT_BR_460800", 460800},
    {"LIBFPTR_PORT_BR_921600", 921600},
    {"LIBFPTR_GUI_PARENT_NATIVE", 0},
    // What queryData and fnQueryData are asked for.
    {"LIBFPTR_DT_STATUS", 0},
    {"LIBFPTR_DT_DATE_TIME", 13},
    {"LIBFPTR_DT_RECEIPT_STATE", 15},
    {"LIBFPTR_DT_RECEIPT_LINE_LENGTH", 18},
    {"LIBFPTR_FNDT_OFD_EXCHANGE_STATUS", 1},
    {"LIBFPTR_FNDT_LAST_RECEIPT", 4},
    {"LIBFPTR_FNDT_VALIDITY", 8},
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
    // Report types: the same numbers as receipt types, another parameter.
    {"LIBFPTR_RT_CLOSE_SHIFT", 0},
    {"LIBFPTR_RT_X", 1},
    {"LIBFPTR_RT_OFD_TEST", 6},
    {"LIBFPTR_RT_FN_DOC_BY_NUMBER", 7},
    {"LIBFPTR_RT_DEPARTMENTS", 9},
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
    {"LIBFPTR_PT_CASH", 0},
    {"LIBFPTR_PT_ELECTRONICALLY", 1},
    // Marking types of goods.
    {"LIBFPTR_NT_FURS", 0},
    {"LIBFPTR_NT_MEDICINES", 1},
    {"LIBFPTR_NT_TOBACCO", 2},
    {"LIBFPTR_NT_SHOES", 3},
    // Barcodes and alignment.
    {"LIBFPTR_BT_QR", 11},
    {"LIBFPTR_ALIGNMENT_LEFT", 0},
    {"LIBFPTR_ALIGNMENT_CENTER", 1},
    {"LIBFPTR_ALIGNMENT_RIGHT", 2},
    // Parameter ids: above every fiscal tag number.
    {"LIBFPTR_PARAM_DATA_TYPE", 65587},
    {"LIBFPTR_PARAM_FN_DATA_TYPE", 65622},
    {"LIBFPTR_PARAM_RECEIPT_TYPE", 65545},
    {"LIBFPTR_PARAM_SHIFT_STATE", 65592},
    {"LIBFPTR_PARAM_SHIFT_NUMBER", 65599},
    {"LIBFPTR_PARAM_REPORT_TYPE", 65546},
    {"LIBFPTR_PARAM_DATE_TIME", 65590},
    {"LIBFPTR_PARAM_RECEIPT_LINE_LENGTH", 65601},
    {"LIBFPTR_PARAM_DOCUMENT_CLOSED", 65644},
    {"LIBFPTR_PARAM_DOCUMENT_PRINTED", 65709},
    {"LIBFPTR_PARAM_TEXT", 65536},
    {"LIBFPTR_PARAM_FONT", 65539},
    {"LIBFPTR_PARAM_FONT_DOUBLE_WIDTH", 65540},
    {"LIBFPTR_PARAM_FONT_DOUBLE_HEIGHT", 65541},
    {"LIBFPTR_PARAM_ALIGNMENT", 65538},
    {"LIBFPTR_PARAM_TAG_VALUE", 65624},
    {"LIBFPTR_PARAM_RECEIPT_ELECTRONICALLY", 65572},
    {"LIBFPTR_PARAM_COMMODITY_NAME", 65631},
    {"LIBFPTR_PARAM_PRICE", 65632},
    {"LIBFPTR_PARAM_QUANTITY", 65633},
    {"LIBFPTR_PARAM_DEPARTMENT", 65568},
    {"LIBFPTR_PARAM_TAX_TYPE", 65569},
    {"LIBFPTR_PARAM_PAYMENT_TYPE", 65564},
    {"LIBFPTR_PARAM_PAYMENT_SUM", 65565},
    {"LIBFPTR_PARAM_NOMENCLATURE_TYPE", 65695},
    {"LIBFPTR_PARAM_GTIN", 65696},
    {"LIBFPTR_PARAM_SERIAL_NUMBER", 65559},
    {"LIBFPTR_PARAM_BARCODE", 65576},
    {"LIBFPTR_PARAM_BARCODE_TYPE", 65577},
    {"LIBFPTR_PARAM_SCALE", 65574},
    {"LIBFPTR_PARAM_SUM", 65613},
    {"LIBFPTR_PARAM_DOCUMENT_NUMBER", 65598},
    {"LIBFPTR_PARAM_DOCUMENTS_COUNT", 65625},
    {"LIBFPTR_PARAM_REGISTRATIONS_REMAIN", 65637},
    {"LIBFPTR_PARAM_REGISTRATIONS_COUNT", 65638},
    {"LIBFPTR_PARAM_FILENAME", 65585},
    {"LIBFPTR_PARAM_RECEIPT_SUM", 65600},
    {"LIBFPTR_PARAM_FISCAL_SIGN", 65626},
    {"LIBFPTR_PARAM_RECEIPT_NUMBER", 65597},
};

}  // namespace

const std::vector<std::pair<std::string, Variant>>& Fptr10Constants() {
    return kConstants;
}

std::optional<Variant> Fptr10Constant(std::string_view name) {
    static const auto byName = [] {
        std::unordered_map<std::string, Variant> map;
        for (const auto& [n, value] : Fptr10Constants())
            map.emplace(UpperLatin(n), value);
        return map;
    }();
    const auto it = byName.find(UpperLatin(name));
    if (it == byName.end())
        return std::nullopt;
    return it->second;
}

}  // namespace orvenka
