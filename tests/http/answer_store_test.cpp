#include "http/answer_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/failure.h"
#include "common/files.h"
#include "http/sha256.h"
#include "support/temp_folder.h"

namespace orvenka {
namespace {

using test::TempFolder;

TEST(Sha256, KnownDigestsAcrossBlockEdges) {
    const std::vector<std::pair<size_t, std::string>> as = {
        {0, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {65, "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
        {119, "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
        {120, "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
    };
    for (const auto& [n, digest] : as)
        EXPECT_EQ(Sha256Hex(std::string(n, 'a')), digest) << n << " letters a";
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

class AnswerStoreTest : public ::testing::Test {
  protected:
    TempFolder dir;
    std::string Path() const { return dir.File(kAnswerStoreFile); }
    static std::string Answer(int n) {
        return R"({"id":"id-)" + std::to_string(n) + R"(","errors":["Ошибка\nвторая"]})";
    }
    static std::string Hash(int n) { return RequestHash("request " + std::to_string(n)); }
};

TEST_F(AnswerStoreTest, SameRequestGetsItsAnswerAndAnotherIsAConflictAlsoAfterReopening) {
    {
        AnswerStore store(Path());
        EXPECT_EQ(store.Look("a", Hash(1)).match, AnswerStore::Match::New);
        store.Put("a", Hash(1), Answer(1));
        store.Put("b", Hash(2), Answer(2));
        EXPECT_THROW(store.Put("a", Hash(3), Answer(3)), Failure);
    }
    AnswerStore store(Path());
    EXPECT_EQ(store.Size(), 2u);
    EXPECT_EQ(store.IgnoredRecords(), 0u);
    const AnswerStore::Found same = store.Look("a", Hash(1));
    EXPECT_EQ(same.match, AnswerStore::Match::Same);
    EXPECT_EQ(same.answer, Answer(1));
    EXPECT_EQ(store.Look("a", Hash(2)).match, AnswerStore::Match::Conflict);
    EXPECT_EQ(store.Answer("b"), Answer(2));
    EXPECT_EQ(store.Answer("c"), std::nullopt);
    // A later answer to the same request (the end of a command once running) replaces it.
    store.Put("b", Hash(2), Answer(22));
    EXPECT_EQ(AnswerStore(Path()).Answer("b"), Answer(22));
}

// A crash in the middle of an append leaves a torn last record: the journal still opens, the
// records before it are all there, and the next record is not glued to the torn one.
TEST_F(AnswerStoreTest, TornLastRecordIsLeftOutAndTheNextOneStandsOnItsOwn) {
    {
        AnswerStore store(Path());
        for (int i = 1; i <= 3; ++i)
            store.Put("id-" + std::to_string(i), Hash(i), Answer(i));
    }
    const std::string whole = ReadFileBytes(Path());
    // Bytes cut off the end, and whether the third record survives: without its line end only.
    const std::vector<std::pair<size_t, bool>> cuts = {
        {1, true}, {2, false}, {10, false}, {Answer(3).size(), false}};
    for (const auto& [cut, third] : cuts) {
        SCOPED_TRACE(cut);
        WriteFileBytesAtomic(Path(), whole.substr(0, whole.size() - cut));
        {
            AnswerStore store(Path());
            EXPECT_EQ(store.IgnoredRecords(), third ? 0u : 1u);
            EXPECT_EQ(store.Size(), third ? 3u : 2u);
            EXPECT_EQ(store.Answer("id-2"), Answer(2));
            EXPECT_EQ(store.Look("id-3", Hash(3)).match,
                      third ? AnswerStore::Match::Same : AnswerStore::Match::New);
            store.Put("id-4", Hash(4), Answer(4));
        }
        AnswerStore again(Path());
        EXPECT_EQ(again.IgnoredRecords(), 0u);
        EXPECT_EQ(again.Size(), third ? 4u : 3u);
        EXPECT_EQ(again.Answer("id-4"), Answer(4));
    }
}

TEST_F(AnswerStoreTest, SpoiltRecordInTheMiddleIsLeftOut) {
    {
        AnswerStore store(Path());
        for (int i = 1; i <= 3; ++i)
            store.Put("id-" + std::to_string(i), Hash(i), Answer(i));
    }
    std::string bytes = ReadFileBytes(Path());
    const size_t second = bytes.find("id-2");
    ASSERT_NE(second, std::string::npos);
    bytes[second + 3] = '9';  // the id changed, its checksum not
    WriteFileBytesAtomic(Path(), bytes);
    AnswerStore store(Path());
    EXPECT_EQ(store.IgnoredRecords(), 1u);
    EXPECT_EQ(store.Answer("id-1"), Answer(1));
    EXPECT_EQ(store.Answer("id-9"), std::nullopt);
    EXPECT_EQ(store.Answer("id-2"), std::nullopt);
    EXPECT_EQ(store.Answer("id-3"), Answer(3));
}

TEST_F(AnswerStoreTest, KeepsTheNewestTenThousandIdsAndTheJournalBounded) {
    const int total = static_cast<int>(kKeptAnswers) + 1;
    {
        AnswerStore store(Path());
        for (int i = 1; i <= total; ++i)
            store.Put("id-" + std::to_string(i), Hash(i), Answer(i));
        EXPECT_EQ(store.Size(), kKeptAnswers);
        EXPECT_EQ(store.Answer("id-1"), std::nullopt);
        EXPECT_EQ(store.Answer("id-2"), Answer(2));
    }
    AnswerStore store(Path());
    EXPECT_EQ(store.Size(), kKeptAnswers);
    EXPECT_EQ(store.Answer("id-1"), std::nullopt);
    EXPECT_EQ(store.Answer("id-2"), Answer(2));
    EXPECT_EQ(store.Look(std::string("id-") + std::to_string(total), Hash(total)).match,
              AnswerStore::Match::Same);
}

TEST_F(AnswerStoreTest, JournalIsRewrittenWithTheNewestWhenItHoldsTwiceTheKept) {
    const size_t keep = 5;
    AnswerStore store(Path(), keep);
    for (int i = 1; i <= 9; ++i)
        store.Put("id-" + std::to_string(i), Hash(i), Answer(i));
    const size_t before = SplitLines(ReadFileBytes(Path())).size();
    EXPECT_EQ(before, 9u);
    store.Put("id-10", Hash(10), Answer(10));
    EXPECT_EQ(SplitLines(ReadFileBytes(Path())).size(), keep);
    AnswerStore reopened(Path(), keep);
    EXPECT_EQ(reopened.Size(), keep);
    EXPECT_EQ(reopened.Answer("id-5"), std::nullopt);
    EXPECT_EQ(reopened.Answer("id-6"), Answer(6));
}

TEST_F(AnswerStoreTest, NeverReadsOrWritesThroughALink) {
    dir.WriteBytes("elsewhere.txt", "untouched");
    ASSERT_EQ(::symlink(dir.File("elsewhere.txt").c_str(), Path().c_str()), 0);
    EXPECT_THROW(AnswerStore store(Path()), Failure);
    EXPECT_EQ(dir.ReadBytes("elsewhere.txt"), "untouched");

    // A link put in place of the journal while the program runs is not written through either.
    ::unlink(Path().c_str());
    AnswerStore store(Path());
    ::unlink(Path().c_str());
    ASSERT_EQ(::symlink(dir.File("elsewhere.txt").c_str(), Path().c_str()), 0);
    EXPECT_THROW(store.Put("a", Hash(1), Answer(1)), Failure);
    EXPECT_EQ(dir.ReadBytes("elsewhere.txt"), "untouched");
    EXPECT_EQ(store.Answer("a"), std::nullopt);
}

TEST_F(AnswerStoreTest, JournalBeyondItsLimitIsRefusedUnread) {
    {
        AnswerStore store(Path());
        store.Put("a", Hash(1), Answer(1));
    }
    // Sparse: refused from its size alone, which costs neither disk nor time.
    ASSERT_EQ(::truncate(Path().c_str(), static_cast<off_t>(kMaxAnswerJournalBytes + 1)), 0);
    EXPECT_THROW(AnswerStore store(Path()), FileTooLarge);
}

TEST_F(AnswerStoreTest, FolderInPlaceOfTheJournalIsRefused) {
    ASSERT_EQ(::mkdir(Path().c_str(), 0755), 0);
    EXPECT_THROW(AnswerStore store(Path()), Failure);
}

}  // namespace
}  // namespace orvenka
