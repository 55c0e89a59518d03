#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "common/files.h"
#include "http/command_answer.h"
#include "http/command_request.h"
#include "receipt/param_reader.h"
#include "shell/dispatch.h"
#include "shell/goods_files.h"
#include "support/list_logger.h"
#include "support/null_platform.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using nlohmann::json;

json Document() {
    std::ifstream in(std::string(ORVENKA_SOURCE_DIR) + "/docs/openapi.json");
    std::stringstream text;
    text << in.rdbuf();
    return json::parse(text.str());
}

std::set<std::string> Properties(const json& doc, const std::string& schema) {
    std::set<std::string> names;
    for (const auto& item : doc["components"]["schemas"][schema]["properties"].items())
        names.insert(item.key());
    return names;
}

std::set<std::string> Names(const std::vector<std::string_view>& fields) {
    return {fields.begin(), fields.end()};
}

// The document integrators read names exactly the fields the reader takes, and refuses others
// as the reader does.
TEST(OpenApiDocument, NamesEveryFieldTheReaderTakes) {
    const json doc = Document();
    EXPECT_EQ(doc["openapi"].get<std::string>().substr(0, 2), "3.");
    EXPECT_EQ(Properties(doc, "CommandRequest"), Names(RequestFields()));
    EXPECT_EQ(Properties(doc, "Goods"), Names(GoodsFields()));
    EXPECT_EQ(Properties(doc, "ExtraLine"), Names(ExtraLineFields()));
    for (const char* schema : {"CommandRequest", "Goods", "ExtraLine"})
        EXPECT_EQ(doc["components"]["schemas"][schema]["additionalProperties"], false) << schema;
    EXPECT_EQ(doc["components"]["schemas"]["Id"]["pattern"], "^[A-Za-z0-9._-]{1,64}$");
}

TEST(OpenApiDocument, AnswerSchemaIsWhatTheAnswerHolds) {
    const json doc = Document();
    const json answer = json::parse(
        AnswerJson(AnswerFromFiles("a", "", std::nullopt, EncodeDateTime({2026, 1, 2}), 0)));
    std::set<std::string> fields;
    for (const auto& item : answer.items())
        fields.insert(item.key());
    EXPECT_EQ(Properties(doc, "Answer"), fields);
}

TEST(OpenApiDocument, ExampleIsARequestTheReaderTakes) {
    const json doc = Document();
    const json example = doc["paths"]["/v1/commands"]["post"]["requestBody"]["content"]
                            ["application/json"]["example"];
    const CommandRequest r = ReadCommandRequest(example.dump());
    EXPECT_EQ(r.id, example["id"]);
    ASSERT_TRUE(r.goodsLines && r.paramLines);
    EXPECT_EQ(ParseTovarLines(*r.goodsLines).size(), example["goods"].size());
    // A receipt the file readers take, too: an example that is refused teaches nothing.
    test::TempFolder dir;
    SaveLines(dir.File("Param.ini"), *r.paramLines);
    TParam param;
    test::ListLogger log;
    test::NullPlatform platform;
    EXPECT_TRUE(ReadParam(dir.File("Param.ini"), param, log, platform))
        << ::testing::PrintToString(log.messages);
    EXPECT_EQ(param.DocumStr, example["param"]["DocumStr"]);
}

TEST(OpenApiDocument, CommandDescriptionNamesEveryCommandWord) {
    const std::string text = Document()["components"]["schemas"]["CommandRequest"]["properties"]
                                       ["command"]["description"];
    for (const DispatchRow& row : DispatchTable())
        EXPECT_NE(text.find(row.name), std::string::npos) << row.name;
}

}  // namespace
}  // namespace orvenka
