#include "http/command_request.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "common/failure.h"
#include "common/text.h"
#include "shell/dispatch.h"

namespace orvenka {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxIdChars = 64;
constexpr int kMaxWaitSeconds = 3600;
// Far deeper than any request; the parser and the value's destructor recurse with the depth.
constexpr int kMaxDepth = 32;

[[noreturn]] void Refuse(const std::string& field, const std::string& why) {
    throw Failure("Запрос: поле \"" + field + "\" " + why);
}

// The nesting depth of a JSON text, without parsing it: brackets outside strings.
int NestingDepth(std::string_view body) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : body) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            deepest = std::max(deepest, ++depth);
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return deepest;
}

json Parse(std::string_view body) {
    if (body.size() > kMaxRequestBytes) {
        throw Failure("Запрос: тело запроса больше " + std::to_string(kMaxRequestBytes) +
                      " байт (" + std::to_string(body.size()) + " байт)");
    }
    if (NestingDepth(body) > kMaxDepth) {
        throw Failure("Запрос: вложенность JSON глубже " + std::to_string(kMaxDepth) + " уровней");
    }
    // A field given twice would otherwise be taken silently from its last spelling.
    std::vector<std::vector<std::string>> keys;
    std::string duplicate;
    const json::parser_callback_t watch = [&](int, json::parse_event_t event, json& value) {
        if (event == json::parse_event_t::object_start) {
            keys.emplace_back();
        } else if (event == json::parse_event_t::object_end) {
            keys.pop_back();
        } else if (event == json::parse_event_t::key && !keys.empty()) {
            const std::string key = value.get<std::string>();
            auto& seen = keys.back();
            if (duplicate.empty() && std::find(seen.begin(), seen.end(), key) != seen.end())
                duplicate = key;
            seen.push_back(key);
        }
        return true;
    };
    json doc;
    try {
        doc = json::parse(body.begin(), body.end(), watch);
    } catch (const json::parse_error& e) {
        throw Failure("Запрос: тело не является правильным JSON в UTF-8 (ошибка у байта " +
                      std::to_string(e.byte) + ")");
    } catch (const json::out_of_range&) {
        throw Failure("Запрос: в теле есть число вне допустимых пределов");
    } catch (const json::exception&) {
        throw Failure("Запрос: тело не является правильным JSON в UTF-8");
    }
    if (!duplicate.empty())
        Refuse(duplicate, "указано дважды");
    if (!doc.is_object())
        throw Failure("Запрос: тело должно быть объектом JSON");
    return doc;
}

// Only the fields a request may have: a misspelt one would otherwise be dropped unnoticed.
void OnlyKnownFields(const json& object, const std::vector<std::string_view>& known,
                     const std::string& where) {
    for (const auto& item : object.items()) {
        if (std::find(known.begin(), known.end(), item.key()) == known.end())
            Refuse(where + item.key(), "неизвестно");
    }
}

const std::string& Text(const json& value, const std::string& field) {
    if (!value.is_string())
        Refuse(field, "должно быть строкой");
    return value.get_ref<const std::string&>();
}

// A text that becomes one line of a file: a line break in it would make another line.
std::string OneLine(const json& value, const std::string& field) {
    const std::string& text = Text(value, field);
    if (text.find_first_of("\r\n") != std::string::npos)
        Refuse(field, "не должно содержать перевода строки");
    return text;
}

int Integer(const json& value, const std::string& field) {
    if (!value.is_number_integer() ||
        (value.is_number_unsigned() && value.get<std::uint64_t>() > INT32_MAX) ||
        (!value.is_number_unsigned() &&
         (value.get<std::int64_t>() < INT32_MIN || value.get<std::int64_t>() > INT32_MAX))) {
        Refuse(field, "должно быть целым числом");
    }
    return value.get<int>();
}

// A quantity, price or excise: a JSON number, or a text the goods reader cleans and reads as a
// number there, with its own texts.
std::string NumberText(const json& value, const std::string& field) {
    if (value.is_number())
        return value.dump();
    if (value.is_string())
        return OneLine(value, field);
    Refuse(field, "должно быть числом или строкой с числом");
}

std::string ReadId(const json& doc) {
    if (!doc.contains("id"))
        Refuse("id", "обязательно");
    const std::string& id = Text(doc["id"], "id");
    const bool shaped =
        !id.empty() && id.size() <= kMaxIdChars && std::all_of(id.begin(), id.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   c == '.' || c == '_' || c == '-';
        });
    if (!shaped) {
        Refuse("id", "должно состоять из 1-" + std::to_string(kMaxIdChars) +
                         " знаков A-Z, a-z, 0-9, \".\", \"_\", \"-\"");
    }
    return id;
}

std::string ReadCommandWord(const json& doc) {
    if (!doc.contains("command"))
        Refuse("command", "обязательно");
    const std::string word = OneLine(doc["command"], "command");
    // A comma or a double quote would split the line of cmd.ini into other items.
    if (word.find_first_of(",\"") != std::string::npos)
        Refuse("command", "не должно содержать запятых и кавычек");
    const std::string upper = UpperLatin(word);
    const auto& table = DispatchTable();
    const bool known = std::any_of(table.begin(), table.end(),
                                   [&](const DispatchRow& row) { return RowMatches(row, upper); });
    if (!known)
        Refuse("command", "содержит неизвестную команду \"" + word + "\"");
    return word;
}

