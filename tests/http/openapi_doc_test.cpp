#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "http/command_answer.h"
#include "http/command_request.h"
#include "shell/dispatch.h"

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
    ASSERT_TRUE(r.goodsLines);
    EXPECT_EQ(r.goodsLines->size(), 4 * example["goods"].size());
}

TEST(OpenApiDocument, CommandDescriptionNamesEveryCommandWord) {
    const std::string text = Document()["components"]["schemas"]["CommandRequest"]["properties"]
                                       ["command"]["description"];
    for (const DispatchRow& row : DispatchTable())
        EXPECT_NE(text.find(row.name), std::string::npos) << row.name;
}

}  // namespace
}  // namespace orvenka
