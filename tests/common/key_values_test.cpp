#include "common/key_values.h"

#include <gtest/gtest.h>

namespace orvenka {
namespace {

TEST(KeyValueLines, OneRuleForEveryKeyValueFile) {
    const KeyValueLines f({"no equals sign", "Cena=10", "CENA=20", "Smena =5", "Smena= 12 ",
                           "ключ=один", "КЛЮЧ=два", "=empty key", "Empty=", "A=b=c"});
    const struct {
        const char* key;
        std::optional<std::string> value;
    } rows[] = {
        {"cena", "10"},     // any case, the first line wins
        {"SMENA", " 12 "},  // "Smena " is another key; the value is as written
        {"Smena ", "5"},    //
        {"Ключ", "один"},   // Cyrillic without regard to case too
        {"", "empty key"},  //
        {"empty", ""},      // present with an empty value
        {"A", "b=c"},       // the key ends at the first "="
        {"Missing", std::nullopt},
        {"no equals sign", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(f.Value(row.key), row.value) << row.key;
}

TEST(KeyValueLines, KeysLongerThanTheIndexFollowTheSameRule) {
    const std::string key(300, 'k');
    const KeyValueLines f({std::string(300, 'K') + "=long", key + "=second"});
    EXPECT_EQ(f.Value(key), "long");
    EXPECT_FALSE(f.Has(std::string(299, 'k')));
}

}  // namespace
}  // namespace orvenka
