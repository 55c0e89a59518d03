#include "drivers/sim/fiscal_tlv.h"

#include <cstdint>

#include "common/failure.h"
#include "common/utf8.h"

namespace orvenka {
namespace {

enum class TagForm { Text, UnixTime, Byte, UInt32 };

struct TagRule {
    int tag;
    TagForm form;
    int maxBytes;  // texts only
};

// The tags a register is asked to pack into a structure, with the form and the longest text the
// format gives each. A tag not listed here takes its form from the value (a text, or a 32-bit
// number) and a text of at most 256 bytes.
constexpr TagRule kRules[] = {
    {1016, TagForm::Text, 12},     // agent's ИНН
    {1026, TagForm::Text, 64},     // operator of the transfer
    {1057, TagForm::Byte, 0},      // agent sign
    {1085, TagForm::Text, 64},     // name of an additional user requisite
    {1086, TagForm::Text, 175},    // its value
    {1171, TagForm::Text, 19},     // supplier's telephone
    {1173, TagForm::Byte, 0},      // correction type
    {1177, TagForm::Text, 256},    // basis of the correction
    {1178, TagForm::UnixTime, 0},  // date of the basis document
    {1179, TagForm::Text, 32},     // number of the basis document
    {1222, TagForm::Byte, 0},      // agent sign of a line
    {1225, TagForm::Text, 256},    // supplier's name
    {1226, TagForm::Text, 12},     // supplier's ИНН
};
constexpr int kDefaultTextBytes = 256;

const TagRule* RuleOf(int tag) {
    for (const TagRule& rule : kRules) {
        if (rule.tag == tag)
            return &rule;
    }
    return nullptr;
}

void PutLittleEndian(Bytes& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutBigEndian(Bytes& out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::string TagText(int tag) {
    return "тег " + std::to_string(tag);
}

Bytes ValueBytes(int tag, const Variant& value) {
    const TagRule* rule = RuleOf(tag);
    TagForm form = rule ? rule->form : TagForm::UInt32;
    if (!rule && value.GetType() == Variant::Type::Text)
        form = TagForm::Text;
    if (!rule && value.GetType() == Variant::Type::Bytes)
        return value.ToBytes();

    Bytes out;
    switch (form) {
        case TagForm::Text: {
            out = ToCp866(value.ToText());
            const int max = rule ? rule->maxBytes : kDefaultTextBytes;
            if (static_cast<int>(out.size()) > max) {
                throw Failure("Значение, " + TagText(tag) +
                              ", длиннее допустимого: " + std::to_string(out.size()) +
                              " байт при наибольшей длине " + std::to_string(max));
            }
            return out;
        }
        case TagForm::UnixTime:
        case TagForm::UInt32: {
            const int64_t n = value.ToInt();
            if (n < 0 || n > 0xFFFFFFFFLL)
                throw Failure("Значение " + TagText(tag) +
                              " вне допустимого диапазона: " + std::to_string(n));
            PutLittleEndian(out, static_cast<uint64_t>(n), 4);
            return out;
        }
        case TagForm::Byte: {
            const int64_t n = value.ToInt();
            if (n < 0 || n > 255)
                throw Failure("Значение " + TagText(tag) +
                              " вне допустимого диапазона: " + std::to_string(n));
            out.push_back(static_cast<uint8_t>(n));
            return out;
        }
    }
    return out;
}

// Letters of code page 866 outside ASCII; what it lacks has a stand-in below.
int Cp866Of(char32_t cp) {
    if (cp >= 0x20 && cp < 0x7F)
        return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x043F)  // А..Я, а..п
        return static_cast<int>(0x80 + (cp - 0x0410));
    if (cp >= 0x0440 && cp <= 0x044F)  // р..я
        return static_cast<int>(0xE0 + (cp - 0x0440));
    switch (cp) {
        case 0x0401:  // Ё
            return 0xF0;
        case 0x0451:  // ё
            return 0xF1;
        case 0x00B0:  // °
            return 0xF8;
        case 0x2116:  // №
            return 0xFC;
        case 0x00A0:  // no-break space
            return 0xFF;
        case 0x00AB:  // « » „ “ ”
        case 0x00BB:
        case 0x201E:
        case 0x201C:
        case 0x201D:
            return '"';
        case 0x2018:  // ‘ ’ ‚
        case 0x2019:
        case 0x201A:
            return '\'';
        case 0x2013:  // – —
        case 0x2014:
            return '-';
        case '\t':
            return ' ';
        default:
            return '?';
    }
}

}  // namespace

Bytes ToCp866(std::string_view utf8) {
    Bytes out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        out.push_back(DecodeUtf8(utf8, i, cp) ? static_cast<uint8_t>(Cp866Of(cp)) : '?');
    }
    return out;
}

Bytes FormTlv(const std::vector<std::pair<int, Variant>>& tags) {
    Bytes out;
    for (const auto& [tag, value] : tags) {
        if (tag <= 0 || tag > 0xFFFF)
            throw Failure("Недопустимый номер тега " + std::to_string(tag));
        const Bytes bytes = ValueBytes(tag, value);
        if (bytes.size() > 0xFFFF)
            throw Failure("Значение " + TagText(tag) + " длиннее 65535 байт");
        PutLittleEndian(out, static_cast<uint64_t>(tag), 2);
        PutLittleEndian(out, bytes.size(), 2);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

Bytes FormNomenclature(int nomenclatureType, const std::string& gtin, const std::string& serial) {
    uint16_t code = 0;
    switch (nomenclatureType) {
        case 2:
            code = 0x0002;
            break;
        case 3:
            code = 0x0003;
            break;
        case 5:
            code = 0x0005;
            break;
        case 6:
            code = 0x1520;
            break;
        default:
            throw Failure("Неизвестный тип маркировки " + std::to_string(nomenclatureType));
    }
    if (gtin.empty() || gtin.size() > 14)
        throw Failure("GTIN \"" + gtin + "\" должен содержать от 1 до 14 цифр");
    uint64_t number = 0;
    for (const char c : gtin) {
        if (c < '0' || c > '9')
            throw Failure("GTIN \"" + gtin + "\" должен содержать только цифры");
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (serial.empty() || serial.size() > 24)
        throw Failure("Серийный номер \"" + serial + "\" должен содержать от 1 до 24 знаков");
    for (const char c : serial) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u > 0x7E)
            throw Failure("Серийный номер \"" + serial +
                          "\" должен состоять из латинских букв, цифр и знаков");
    }
    Bytes out;
    PutBigEndian(out, code, 2);
    PutBigEndian(out, number, 6);
    out.insert(out.end(), serial.begin(), serial.end());
    return out;
}

std::string ToHex(const Bytes& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const uint8_t b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return hex;
}

Bytes FromHex(std::string_view hex) {
    const auto digit = [&](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        throw Failure("Недопустимый знак в шестнадцатеричной строке: \"" + std::string(hex) + "\"");
    };
    if (hex.size() % 2 != 0)
        throw Failure("Нечетное число знаков в шестнадцатеричной строке: \"" + std::string(hex) +
                      "\"");
    Bytes out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    return out;
}

}  // namespace orvenka
