#include "shell/goods_files.h"

#include <optional>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/numbers.h"
#include "common/text.h"
#include "shell/incoming_files.h"

namespace orvenka {
namespace {

const char* const kPrefix = "ReadTovar.ini: ";
constexpr int kCompositeFields = 12;
constexpr long kQuoteChars = 60;  // how much of a bad line a message quotes

std::string Quote(const std::string& text) {
    return "\"" + LeftChars(text, kQuoteChars) + "\"";
}

// A money or quantity number: CleanNumber, then a decimal number; nullopt when it is not one.
std::optional<double> CleanedNumber(const std::string& text) {
    const std::string cleaned = CleanNumber(text);
    if (cleaned.empty())
        return std::nullopt;
    return ParseFloat(cleaned);
}

double ReadGoodsNumber(const std::vector<std::string>& lines, size_t index, const char* what,
                       size_t goodsNumber) {
    const auto value = CleanedNumber(lines[index]);
    if (!value) {
        throw Failure(std::string(kPrefix) + what + " товара №" + std::to_string(goodsNumber) +
                      " (строка " + std::to_string(index + 1) +
                      ") не число: " + Quote(lines[index]));
    }
    return *value;
}

int CompositeInt(const std::string& field, int position, const std::string& line) {
    const auto value = ParseInt(TrimText(field));
    if (!value) {
        throw Failure(std::string(kPrefix) + "поле " + std::to_string(position) +
                      " составной строки должно быть целым числом: " + Quote(field) + " в строке " +
                      Quote(line));
    }
    return *value;
}

void StoreCompositeField(TTovar& goods, int position, const std::string& field,
                         const std::string& line) {
    const bool blank = IsBlank(field);
    switch (position) {
        case 1:
            if (!blank)
                goods.NomenclatureType = CompositeInt(field, position, line);
            break;
        case 2:
            goods.GTIN = TrimText(field);
            break;
        case 3:
            goods.SerialNumber = TrimText(field);
            break;
        case 4:
            goods.Name = TrimText(field);
            break;
        case 5:
            if (!blank) {
                const auto value = CleanedNumber(field);
                if (!value) {
                    throw Failure(std::string(kPrefix) +
                                  "поле 5 (акциз) составной строки не число: " + Quote(field) +
                                  " в строке " + Quote(line));
                }
                goods.Excise1229 = *value;
            }
            break;
        case 6:
            goods.Country1230 = TrimText(field);
            break;
        case 7:
            goods.Unit1197 = TrimText(field);
            break;
        case 8:
            goods.Declaration1231 = TrimText(field);
            break;
        case 9:
            if (!blank)
                goods.Predmet1212 = CompositeInt(field, position, line);
            break;
        case 10:
            goods.Rekvizit1191 = TrimText(field);
            break;
        case 11:
            if (!blank)
                goods.Sposob1214 = CompositeInt(field, position, line);
            break;
        case 12:
            goods.NomenclatureCode1162 = TrimText(field);
            break;
        default:
            break;
    }
}

}  // namespace

void ParseCompositeLine(TTovar& goods) {
    const std::string line = goods.Name;
    if (line.rfind("##", 0) != 0) {
        throw Failure("ReadTovar.ini: Ошибка при разборе начала составной строки с товаром");
    }
    goods.CompositeMark = "##";
    size_t pos = 2;
    for (int position = 1; position <= kCompositeFields && pos < line.size(); ++position) {
        const size_t end = line.find("##", pos);
        if (end == std::string::npos) {
            // Blanks after the last "##" are no field; anything else is a field left open.
            if (IsBlank(std::string_view(line).substr(pos)))
                break;
            throw Failure(std::string(kPrefix) + "последнее поле составной строки не закрыто " +
                          "знаками \"##\": " + Quote(line));
        }
        StoreCompositeField(goods, position, line.substr(pos, end - pos), line);
        pos = end + 2;
    }
}

std::vector<TTovar> ParseTovarLines(const std::vector<std::string>& lines) {
    std::vector<TTovar> goods;
    for (size_t i = 0; i < lines.size() && !IsBlank(lines[i]); i += 4) {
        const size_t number = goods.size() + 1;
        if (number > kMaxGoods) {
            throw Failure(std::string(kPrefix) + "в списке больше " + std::to_string(kMaxGoods) +
                          " товаров: столько строк в один чек не входит");
        }
        if (i + 3 >= lines.size()) {
            throw Failure(std::string(kPrefix) + "товар №" + std::to_string(number) +
                          " неполный: после строки " + std::to_string(i + 1) +
                          " нужны ещё 3 строки (количество, цена, НДС), а их " +
                          std::to_string(lines.size() - i - 1));
        }
        TTovar t;
        t.Name = lines[i];
        if (t.Name.rfind("##", 0) == 0)
            ParseCompositeLine(t);
        t.Kolvo = RoundViaMask(ReadGoodsNumber(lines, i + 1, "Количество", number), 3);
        t.Cena = RoundViaMask(ReadGoodsNumber(lines, i + 2, "Цена", number), 2);
        // Blanks around the rate would otherwise turn 20 % into "no VAT" on a fiscal receipt.
        t.NDS = ReadInt(TrimText(lines[i + 3]), 0);
        if (t.NDS == 20)
            t.NDS = 18;
        goods.push_back(std::move(t));
    }
    return goods;
}

std::vector<TTovar> LoadTovarIni(const std::string& folder, Logger* log) {
    try {
        // One goods line more than a receipt takes is enough to tell there are too many.
        const std::string path = IncomingFilePath(folder, "Tovar.ini");
        InputLines read = LoadInputLines(path, kMaxGoodsFileBytes, 4 * (kMaxGoods + 1));
        if (read.utf8 && log)
            log->LogMessage(Utf8InputMessage(path));
        return ParseTovarLines(read.lines);
    } catch (const Failure& f) {
        const std::string text = f.what();
        if (text.rfind(kPrefix, 0) == 0)
            throw;
        throw Failure(kPrefix + text);
    }
}

void MoveTovarIni(AppContext& ctx) {
    const std::string oldPath = ctx.ExchangePath("Tovar.oldini");
    if (!DeleteFileIfExists(oldPath)) {
        ctx.LogError(std::string(kPrefix) + "не удалось удалить " + oldPath);
    }
    const std::vector<std::string> spellings = SpellingsOf(ctx.ExchangeFolder(), "Tovar.ini");
    if (spellings.size() != 1)
        return;
    const std::string path = ctx.ExchangePath(spellings.front());
    if (FileExists(path)) {
        try {
            RenameFile(path, oldPath);
        } catch (const Failure& f) {
            ctx.LogError(std::string(kPrefix) + f.what());
        }
    }
}

std::vector<TTovar> ReadTovarIni(AppContext& ctx) {
    std::vector<TTovar> goods;
    try {
        goods = LoadTovarIni(ctx.ExchangeFolder(), &ctx.log);
        ctx.param.SummaTovar = GoodsTotal(ctx.param, goods);
    } catch (const Failure& f) {
        ctx.LogError(f.what());
        goods.clear();
    }
    // A goods file is used once: the next receipt needs a new one.
    MoveTovarIni(ctx);
    return goods;
}

std::vector<TDop> ParseDopLines(const std::vector<std::string>& lines) {
    std::vector<TDop> extras;
    for (size_t i = 0; i + 2 < lines.size(); i += 3) {
        extras.push_back({lines[i], lines[i + 1], IsPlus(lines[i + 2])});
    }
    return extras;
}

std::vector<TDop> LoadDopIni(const std::string& folder, Logger* log) {
    const std::string path = IncomingFilePath(folder, "Dop.ini");
    try {
        const InputLines read = LoadInputLines(path, kMaxExtraFileBytes);
        if (read.utf8 && log)
            log->LogMessage(Utf8InputMessage(path));
        return ParseDopLines(read.lines);
    } catch (const FileTooLarge& f) {
        throw Failure("Dop.ini: файл " + path + " слишком велик (" + std::to_string(f.Size()) +
                      " байт, допустимо не более " + std::to_string(f.Limit()) +
                      " байт). Печать чека отменена!");
    } catch (const Failure&) {
        return {};  // no extra lines is a normal receipt
    }
}

std::vector<TDop> ReadDopIni(AppContext& ctx) {
    return LoadDopIni(ctx.ExchangeFolder(), &ctx.log);
}

}  // namespace orvenka
