// The integrator's reference, orvenka-protocol(5), names every command word the dispatch table
// knows and every key the Param.ini reader takes: a word or key added without its line there
// fails here.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "common/files.h"
#include "shell/dispatch.h"

namespace orvenka {
namespace {

std::string Source(const std::string& path) {
    return ReadFileBytes(std::string(ORVENKA_SOURCE_DIR) + "/" + path);
}

// The lines of the page between ".SH <title>" and the next ".SH".
std::string Section(const std::string& page, const std::string& title) {
    const std::string head = ".SH " + title + "\n";
    const size_t start = page.find(head);
    if (start == std::string::npos)
        return {};
    const size_t end = page.find("\n.SH ", start + head.size());
    return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool HoldsWord(const std::string& text, const std::string& word) {
    const std::regex whole("(^|[^A-Za-z0-9_])" + word + "([^A-Za-z0-9_]|$)");
    return std::regex_search(text, whole);
}

const char* const kPage = "packaging/man/orvenka-protocol.5.in";

TEST(ProtocolReference, EveryCommandWordHasItsEntry) {
    const std::string words = Section(Source(kPage), "\"COMMAND WORDS\"");
    ASSERT_FALSE(words.empty());
    ASSERT_EQ(DispatchTable().size(), 23u) << "a new word: give it its entry in " << kPage;
    for (const DispatchRow& row : DispatchTable()) {
        // An entry is a tagged paragraph headed by the word in bold.
        const std::regex entry("\\n\\.TP\\n\\.B " + std::string(row.name) + "([ =\\n])");
        EXPECT_TRUE(std::regex_search(words, entry)) << row.name;
    }
}

TEST(ProtocolReference, EveryParamKeyTheReaderTakesIsDescribed) {
    const std::string keys = Section(Source(kPage), "\"PARAM.INI\"");
    ASSERT_FALSE(keys.empty());
    // The keys as the reader asks for them: Value("KEY") in its source.
    const std::string reader = Source("src/receipt/param_reader.cpp");
    const std::regex asked("Value\\(\"([A-Za-z0-9_]+)\"");
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(reader.begin(), reader.end(), asked);
         it != std::sregex_iterator(); ++it)
        found.insert((*it)[1]);
    ASSERT_GE(found.size(), 55u) << "the reader's keys were not found in its source";
    for (const std::string& key : found)
        EXPECT_TRUE(HoldsWord(keys, key)) << key;
    EXPECT_TRUE(found.count("Oplata") && found.count("PRN_WIDHT"));
}

}  // namespace
}  // namespace orvenka