void ReadDevice(const json& doc, CommandRequest& r) {
    if (doc.contains("device")) {
        const std::string& name = Text(doc["device"], "device");
        const auto kind = KindFromName(name);
        if (!kind || name.front() == '/')
            Refuse("device", "должно быть \"ATOL\", \"SHTRIH\" или \"EMUL\"");
        r.device = *kind;
    }
    if (doc.contains("logicalDevice")) {
        const int n = Integer(doc["logicalDevice"], "logicalDevice");
        if (!r.device || *r.device == DeviceKind::Emul)
            Refuse("logicalDevice", "указывается только с \"device\": \"ATOL\" или \"SHTRIH\"");
        if (n < 1)
            Refuse("logicalDevice", "должно быть числом от 1");
        r.logicalDevice = n;
    }
    if (doc.contains("printer")) {
        const std::string name = OneLine(doc["printer"], "printer");
        if (!r.device || *r.device != DeviceKind::Emul)
            Refuse("printer", "указывается только с \"device\": \"EMUL\"");
        if (name.find_first_of(",\"") != std::string::npos)
            Refuse("printer", "не должно содержать запятых и кавычек");
        r.printer = name;
    }
}

std::vector<std::string> ReadParam(const json& value) {
    if (!value.is_object())
        Refuse("param", "должно быть объектом {ключ: значение}");
    std::vector<std::string> lines;
    std::vector<std::string> keys;
    for (const auto& item : value.items()) {
        const std::string& key = item.key();
        const std::string field = "param." + key;
        if (key.empty() || key.find('=') != std::string::npos ||
            std::any_of(key.begin(), key.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 32; })) {
            Refuse(field, "не может быть ключом Param.ini");
        }
        // The reader takes the first of two keys that differ in letter case only.
        for (const std::string& other : keys) {
            if (SameNoCase(other, key))
                Refuse(field, "повторяет ключ \"" + other + "\"");
        }
        keys.push_back(key);
        const json& v = item.value();
        std::string text;
        if (v.is_number())
            text = v.dump();
        else if (v.is_string())
            text = OneLine(v, field);
        else
            Refuse(field, "должно быть строкой или числом");
        lines.push_back(key + "=" + text);
    }
    return lines;
}

enum class FieldType { Text, Number, Integer };

struct GoodsField {
    std::string_view name;
    FieldType type;
    int position;  // in the composite line; 0 for the four plain lines
};

// The four lines of a goods line and the twelve fields of its composite line, by name.
const std::vector<GoodsField> kGoodsFields = {
    {"name", FieldType::Text, 0},
    {"quantity", FieldType::Number, 0},
    {"price", FieldType::Number, 0},
    {"vat", FieldType::Integer, 0},
    {"nomenclatureType", FieldType::Integer, 1},
    {"gtin", FieldType::Text, 2},
    {"serialNumber", FieldType::Text, 3},
    {"excise", FieldType::Number, 5},
    {"country", FieldType::Text, 6},
    {"unit", FieldType::Text, 7},
    {"declaration", FieldType::Text, 8},
    {"subject", FieldType::Integer, 9},
    {"requisite", FieldType::Text, 10},
    {"method", FieldType::Integer, 11},
    {"nomenclatureCode", FieldType::Text, 12},
};
constexpr int kCompositeFields = 12;
constexpr int kCompositeNamePosition = 4;

std::string CompositeFieldName(int position) {
    for (const GoodsField& f : kGoodsFields) {
        if (f.position == position)
            return std::string(f.name);
    }
    return "name";
}

void ReadGoodsLine(const json& item, const std::string& where, std::vector<std::string>& lines) {
    if (!item.is_object())
        Refuse(where, "должно быть объектом");
    OnlyKnownFields(item, GoodsFields(), where + ".");

    std::vector<std::string> composite(kCompositeFields);
    bool isComposite = false;
    std::string plain[4];
    for (const GoodsField& f : kGoodsFields) {
        const std::string field = where + "." + std::string(f.name);
        const auto found = item.find(f.name);
        if (found == item.end()) {
            if (f.position == 0)
                Refuse(field, "обязательно");
            continue;
        }
        std::string text;
        switch (f.type) {
            case FieldType::Text:
                text = OneLine(*found, field);
                break;
            case FieldType::Number:
                text = NumberText(*found, field);
                break;
            case FieldType::Integer:
                text = std::to_string(Integer(*found, field));
                break;
        }
        // "##" closes a field of the composite line and opens one at the start of a name.
        if (text.find("##") != std::string::npos)
            Refuse(field, "не должно содержать \"##\"");
        if (f.position == 0) {
            const auto index = static_cast<std::size_t>(&f - kGoodsFields.data());
            plain[index] = text;
        } else {
            composite[static_cast<std::size_t>(f.position - 1)] = text;
            isComposite = true;
        }
    }
    // A blank name line ends the goods list: the goods after it would be dropped unnoticed.
    if (IsBlank(plain[0]))
        Refuse(where + ".name", "не должно быть пустым");
    if (isComposite) {
        composite[kCompositeNamePosition - 1] = plain[0];
        std::string line = "##";
        for (std::size_t i = 0; i < composite.size(); ++i) {
            // "x#" then "##" would read as "x" and a field that starts with "#".
            if (!composite[i].empty() && composite[i].back() == '#')
                Refuse(where + "." + CompositeFieldName(static_cast<int>(i) + 1),
                       "не должно оканчиваться знаком \"#\" в составной строке");
            line += composite[i] + "##";
        }
        plain[0] = line;
    } else if (plain[0].rfind("##", 0) == 0) {
        Refuse(where + ".name", "не должно начинаться с \"##\"");
    }
    lines.insert(lines.end(), plain, plain + 4);
}

