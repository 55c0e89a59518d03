#include "http/command_request.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <tuple>

#include "common/failure.h"
#include "common/files.h"
#include "common/text.h"
#include "receipt/param_reader.h"
#include "shell/command_parser.h"
#include "shell/goods_files.h"
#include "support/list_logger.h"
#include "support/null_platform.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using test::ListLogger;
using test::NullPlatform;
using test::TempFolder;

auto Fields(const TTovar& t) {
    return std::tie(t.Name, t.Kolvo, t.Cena, t.NDS, t.CompositeMark, t.NomenclatureType, t.GTIN,
                    t.SerialNumber, t.Excise1229, t.Country1230, t.Unit1197, t.Declaration1231,
                    t.Predmet1212, t.Rekvizit1191, t.Sposob1214, t.NomenclatureCode1162);
}

// Param.ini through the real reader, from a file: what it read, or the error lines it wrote.
struct ParamRead {
    bool ok;
    TParam param;
    std::vector<std::string> log;
};
ParamRead ReadParamFile(const std::string& path) {
    ParamRead r{false, {}, {}};
    ListLogger log;
    NullPlatform platform;
    r.ok = ReadParam(path, r.param, log, platform);
    r.log = log.messages;
    return r;
}

const char* const kSaleBody = R"({
  "id": "order-1001.a_1",
  "command": "PRINT",
  "device": "EMUL",
  "param": {"Oplata": "Break", "SNO": "OSN", "BreakSumNAL": 50, "BreakSumVISA": "45,50",
            "DocumStr": "Заказ №1001", "EmailOrTel": "+79990000000", "ECheck": "+"},
  "goods": [
    {"name": "Хлеб «Бородинский»", "quantity": 2, "price": 30.5, "vat": 10},
    {"name": "Сигареты", "quantity": "1", "price": "34.50", "vat": 20,
     "nomenclatureType": 5, "gtin": "04600000000001", "serialNumber": "sn1",
     "excise": 1.5, "country": "643", "unit": "шт", "declaration": "10000000/010120/0000001",
     "subject": 1, "requisite": "доп", "method": 4, "nomenclatureCode": "444D"}
  ],
  "extraLines": ["Спасибо за покупку!", {"caption": "Кассир", "value": "Иванова", "emphasis": true}]
})";

const char* const kSaleParamIni =
    "Oplata=Break\r\nSNO=OSN\r\nBreakSumNAL=50\r\nBreakSumVISA=45,50\r\nDocumStr=Заказ "
    "№1001\r\nEmailOrTel=+79990000000\r\nECheck=+\r\n";
const char* const kSaleTovarIni =
    "Хлеб «Бородинский»\r\n2\r\n30.5\r\n10\r\n"
    "##5##04600000000001##sn1##Сигареты##1.5##643##шт##10000000/010120/0000001##1##доп##4##444D##"
    "\r\n1\r\n34.50\r\n20\r\n";
const char* const kSaleDopIni = "Спасибо за покупку!\r\n\r\n-\r\nКассир\r\nИванова\r\n+\r\n";

