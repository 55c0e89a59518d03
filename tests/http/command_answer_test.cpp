#include "http/command_answer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/cp1251.h"

namespace orvenka {
namespace {

const TDateTime kEnd = EncodeDateTime({2026, 12, 9, 13, 5, 7, 0});

TEST(CommandAnswer, ErrorsAreTheLinesOfResultTxt) {
    struct Case {
        std::string resultBytes;
        std::vector<std::string> errors;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {Utf8ToCp1251("Ошибка один\r\nОшибка два\r\n"), {"Ошибка один", "Ошибка два"}},
        {Utf8ToCp1251("Без конца строки"), {"Без конца строки"}},
        {"\xEF\xBB\xBF"
         "UTF-8 строка\n",
         {"UTF-8 строка"}},
        // Not empty, so not a success, however little it holds.
        {"\r\n", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resultBytes);
        EXPECT_EQ(AnswerFromFiles("a", c.resultBytes, std::nullopt, kEnd, 180).errors, c.errors);
    }
}

TEST(CommandAnswer, DocumentNumberOnlyWhenTheCommandWroteOne) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<int64_t>>> cases = {
        {std::nullopt, std::nullopt},
        {"1234\r\n", 1234},
        {"  77  \r\n5\r\n", 77},
        {"0", 0},
        {"", std::nullopt},
        {"12a", std::nullopt},
        {"-5", std::nullopt},
        {"123456789012345678", 123456789012345678},
        {"1234567890123456789", std::nullopt},
    };
    for (const auto& [bytes, number] : cases) {
        SCOPED_TRACE(bytes.value_or("(none)"));
        EXPECT_EQ(AnswerFromFiles("a", "", bytes, kEnd, 0).documentNumber, number);
    }
}

TEST(CommandAnswer, EndTimeInIso8601WithTheOffset) {
    EXPECT_EQ(FormatIso8601(kEnd, 180), "2026-12-09T13:05:07+03:00");
    EXPECT_EQ(FormatIso8601(kEnd, 0), "2026-12-09T13:05:07+00:00");
    EXPECT_EQ(FormatIso8601(kEnd, -330), "2026-12-09T13:05:07-05:30");
    EXPECT_EQ(AnswerFromFiles("a", "", std::nullopt, kEnd, 600).finishedAt,
              "2026-12-09T13:05:07+10:00");
}

TEST(CommandAnswer, JsonHoldsEveryFieldIdFirst) {
    const CommandAnswer ok = AnswerFromFiles("order-1", "", std::string("42\r\n"), kEnd, 180);
    const auto doc = nlohmann::ordered_json::parse(AnswerJson(ok));
    ASSERT_EQ(doc.size(), 4u);
    EXPECT_EQ(doc.begin().key(), "id");
    EXPECT_EQ(doc["id"], "order-1");
    EXPECT_TRUE(doc["errors"].is_array() && doc["errors"].empty());
    EXPECT_EQ(doc["documentNumber"], 42);
    EXPECT_EQ(doc["finishedAt"], "2026-12-09T13:05:07+03:00");

    const CommandAnswer failed =
        AnswerFromFiles("x", Utf8ToCp1251("Чек \"1\" не\tнапечатан\r\n"), std::nullopt, kEnd, 0);
    const std::string text = AnswerJson(failed);
    EXPECT_EQ(text.find('\n'), std::string::npos) << "one line";
    const auto back = nlohmann::json::parse(text);
    EXPECT_TRUE(back["documentNumber"].is_null());
    EXPECT_EQ(back["errors"], nlohmann::json::array({"Чек \"1\" не\tнапечатан"}));
}

}  // namespace
}  // namespace orvenka