std::vector<std::string> ReadGoods(const json& value) {
    if (!value.is_array())
        Refuse("goods", "должно быть массивом");
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < value.size(); ++i)
        ReadGoodsLine(value[i], "goods[" + std::to_string(i) + "]", lines);
    return lines;
}

// An extra line: its caption as a text, or {"caption", "value", "emphasis"}.
std::vector<std::string> ReadExtraLines(const json& value) {
    if (!value.is_array())
        Refuse("extraLines", "должно быть массивом");
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const std::string where = "extraLines[" + std::to_string(i) + "]";
        const json& item = value[i];
        std::string caption;
        std::string text;
        bool emphasis = false;
        if (item.is_string()) {
            caption = OneLine(item, where);
        } else if (item.is_object()) {
            OnlyKnownFields(item, ExtraLineFields(), where + ".");
            if (item.contains("caption"))
                caption = OneLine(item["caption"], where + ".caption");
            if (item.contains("value"))
                text = OneLine(item["value"], where + ".value");
            if (item.contains("emphasis")) {
                if (!item["emphasis"].is_boolean())
                    Refuse(where + ".emphasis", "должно быть true или false");
                emphasis = item["emphasis"].get<bool>();
            }
        } else {
            Refuse(where, "должно быть строкой или объектом");
        }
        lines.push_back(caption);
        lines.push_back(text);
        lines.push_back(emphasis ? "+" : "-");
    }
    return lines;
}

}  // namespace

const std::vector<std::string_view>& RequestFields() {
    static const std::vector<std::string_view> fields = {
        "id",    "command", "device",     "logicalDevice", "printer",
        "param", "goods",   "extraLines", "waitSeconds"};
    return fields;
}

const std::vector<std::string_view>& GoodsFields() {
    static const std::vector<std::string_view> fields = [] {
        std::vector<std::string_view> names;
        for (const GoodsField& f : kGoodsFields)
            names.push_back(f.name);
        return names;
    }();
    return fields;
}

const std::vector<std::string_view>& ExtraLineFields() {
    static const std::vector<std::string_view> fields = {"caption", "value", "emphasis"};
    return fields;
}

CommandRequest ReadCommandRequest(std::string_view body) {
    json doc = Parse(body);
    OnlyKnownFields(doc, RequestFields(), "");
    CommandRequest r;
    r.id = ReadId(doc);
    r.command = ReadCommandWord(doc);
    ReadDevice(doc, r);
    if (doc.contains("param"))
        r.paramLines = ReadParam(doc["param"]);
    if (doc.contains("goods"))
        r.goodsLines = ReadGoods(doc["goods"]);
    if (doc.contains("extraLines"))
        r.extraLines = ReadExtraLines(doc["extraLines"]);
    if (doc.contains("waitSeconds")) {
        const int wait = Integer(doc["waitSeconds"], "waitSeconds");
        if (wait < 0 || wait > kMaxWaitSeconds) {
            Refuse("waitSeconds", "должно быть числом от 0 до " + std::to_string(kMaxWaitSeconds));
        }
        r.waitSeconds = wait;
        doc.erase("waitSeconds");
    }
    r.canonical = doc.dump();
    return r;
}

namespace {

// An item of a long-form line: the line is split at blanks too, so an item holding one (a
// printer "Kassa PDF", "PRINTQRCODE=a b") goes in double quotes. It holds no quote of its own.
std::string LineItem(const std::string& text) {
    const bool blank = std::any_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) <= ' '; });
    return blank ? "\"" + text + "\"" : text;
}

}  // namespace

std::string CommandLineOf(const CommandRequest& request) {
    if (!request.device)
        return request.command;
    const std::string word = LineItem(request.command);
    switch (*request.device) {
        case DeviceKind::Emul:
            return "PRN," + LineItem(request.printer.value_or("")) + "," + word;
        case DeviceKind::Atol:
        case DeviceKind::Shtrih:
        case DeviceKind::None:
            break;
    }
    return KindName(*request.device) + "," + std::to_string(request.logicalDevice.value_or(1)) +
           "," + word;
}

}  // namespace orvenka