// The guarantee of the JSON door: the readers of the files read its lines into the very receipt
// the equivalent files give.
TEST(CommandRequest, GivesTheReceiptOfTheEquivalentFiles) {
    TempFolder dir;
    const CommandRequest r = ReadCommandRequest(kSaleBody);
    ASSERT_TRUE(r.paramLines && r.goodsLines && r.extraLines);

    dir.Write("Param.ini", kSaleParamIni);
    const ParamRead fromFile = ReadParamFile(dir.File("Param.ini"));
    SaveLines(dir.File("Param.ini"), *r.paramLines);
    const ParamRead fromJson = ReadParamFile(dir.File("Param.ini"));
    ASSERT_TRUE(fromFile.ok);
    ASSERT_TRUE(fromJson.ok) << ::testing::PrintToString(fromJson.log);
    EXPECT_EQ(fromJson.param, fromFile.param);
    EXPECT_TRUE(fromJson.param.OplataBreak);
    EXPECT_DOUBLE_EQ(fromJson.param.BreakSumVISA, 45.5);

    dir.Write("Tovar.ini", kSaleTovarIni);
    const std::vector<TTovar> goodsFromFile = LoadTovarIni(dir.Path());
    const std::vector<TTovar> goodsFromJson = ParseTovarLines(*r.goodsLines);
    ASSERT_EQ(goodsFromJson.size(), 2u);
    ASSERT_EQ(goodsFromFile.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(Fields(goodsFromJson[i]), Fields(goodsFromFile[i])) << "goods " << i;
    EXPECT_EQ(goodsFromJson[1].Name, "Сигареты");
    EXPECT_EQ(goodsFromJson[1].NDS, 18);
    EXPECT_EQ(goodsFromJson[1].Sposob1214, 4);

    dir.Write("Dop.ini", kSaleDopIni);
    const std::vector<TDop> extrasFromFile = LoadDopIni(dir.Path());
    const std::vector<TDop> extrasFromJson = ParseDopLines(*r.extraLines);
    ASSERT_EQ(extrasFromJson.size(), 2u);
    ASSERT_EQ(extrasFromFile.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(std::tie(extrasFromJson[i].Caption, extrasFromJson[i].Value,
                           extrasFromJson[i].Emphasis),
                  std::tie(extrasFromFile[i].Caption, extrasFromFile[i].Value,
                           extrasFromFile[i].Emphasis));
    }
    EXPECT_TRUE(extrasFromJson[1].Emphasis);
}

// A receipt the readers refuse is refused with the same text through either door.
TEST(CommandRequest, ReceiptFaultsAreTheFileReadersOwn) {
    TempFolder dir;
    const CommandRequest r = ReadCommandRequest(
        R"({"id":"x","command":"PRINT","param":{"Oplata":"Break","SNO":"УСН"},
            "goods":[{"name":"Хлеб","quantity":"два","price":1,"vat":0}]})");
    dir.Write("Param.ini", "Oplata=Break\r\nSNO=УСН\r\n");
    const ParamRead fromFile = ReadParamFile(dir.File("Param.ini"));
    SaveLines(dir.File("Param.ini"), *r.paramLines);
    const ParamRead fromJson = ReadParamFile(dir.File("Param.ini"));
    EXPECT_FALSE(fromJson.ok);
    EXPECT_FALSE(fromJson.log.empty());
    EXPECT_EQ(fromJson.log, fromFile.log);

    dir.Write("Tovar.ini", "Хлеб\r\nдва\r\n1\r\n0\r\n");
    std::string fileText;
    std::string jsonText;
    try {
        ParseTovarLines(LoadLines(dir.File("Tovar.ini")));
    } catch (const Failure& f) {
        fileText = f.what();
    }
    try {
        ParseTovarLines(*r.goodsLines);
    } catch (const Failure& f) {
        jsonText = f.what();
    }
    EXPECT_NE(jsonText.find("не число"), std::string::npos) << jsonText;
    EXPECT_EQ(jsonText, fileText);
}

// Every text of a composite line reads back as given (trimmed, as the reader takes it), whatever
// "#" or blanks it holds: a field that slipped would put the GTIN where the serial number goes.
TEST(CommandRequest, CompositeFieldsReadBackWhereTheyWereGiven) {
    const std::vector<std::pair<std::string, std::string TTovar::*>> fields = {
        {"name", &TTovar::Name},
        {"gtin", &TTovar::GTIN},
        {"serialNumber", &TTovar::SerialNumber},
        {"country", &TTovar::Country1230},
        {"unit", &TTovar::Unit1197},
        {"declaration", &TTovar::Declaration1231},
        {"requisite", &TTovar::Rekvizit1191},
        {"nomenclatureCode", &TTovar::NomenclatureCode1162},
    };
    for (const std::string value : {"#a", "a#b", " a b ", "Ёж\t1", "#"}) {
        for (const auto& [name, member] : fields) {
            SCOPED_TRACE(name + "=" + value);
            nlohmann::json goods = {{"name", "Товар"}, {"quantity", 1}, {"price", 2},
                                    {"vat", 0},        {"gtin", "G"},   {"method", 4}};
            goods[name] = value;
            const nlohmann::json body = {{"id", "c"}, {"command", "PRINT"}, {"goods", {goods}}};
            if (value == "#") {
                EXPECT_THROW(ReadCommandRequest(body.dump()), Failure);
                continue;
            }
            const std::vector<TTovar> read =
                ParseTovarLines(*ReadCommandRequest(body.dump()).goodsLines);
            ASSERT_EQ(read.size(), 1u);
            EXPECT_EQ(read[0].*member, TrimText(value));
            EXPECT_EQ(read[0].Sposob1214, 4);
            if (name != "gtin") {
                EXPECT_EQ(read[0].GTIN, "G");
            }
        }
    }
}

