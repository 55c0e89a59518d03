#include "drivers/sim/shtrih_sim.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/failure.h"
#include "common/numbers.h"
#include "common/text.h"
#include "drivers/shtrih_passwords.h"
#include "drivers/sim/shtrih_sim_codes.h"

namespace orvenka {

using namespace shtrih_sim;

namespace {

constexpr int kPictureLines = 200;
constexpr int kPictureBytes = 40;  // 320 dots

std::string Hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (const uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

std::optional<Bytes> FromHex(std::string_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    Bytes bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int value = 0;
        for (size_t k = i; k < i + 2; ++k) {
            const char c = hex[k];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
        }
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return bytes;
}

}  // namespace

ShtrihSimulator::ShtrihSimulator(const DriverEnvironment& env)
    : SimulatedObject(kProgId, kFileStem, "ККМ Штрих-М", env),
      picture_(kPictureLines),
      pictureFile_(env.folder + kFileStem + ".picture.txt", env.log) {
    Load();
    DefineProperties();
    DefineStatusMethods();
    DefineTableMethods();
    DefineTextMethods();
    DefineReceiptMethods();
    DefineTagMethods();
    DefineReportMethods();
    DefinePictureMethods();
}

ShtrihSimulator::~ShtrihSimulator() {
    // The picture memory is written once, when the driver object goes (after each command):
    // loading 200 lines must not write the file 200 times.
    if (!pictureChanged_)
        return;
    try {
        for (int y = 0; y < kPictureLines; ++y)
            pictureFile_.Set("LINE" + std::to_string(y), Hex(picture_[static_cast<size_t>(y)]));
        pictureFile_.Save();
    } catch (const Failure& f) {
        env_.log.LogMessage(std::string(kProgId) + ": память картинок не сохранена: " + f.what());
    }
}

void ShtrihSimulator::Load() {
    if (state_.Int("DOC_OPEN", 0) == 1) {
        Document d;
        d.correction = state_.Int("DOC_CORRECTION", 0) == 1;
        d.type = std::clamp<int>(static_cast<int>(state_.Int("DOC_TYPE", 0)), 0, 3);
        d.restored = true;
        doc_ = d;
    }
    for (int y = 0; y < kPictureLines; ++y) {
        const auto bytes = FromHex(pictureFile_.Text("LINE" + std::to_string(y)));
        if (bytes && bytes->size() <= kPictureBytes)
            picture_[static_cast<size_t>(y)] = *bytes;
    }
}

void ShtrihSimulator::Save() {
    state_.Set("DOC_OPEN", doc_ ? 1 : 0);
    state_.Set("DOC_CORRECTION", doc_ && doc_->correction ? 1 : 0);
    state_.Set("DOC_TYPE", doc_ ? doc_->type : 0);
    state_.Save();
}

void ShtrihSimulator::DefineProperties() {
    DefineProperty("Password", kShtrihAdministratorPassword);
    DefineProperty("ResultCode", 0);
    DefineProperty("ResultCodeDescription", "Ошибок нет");
    DefineProperty("ECRMode", 0);
    DefineProperty("ECRAdvancedMode", 0);
    DefineProperty("ECRModeDescription", "");
    DefineProperty("Date", Variant::DateTime(std::floor(Now())));
    DefineProperty("Time", Variant::DateTime(Now() - std::floor(Now())));
    for (const char* name : {"LDNumber",
                             "LDCount",
                             "LDIndex",
                             "LDComNumber",
                             "TableNumber",
                             "RowNumber",
                             "FieldNumber",
                             "ValueOfFieldInteger",
                             "FieldSize",
                             "FontType",
                             "PrintWidth",
                             "CharWidth",
                             "CharHeight",
                             "FontCount",
                             "DrawerNumber",
                             "CheckType",
                             "Department",
                             "Tax1",
                             "Tax2",
                             "Tax3",
                             "Tax4",
                             "PaymentItemSign",
                             "PaymentTypeSign",
                             "MarkingType",
                             "TaxType",
                             "TagNumber",
                             "TagType",
                             "TagValueInt",
                             "TagValueLength",
                             "TagID",
                             "CorrectionType",
                             "CalculationSign",
                             "DocumentNumber",
                             "RegistrationNumber",
                             "FreeRegistration",
                             "LineNumber",
                             "FirstLineNumber",
                             "LastLineNumber",
                             "BlockType",
                             "BlockNumber",
                             "BarcodeType",
                             "BarcodeDataLength",
                             "BarcodeStartBlockNumber",
                             "BarcodeParameter1",
                             "BarcodeParameter2",
                             "BarcodeParameter3",
                             "BarcodeParameter4",
                             "BarcodeParameter5",
                             "BarcodeAlignment"}) {
        DefineProperty(name, 0);
    }
    for (const char* name :
         {"LDName", "ValueOfFieldString", "FieldName", "StringForPrinting", "GTIN", "SerialNumber",
          "CustomerEmail", "TagValueStr", "BlockDataHex"}) {
        DefineProperty(name, "");
    }
    for (const char* name : {"UseReceiptRibbon", "UseJournalRibbon", "CutType", "Summ1Enabled",
                             "TaxValueEnabled", "FieldType"}) {
        DefineProperty(name, false);
    }
    for (const char* name : {"quantity", "Price", "DiscountValue", "ChargeValue", "RoundingSumm",
                             "DiscountOnCheck", "MINValueOfField", "MAXValueOfField"}) {
        DefineProperty(name, 0.0);
    }
    for (int i = 1; i <= 16; ++i)
        DefineProperty("Summ" + std::to_string(i), 0.0);
    for (int i = 1; i <= 6; ++i)
        DefineProperty("Tax" + std::to_string(i) + "Value", 0.0);
    DefineProperty("TagValueDateTime", Variant::DateTime(0));
    DefineProperty("LineData", Bytes{});
}

void ShtrihSimulator::Method(std::string_view name, unsigned needs, Body body) {
    DefineMethod(name, [this, needs, body = std::move(body)](const std::vector<Variant>&) {
        if (stuck_)
            return Variant(Answer(kPrinting));
        const int64_t password = Int("Password");
        if ((needs & kNeedAdministrator) && !IsAdministrator(password))
            return Variant(Answer(kWrongPassword));
        if ((needs & kNeedPassword) && !IsPassword(password))
            return Variant(Answer(kWrongPassword));
        if (needs & kNeedPrinter) {
            if (faults_.paperOut)
                return Variant(Answer(kNoPaper));
            if (state_.Int("ADVANCED_MODE", 0) == 3)
                return Variant(Answer(kAwaitingContinue));
            if (state_.Int("DATE_CONFIRM", 0) == 1)
                return Variant(Answer(kConfirmDate));
        }
        if ((needs & kNeedNoDocument) && doc_)
            return Variant(Answer(kDocumentOpen));
        if ((needs & kNeedDocument) && !doc_)
            return Variant(Answer(kNotInThisMode, "документ не открыт"));
        return Variant(body());
    });
}

int ShtrihSimulator::Answer(int code, const std::string& detail) {
    Value("ResultCode") = code;
    std::string text = Describe(code);
    if (!detail.empty())
        text += ": " + detail;
    Value("ResultCodeDescription") = text;
    return code;
}

Variant ShtrihSimulator::AnswerFault(std::string_view, const SimFault& fault) {
    Value("ResultCode") = fault.code;
    Value("ResultCodeDescription") =
        fault.description.empty() ? Describe(fault.code) : fault.description;
    return fault.code;
}

bool ShtrihSimulator::IsAdministrator(int64_t password) const {
    return password == ReadInt(FieldValue(2, 30, 1), -1) ||
           password == ReadInt(FieldValue(2, 29, 1), -1);
}

bool ShtrihSimulator::IsPassword(int64_t password) const {
    // Every call asks; table 2 changes only by WriteTable, which forgets this list.
    if (passwords_.empty()) {
        for (int row = 1; row <= RowsOf(2); ++row)
            passwords_.push_back(ReadInt(FieldValue(2, row, 1), -1));
    }
    return std::find(passwords_.begin(), passwords_.end(), password) != passwords_.end();
}

bool ShtrihSimulator::ShiftExpired() const {
    return state_.Int("SHIFT_OPEN", 0) == 1 && Now() - state_.Float("SHIFT_OPENED", Now()) > 1.0;
}

int ShtrihSimulator::Mode() const {
    if (doc_)
        return kModeDocument;
    if (state_.Int("DATE_CONFIRM", 0) == 1)
        return kModeConfirmDate;
    if (state_.Int("SHIFT_OPEN", 0) != 1)
        return kModeShiftClosed;
    return ShiftExpired() ? kModeShiftExpired : kModeShiftOpen;
}

std::vector<int> ShtrihSimulator::LogicalDevices() const {
    std::vector<int> numbers;
    for (const std::string& item : SplitText(state_.Text("LD_NUMBERS", "1"), ',')) {
        const auto n = ParseInt(TrimText(item));
        if (n && *n > 0 && std::find(numbers.begin(), numbers.end(), *n) == numbers.end())
            numbers.push_back(*n);
    }
    if (numbers.empty())
        numbers.push_back(1);
    return numbers;
}

void ShtrihSimulator::DefineStatusMethods() {
    Method("GetECRStatus", kNeedPassword, [this] {
        Value("ECRMode") = Mode();
        Value("ECRAdvancedMode") =
            faults_.paperOut ? 2 : static_cast<int>(state_.Int("ADVANCED_MODE", 0));
        Value("ECRModeDescription") = ModeText(Mode());
        const TDateTime now = Now();
        Value("Date") = Variant::DateTime(std::floor(now));
        Value("Time") = Variant::DateTime(now - std::floor(now));
        return Answer(kOk);
    });
    Method("ContinuePrint", kNeedPassword, [this] {
        if (state_.Int("ADVANCED_MODE", 0) != 3)
            return Answer(kNotInThisMode, "печать не прерывалась");
        state_.Set("ADVANCED_MODE", 0);
        Save();
        PrintText("(печать продолжена после замены ленты)");
        return Answer(kOk);
    });
    Method("ConfirmDate", kNeedPassword, [this] {
        if (state_.Int("DATE_CONFIRM", 0) != 1)
            return Answer(kNotInThisMode, "дата не ждет подтверждения");
        state_.Set("DATE_CONFIRM", 0);
        Save();
        return Answer(kOk);
    });
    Method("SysAdminCancelCheck", kNeedAdministrator, [this] {
        if (Int("Password") != ReadInt(FieldValue(2, 30, 1), -1))
            return Answer(kWrongPassword);
        if (!doc_)
            return Answer(kNotInThisMode, "нет открытого документа");
        std::vector<std::string> lines = doc_->tape;
        if (doc_->restored)
            lines.push_back("(документ был открыт до перезапуска программы)");
        lines.push_back("**** ЧЕК АННУЛИРОВАН ****");
        doc_.reset();
        Save();
        PrintDocument("АННУЛИРОВАНИЕ ДОКУМЕНТА", lines, 0, false);
        return Answer(kOk);
    });
    Method("Beep", kNeedPassword, [this] { return Answer(kOk); });
    Method("ShowProperties", 0, [this] {
        env_.log.LogMessage(std::string(kProgId) +
                            ": у симулятора нет окна настроек драйвера; его состояние — в файле " +
                            std::string(kFileStem) + ".state.ini");
        return Answer(kOk);
    });

    Method("GetActiveLD", 0, [this] {
        const auto numbers = LogicalDevices();
        int active = static_cast<int>(state_.Int("ACTIVE_LD", numbers.front()));
        if (std::find(numbers.begin(), numbers.end(), active) == numbers.end())
            active = numbers.front();
        Value("LDNumber") = active;
        return Answer(kOk);
    });
    Method("SetActiveLD", 0, [this] {
        const auto numbers = LogicalDevices();
        const int wanted = static_cast<int>(Int("LDNumber"));
        if (std::find(numbers.begin(), numbers.end(), wanted) == numbers.end())
            return Answer(kNoLogicalDevice, "номер " + std::to_string(wanted));
        state_.Set("ACTIVE_LD", wanted);
        Save();
        return Answer(kOk);
    });
    Method("GetCountLD", 0, [this] {
        Value("LDCount") = static_cast<int>(LogicalDevices().size());
        return Answer(kOk);
    });
    Method("EnumLD", 0, [this] {
        const auto numbers = LogicalDevices();
        const int64_t index = Int("LDIndex");
        if (index < 0 || index >= static_cast<int64_t>(numbers.size()))
            return Answer(kNoLogicalDevice, "индекс " + std::to_string(index));
        const int number = numbers[static_cast<size_t>(index)];
        Value("LDNumber") = number;
        Value("LDName") = state_.Text("LD" + std::to_string(number) + "_NAME",
                                      "Штрих-М симулятор " + std::to_string(number));
        Value("LDComNumber") = number;
        return Answer(kOk);
    });

    Method("FNGetStatus", kNeedPassword, [this] {
        Value("DocumentNumber") = static_cast<int>(state_.Int("DOC_NUMBER", 0));
        return Answer(kOk);
    });
    Method("FNGetExpirationTime", kNeedPassword, [this] {
        TDateTime expiry = state_.Float("FN_EXPIRY", 0);
        if (expiry <= 0) {  // a new storage lasts about 15 months from its first use
            expiry = std::floor(Now()) + 456;
            state_.SetFloat("FN_EXPIRY", expiry);
            Save();
        }
        Value("Date") = Variant::DateTime(expiry);
        Value("RegistrationNumber") = static_cast<int>(state_.Int("REGISTRATIONS", 1));
        Value("FreeRegistration") = static_cast<int>(state_.Int("FREE_REGISTRATIONS", 11));
        return Answer(kOk);
    });
    Method("WaitForPrinting", 0, [this] { return Answer(kOk); });
}

// --- tables --------------------------------------------------------------------------------

std::optional<ShtrihSimulator::Field> ShtrihSimulator::FindField(int table, int field) const {
    switch (table) {
        case 2:  // passwords and names of cashiers and administrators
            if (field == 1)
                return Field{false, 4, false, "Пароль"};
            if (field == 2)
                return Field{true, 21, false, "Имя"};
            break;
        case 17:  // regional settings
            if (field == 7)
                return Field{false, 1, false, "Не печатать документ (электронный чек)"};
            break;
        case 18:  // fiscal storage
            if (field == 5)
                return Field{false, 1, false, "Система налогообложения"};
            break;
        case 20:  // exchange with the fiscal data operator
            if (field == 3)
                return Field{false, 2, true, "Количество неотправленных ФД"};
            if (field == 4)
                return Field{false, 4, true, "Номер первого неотправленного ФД"};
            if (field == 5)
                return Field{true, 19, true, "Дата и время первого неотправленного ФД"};
            if (field >= 8 && field <= 17)
                return Field{true, 64, true, "Состояние обмена " + std::to_string(field)};
            break;
        default:
            break;
    }
    return std::nullopt;
}

int ShtrihSimulator::RowsOf(int table) const {
    return table == 2 ? 30 : 1;
}

std::string ShtrihSimulator::FieldKey(int table, int row, int field) const {
    return "T" + std::to_string(table) + "." + std::to_string(row) + "." + std::to_string(field);
}

std::string ShtrihSimulator::FieldValue(int table, int row, int field) const {
    const std::string stored = state_.Text(FieldKey(table, row, field), "\x01");
    if (stored != "\x01")
        return stored;
    const bool offline = state_.Int("OFD_OFFLINE", 0) == 1;
    const int64_t unsent = state_.Int("UNSENT_FD", 0);
    switch (table) {
        case 2:
            if (field == 1) {
                return std::to_string(row == 30  ? kShtrihAdministratorPassword
                                      : row == 1 ? kShtrihOperatorPassword
                                                 : row);
            }
            return row == 30   ? "СИС.АДМИНИСТРАТОР"
                   : row == 29 ? "АДМИНИСТРАТОР"
                               : "КАССИР " + std::to_string(row);
        case 17:
            return "0";
        case 18:
            return "1";  // ОСН
        case 20:
            switch (field) {
                case 3:
                    return std::to_string(unsent);
                case 4:
                    return std::to_string(unsent ? state_.Int("FIRST_UNSENT_FD", 0) : 0);
                case 5:
                    return unsent ? FormatDateTime(state_.Float("FIRST_UNSENT_TIME", 0))
                                  : "00.00.0000 00:00:00";
                case 8:
                    return std::string("Транспортное соединение: ") +
                           (offline ? "нет (симулятор)" : "есть (симулятор)");
                case 9:
                    return std::string("Есть сообщение для ОФД: ") + (unsent ? "да" : "нет");
                case 10:
                    return "Ожидание ответа от ОФД: нет";
                case 11:
                    return "Есть команда от ОФД: нет";
                case 12:
                    return "Изменились настройки соединения с ОФД: нет";
                case 13:
                    return "Ожидание ответа на команду от ОФД: нет";
                case 14:
                    return "ОФД: симулятор, данные никуда не передаются";
                case 15:
                    return "Последний переданный ФД: " +
                           std::to_string(state_.Int("DOC_NUMBER", 0) - unsent);
                case 16:
                    return "Неотправленных ФД: " + std::to_string(unsent);
                case 17:
                    return "Режим: симулятор";
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return {};
}

int ShtrihSimulator::Locate(Place& at, bool withRow) {
    at.table = static_cast<int>(Int("TableNumber"));
    at.row = static_cast<int>(Int("RowNumber"));
    at.field = static_cast<int>(Int("FieldNumber"));
    const auto field = FindField(at.table, at.field);
    if (!field) {
        return Answer(kNoTable,
                      "таблица " + std::to_string(at.table) + ", поле " + std::to_string(at.field));
    }
    at.f = *field;
    if (withRow && (at.row < 1 || at.row > RowsOf(at.table)))
        return Answer(kBadParameter, "ряд " + std::to_string(at.row));
    return kOk;
}

void ShtrihSimulator::DefineTableMethods() {
    Method("GetFieldStruct", kNeedPassword, [this] {
        Place at;
        if (const int refused = Locate(at, false))
            return refused;
        Value("FieldType") = at.f.text;
        Value("FieldSize") = at.f.size;
        Value("FieldName") = at.f.name;
        Value("MINValueOfField") = 0.0;
        Value("MAXValueOfField") = at.f.text ? 0.0 : std::pow(256.0, at.f.size) - 1;
        return Answer(kOk);
    });
    Method("ReadTable", kNeedPassword, [this] {
        Place at;
        if (const int refused = Locate(at, true))
            return refused;
        const std::string value = FieldValue(at.table, at.row, at.field);
        Value("ValueOfFieldString") = value;
        Value("ValueOfFieldInteger") = at.f.text ? 0 : ReadInt(value, 0);
        return Answer(kOk);
    });
    Method("WriteTable", kNeedAdministrator, [this] {
        Place at;
        if (const int refused = Locate(at, true))
            return refused;
        if (at.f.readOnly)
            return Answer(kBadParameter, "поле только для чтения");
        std::string value;
        if (at.f.text) {
            value = LeftChars(Text("ValueOfFieldString"), at.f.size);
        } else {
            const int64_t n = Int("ValueOfFieldInteger");
            if (n < 0 || n > static_cast<int64_t>(std::pow(256.0, at.f.size)) - 1)
                return Answer(kBadParameter, "значение " + std::to_string(n));
            value = std::to_string(n);
        }
        // An unchanged value costs no write of the state file.
        if (FieldValue(at.table, at.row, at.field) != value) {
            state_.Set(FieldKey(at.table, at.row, at.field), value);
            Save();
            passwords_.clear();
        }
        return Answer(kOk);
    });
}

// --- text and paper ------------------------------------------------------------------------

void ShtrihSimulator::PrintText(const std::string& line) {
    if (doc_) {
        doc_->tape.push_back(line);
        return;
    }
    if (!textBlock_) {
        tape_.BeginDocument("ТЕКСТ");
        textBlock_ = true;
    }
    tape_.Line(line);
}

void ShtrihSimulator::DefineTextMethods() {
    Method("GetFontMetrics", kNeedPassword, [this] {
        const int64_t font = Int("FontType");
        if (font < 1 || font > 7)
            return Answer(kBadParameter, "шрифт " + std::to_string(font));
        const int charWidth = font == 2 ? 24 : font == 1 ? 12 : 10 + static_cast<int>(font);
        Value("PrintWidth") = 576;
        Value("CharWidth") = charWidth;
        Value("CharHeight") = 2 * charWidth;
        Value("FontCount") = 7;
        return Answer(kOk);
    });
    for (const bool wide : {false, true}) {
        Method(wide ? "PrintWideString" : "PrintString", kNeedPassword | kNeedPrinter,
               [this, wide] {
                   if (!Value("UseReceiptRibbon").ToBool() && !Value("UseJournalRibbon").ToBool())
                       return Answer(kBadParameter, "не выбрана лента");
                   std::string text = Text("StringForPrinting");
                   if (wide) {  // double width: what a person sees on paper
                       std::string spaced;
                       for (const char32_t c : ToU32(text)) {
                           if (!spaced.empty())
                               spaced += ' ';
                           spaced += FromU32(std::u32string(1, c));
                       }
                       text = spaced;
                   }
                   PrintText(text);
                   return Answer(kOk);
               });
    }
    Method("CutCheck", kNeedPassword | kNeedPrinter, [this] {
        PrintText("------------------------ отрез ------------------------");
        if (!doc_)
            textBlock_ = false;
        return Answer(kOk);
    });
    Method("OpenDrawer", kNeedPassword, [this] {
        const int64_t drawer = Int("DrawerNumber");
        if (drawer < 0 || drawer > 1)
            return Answer(kBadParameter, "ящик " + std::to_string(drawer));
        PrintText("(открыт денежный ящик " + std::to_string(drawer) + ")");
        return Answer(kOk);
    });
}

// --- pictures and 2D barcodes --------------------------------------------------------------

void ShtrihSimulator::DefinePictureMethods() {
    Method("LoadLineData", kNeedPassword, [this] {
        const int64_t line = Int("LineNumber");
        if (line < 0 || line >= kPictureLines)
            return Answer(kBadParameter, "строка " + std::to_string(line));
        const Bytes data = Value("LineData").ToBytes();
        if (data.size() > kPictureBytes)
            return Answer(kBadParameter,
                          "в строке больше " + std::to_string(kPictureBytes) + " байт");
        picture_[static_cast<size_t>(line)] = data;
        pictureChanged_ = true;
        return Answer(kOk);
    });
    Method("Draw", kNeedPassword | kNeedPrinter, [this] {
        const int64_t first = Int("FirstLineNumber");
        const int64_t last = Int("LastLineNumber");
        if (first < 0 || last >= kPictureLines || first > last)
            return Answer(kBadParameter,
                          "строки " + std::to_string(first) + "-" + std::to_string(last));
        // Every fourth raster line, a character for each 8 dots: enough to recognise it.
        PrintText("(картинка, строки " + std::to_string(first) + "-" + std::to_string(last) + ")");
        for (int64_t y = first; y <= last; y += 4) {
            const Bytes& row = picture_[static_cast<size_t>(y)];
            std::string art;
            for (size_t k = 0; k < kPictureBytes; ++k)
                art += k < row.size() && row[k] != 0 ? '#' : '.';
            PrintText(art);
        }
        return Answer(kOk);
    });
    Method("LoadBlockData", kNeedPassword, [this] {
        const int64_t number = Int("BlockNumber");
        const auto data = FromHex(Text("BlockDataHex"));
        if (Int("BlockType") != 0 || number < 0 || number > 127)
            return Answer(kBadParameter, "блок " + std::to_string(number));
        if (!data || data->size() > 64)
            return Answer(kBadParameter, "BlockDataHex не является блоком до 64 байт в hex");
        blocks_[static_cast<int>(number)] = *data;
        return Answer(kOk);
    });
    Method("Print2DBarcode", kNeedPassword | kNeedPrinter, [this] {
        const int64_t length = Int("BarcodeDataLength");
        int64_t block = Int("BarcodeStartBlockNumber");
        Bytes data;
        while (static_cast<int64_t>(data.size()) < length) {
            const auto it = blocks_.find(static_cast<int>(block++));
            if (it == blocks_.end())
                return Answer(kNoData, "не загружены данные штрихкода");
            data.insert(data.end(), it->second.begin(), it->second.end());
        }
        if (length <= 0)
            return Answer(kBadParameter, "длина данных " + std::to_string(length));
        data.resize(static_cast<size_t>(length));
        const std::string text(data.begin(), data.end());
        const char* kind = Int("BarcodeType") == 3 ? "QR-код" : "2D-штрихкод";
        PrintText(std::string("[") + kind + ": " + text + "]");
        return Answer(kOk);
    });
}

void RegisterShtrihSimulator(DriverFactory& factory) {
    factory.Register(ShtrihSimulator::kProgId, [](const DriverEnvironment& env) {
        return std::make_unique<ShtrihSimulator>(env);
    });
}

}  // namespace orvenka