TEST(CommandRequest, CommandLineOfEachForm) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"id":"a","command":"XOTCHET"})", "XOTCHET"},
        {R"({"id":"a","command":"cashincome=1500.50"})", "cashincome=1500.50"},
        {R"({"id":"a","command":"XOTCHET","device":"ATOL"})", "ATOL,1,XOTCHET"},
        {R"({"id":"a","command":"PRINT","device":"shtrih","logicalDevice":3})", "SHTRIH,3,PRINT"},
        {R"({"id":"a","command":"PRINT","device":"EMUL","printer":"Kassa PDF"})",
         "PRN,\"Kassa PDF\",PRINT"},
        {R"({"id":"a","command":"PRINTQRCODE=t=1 s=2","device":"ATOL"})",
         "ATOL,1,\"PRINTQRCODE=t=1 s=2\""},
        {R"({"id":"a","command":"PRINTQRCODE=t=1 s=2"})", "PRINTQRCODE=t=1 s=2"},
        {R"({"id":"a","command":"PRINT","device":"EMUL"})", "PRN,,PRINT"},
        {R"({"id":"a","command":"PrintDepartmentReport"})", "PrintDepartmentReport"},
    };
    for (const auto& [body, line] : cases) {
        SCOPED_TRACE(body);
        const CommandRequest r = ReadCommandRequest(body);
        EXPECT_EQ(CommandLineOf(r), line);
        // The command loop's own parser reads the line back into what was asked for.
        TDeviceParam device;
        const CommandText cmd = ParseCommandLine(CommandLineOf(r), device, DeviceKind::Shtrih);
        EXPECT_EQ(cmd.original, r.command);
        EXPECT_EQ(device.Kind, r.device.value_or(DeviceKind::Shtrih));
        if (r.device != DeviceKind::Emul) {
            EXPECT_EQ(device.LogicalDevice, r.logicalDevice.value_or(1));
        }
        EXPECT_EQ(device.PrinterName, r.printer.value_or(""));
        EXPECT_EQ(r.id, "a");
        EXPECT_EQ(r.waitSeconds, kDefaultWaitSeconds);
        EXPECT_FALSE(r.paramLines || r.goodsLines || r.extraLines);
    }
}

TEST(CommandRequest, CanonicalTextIgnoresSpellingAndWait) {
    const CommandRequest a = ReadCommandRequest(
        R"({"id":"k1","command":"PRINT","goods":[{"name":"A","quantity":1,"price":2,"vat":0}]})");
    const CommandRequest b = ReadCommandRequest(R"(  { "waitSeconds": 5, "goods" : [ {"vat":0,
        "price":2, "quantity":1, "name":"A"} ], "command":"PRINT", "id":"k1" } )");
    const CommandRequest c = ReadCommandRequest(
        R"({"id":"k1","command":"PRINT","goods":[{"name":"A","quantity":1,"price":3,"vat":0}]})");
    EXPECT_EQ(a.canonical, b.canonical);
    EXPECT_EQ(b.waitSeconds, 5);
    EXPECT_NE(a.canonical, c.canonical);
}

struct Bad {
    std::string body;
    std::string names;  // what the text must name
};

TEST(CommandRequest, RefusedWithATextNamingTheField) {
    const std::string goods = R"("goods":[{"name":"A","quantity":1,"price":2,"vat":0)";
    const std::vector<Bad> cases = {
        {R"({"id":"a","command":"PRINT")", "правильным JSON"},
        {R"(["id"])", "объектом JSON"},
        {"{\"id\":\"a\",\"command\":\"PRINT\",\"x\":\"\xC0\xC1\"}", "правильным JSON"},
        {R"({"command":"PRINT"})", "\"id\" обязательно"},
        {R"({"id":"","command":"PRINT"})", "\"id\""},
        {R"({"id":"заказ","command":"PRINT"})", "\"id\""},
        {R"({"id":"a b","command":"PRINT"})", "\"id\""},
        {R"({"id":")" + std::string(65, 'x') + R"(","command":"PRINT"})", "\"id\""},
        {R"({"id":7,"command":"PRINT"})", "\"id\" должно быть строкой"},
        {R"({"id":"a","id":"b","command":"PRINT"})", "\"id\" указано дважды"},
        {R"({"id":"a"})", "\"command\" обязательно"},
        {R"({"id":"a","command":"PRINT "})", "неизвестную команду \"PRINT \""},
        {R"({"id":"a","command":"PRINTTXTFI"})", "\"command\""},
        {R"({"id":"a","command":"ATOL,1,PRINT"})", "запятых"},
        {R"({"id":"a","command":"PRINT\nXOTCHET"})", "перевода строки"},
        {R"({"id":"a","command":"PRINT","comand":"PRINT"})", "\"comand\" неизвестно"},
        {R"({"id":"a","command":"PRINT","device":"/EMUL"})", "\"device\""},
        {R"({"id":"a","command":"PRINT","device":"PRN"})", "\"device\""},
        {R"({"id":"a","command":"PRINT","logicalDevice":2})", "\"logicalDevice\""},
        {R"({"id":"a","command":"PRINT","device":"ATOL","logicalDevice":0})", "\"logicalDevice\""},
        {R"({"id":"a","command":"PRINT","device":"ATOL","logicalDevice":1.5})",
         "\"logicalDevice\" должно быть целым"},
        {R"({"id":"a","command":"PRINT","device":"ATOL","logicalDevice":4294967297})",
         "\"logicalDevice\" должно быть целым"},
        {R"({"id":"a","command":"PRINT","device":"ATOL","printer":"p"})", "\"printer\""},
        {R"({"id":"a","command":"PRINT","device":"EMUL","printer":"a,b"})", "\"printer\""},
        {R"({"id":"a","command":"PRINT","param":[]})", "\"param\""},
        {R"({"id":"a","command":"PRINT","param":{"SNO":true}})", "\"param.SNO\""},
        {R"({"id":"a","command":"PRINT","param":{"SNO":null}})", "\"param.SNO\""},
        {R"({"id":"a","command":"PRINT","param":{"SNO":"OSN\r\nOplata=Break"}})",
         "\"param.SNO\" не должно содержать перевода строки"},
        {R"({"id":"a","command":"PRINT","param":{"A=B":"1"}})", "\"param.A=B\""},
        {R"({"id":"a","command":"PRINT","param":{"":"1"}})", "\"param.\""},
        {R"({"id":"a","command":"PRINT","param":{"SNO":"OSN","sno":"DOH"}})", "повторяет"},
        {R"({"id":"a","command":"PRINT","goods":{}})", "\"goods\" должно быть массивом"},
        {R"({"id":"a","command":"PRINT","goods":["A"]})", "\"goods[0]\""},
        {R"({"id":"a","command":"PRINT",)" + goods + R"(,"colour":"red"}]})",
         "\"goods[0].colour\" неизвестно"},
        {R"({"id":"a","command":"PRINT","goods":[{"name":"A","price":2,"vat":0}]})",
         "\"goods[0].quantity\" обязательно"},
        {R"({"id":"a","command":"PRINT","goods":[{"name":"A","quantity":1,"price":2}]})",
         "\"goods[0].vat\" обязательно"},
        {R"({"id":"a","command":"PRINT",)" + goods +
             R"(},{"name":" ","quantity":1,"price":2,"vat":0}]})",
         "\"goods[1].name\" не должно быть пустым"},
        {R"({"id":"a","command":"PRINT","goods":[{"name":"##5##","quantity":1,"price":2,"vat":0}]})",
         "\"goods[0].name\""},
        {R"({"id":"a","command":"PRINT",)" + goods + R"(,"gtin":"04##6"}]})",
         "\"goods[0].gtin\" не должно содержать \"##\""},
        {R"({"id":"a","command":"PRINT",)" + goods + R"(,"gtin":"046#"}]})",
         "\"goods[0].gtin\" не должно оканчиваться"},
        {R"({"id":"a","command":"PRINT","goods":[{"name":"Сок #","quantity":1,"price":2,"vat":0,"unit":"шт"}]})",
         "\"goods[0].name\" не должно оканчиваться"},
        {R"({"id":"a","command":"PRINT","goods":[{"name":"A","quantity":true,"price":2,"vat":0}]})",
         "\"goods[0].quantity\" должно быть числом"},
        {R"({"id":"a","command":"PRINT","goods":[{"name":"A","quantity":1,"price":2,"vat":"20"}]})",
         "\"goods[0].vat\" должно быть целым"},
        {R"({"id":"a","command":"PRINT",)" + goods + R"(,"method":"4"}]})",
         "\"goods[0].method\" должно быть целым"},
        {R"({"id":"a","command":"PRINT","extraLines":"x"})", "\"extraLines\""},
        {R"({"id":"a","command":"PRINT","extraLines":[1]})", "\"extraLines[0]\""},
        {R"({"id":"a","command":"PRINT","extraLines":[{"text":"x"}]})",
         "\"extraLines[0].text\" неизвестно"},
        {R"({"id":"a","command":"PRINT","extraLines":[{"emphasis":"+"}]})",
         "\"extraLines[0].emphasis\""},
        {R"({"id":"a","command":"PRINT","extraLines":["a\rb"]})", "\"extraLines[0]\""},
        {R"({"id":"a","command":"PRINT","waitSeconds":-1})", "\"waitSeconds\""},
        {R"({"id":"a","command":"PRINT","waitSeconds":"5"})", "\"waitSeconds\""},
        {std::string(40, '[') + std::string(40, ']'), "вложенность"},
        {R"({"id":"a","command":"PRINT","param":{"SUMMADOC":1e400}})", "вне допустимых"},
        {R"({"id":"a","command":"PRINT","goods":[{"name":"A","quantity":-1e999,"price":2,"vat":0}]})",
         "вне допустимых"},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.body);
        try {
            ReadCommandRequest(c.body);
            ADD_FAILURE() << "accepted";
        } catch (const Failure& f) {
            EXPECT_NE(std::string(f.what()).find(c.names), std::string::npos) << f.what();
        }
    }
}

TEST(CommandRequest, BodyBeyondTheLimitIsRefusedUnread) {
    std::string body = R"({"id":"a","command":"PRINT","extraLines":[")";
    body += std::string(kMaxRequestBytes, 'x');
    body += "\"]}";
    try {
        ReadCommandRequest(body);
        FAIL() << "accepted";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find(std::to_string(kMaxRequestBytes)), std::string::npos)
            << f.what();
    }
    // Just under the limit is a request like any other.
    std::string near = R"({"id":"a","command":"PRINT","extraLines":[")";
    near += std::string(kMaxRequestBytes - near.size() - 3, 'x');
    near += "\"]}";
    ASSERT_EQ(near.size(), kMaxRequestBytes);
    EXPECT_EQ(ReadCommandRequest(near).extraLines->size(), 3u);
}

}  // namespace
}  // namespace orvenka
