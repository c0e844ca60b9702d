#include "store/MindMapProvider.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// Serves map data by id and counts how often it was asked; its ids ignore case.
class ScanDataProvider : public MindMapProvider {
public:
    ScanDataProvider() : MindMapProvider(MindMapProviderLocal) {}

    bool hasCaseSensitiveIds() const override { return false; }
    std::optional<Bytes> getMindMapXmlScanData(const std::string& id) override
    {
        ++requests[id];
        auto it = data.find(id);
        if (it == data.end()) return std::nullopt;
        return it->second;
    }

    std::map<std::string, Bytes> data;
    std::map<std::string, int> requests;
};

// Installs a scanner for one test: the data is one text; data beginning with "BAD" does not read.
class ScopedScanner {
public:
    ScopedScanner()
    {
        MindMapSearchInfo::setFullTextScanner([this](const Bytes& data) -> std::optional<Texts> {
            ++scans;
            const std::string text(data.begin(), data.end());
            if (text.rfind("BAD", 0) == 0) return std::nullopt;
            return Texts{text};
        });
    }
    ~ScopedScanner() { MindMapSearchInfo::setFullTextScanner(nullptr); }

    int scans = 0;
};

const MindMapSearchInfo::Date SomeDate = MindMapSearchInfo::Date(std::chrono::seconds(1700000000));

class MindMapSearchInfoTest : public ::testing::Test {
protected:
    ScanDataProvider provider;
    ScopedScanner scanner;

    std::shared_ptr<MindMapSearchInfo> entry(const std::string& id, const std::string& title,
                                             const std::string& text = {})
    {
        auto info = std::make_shared<MindMapSearchInfo>(id, &provider);
        info->setTitle(title);
        info->setTimestamp(SomeDate);
        if (!text.empty()) provider.data[id] = bytesOf(text);
        return info;
    }
};

TEST_F(MindMapSearchInfoTest, TitleMatchingIgnoresCaseAndAccents)
{
    const std::pair<const char*, const char*> matches[] = {
        {"CAFÉ CRÈME BRÛLÉE", "creme brulee"},
        {"Ecole\u0301 E\u0301te\u0301", "ecolé"},
        {"Übersicht", "U\u0308BER"},
        {"ΣΟΦΊΑ", "σοφια"},
        {"Straße", "STRASSE"},
    };
    for (const auto& [title, search] : matches) EXPECT_TRUE(entry("A", title)->isSearchMatch(search, false)) << search;
    EXPECT_FALSE(entry("A", "CAFÉ CRÈME")->isSearchMatch("cafes", false));
}

TEST_F(MindMapSearchInfoTest, HostileTextsDoNotUpsetMatching)
{
    auto info = entry("A",
                      std::string("Pl\xff\xfe"
                                  "ans\0Tail",
                                  12));
    EXPECT_TRUE(info->isSearchMatch("pl", false));
    EXPECT_TRUE(info->isSearchMatch("tail", false)); // the text after a NUL is still searched
    EXPECT_FALSE(info->isSearchMatch("plans", false));
    // A search text that is not UTF-8 is looked for in its repaired form.
    EXPECT_FALSE(entry("D", "Plans")->isSearchMatch("pl\xc3", false));
    EXPECT_TRUE(entry("B", std::string(1 << 20, 'a') + "needle")->isSearchMatch("NEEDLE", false));
}

TEST_F(MindMapSearchInfoTest, FullTextIsReadOnTheFirstFullTextSearchAndKept)
{
    auto info = entry("A", "Plans", "Holidays in Zürich");
    EXPECT_TRUE(info->isSearchMatch("zurich", true));
    EXPECT_TRUE(info->isSearchMatch("holiday", true));
    EXPECT_EQ(provider.requests["A"], 1);
    EXPECT_EQ(scanner.scans, 1);

    auto byTitle = entry("C", "Plans", "Budget");
    EXPECT_TRUE(byTitle->isSearchMatch("plan", true));
    EXPECT_FALSE(byTitle->fullText().has_value()) << "a title match needs no full text";
}

TEST_F(MindMapSearchInfoTest, UnreadableOrMissingDataLeavesAnEmptyFullTextThatIsNotReadAgain)
{
    auto info = entry("A", "Plans", "BAD data");
    auto missing = entry("B", "Plans"); // the provider has no data for it
    for (int round = 0; round < 2; ++round) {
        EXPECT_FALSE(info->isSearchMatch("data", true));
        EXPECT_FALSE(missing->isSearchMatch("budget", true));
    }
    EXPECT_TRUE(info->fullText().has_value() && info->fullText()->empty());
    EXPECT_EQ(provider.requests["A"], 1);
    EXPECT_EQ(provider.requests["B"], 1);
}

class MindMapSearchCacheTest : public ::testing::Test {
protected:
    ScanDataProvider provider;
    ScopedScanner scanner;
};

TEST_F(MindMapSearchCacheTest, CaseInsensitiveIdsFindTheEntryWhateverTheCase)
{
    MindMapSearchCache cache(&provider);
    auto info = cache.addSearchInfo("abc");
    EXPECT_EQ(cache.get("ABC"), info);
    EXPECT_EQ(cache.get("abd"), nullptr);

    auto cafe = cache.addSearchInfo("/Café.twkx");
    EXPECT_EQ(cache.get("/cafe\u0301.twkx"), cafe) << "precomposed and decomposed ids are one";
    auto accented = cache.addSearchInfo("/résumé.twkx");
    auto plain = cache.addSearchInfo("/resume.twkx");
    EXPECT_EQ(cache.get("/RÉSUMÉ.twkx"), accented) << "ids that differ only by accents stay apart";
    EXPECT_EQ(cache.get("/resume.twkx"), plain);
}

TEST_F(MindMapSearchCacheTest, HostileIdsStayDistinct)
{
    MindMapSearchCache cache(&provider);
    auto a = cache.addSearchInfo(std::string("a\0b", 3));
    cache.addSearchInfo(std::string("a\0c", 3));
    auto c = cache.addSearchInfo("x\xff"
                                 "1");
    cache.addSearchInfo("x\xfe"
                        "1");
    EXPECT_EQ(cache.items().size(), 4u);
    EXPECT_EQ(cache.get(std::string("A\0B", 3)), a);
    EXPECT_EQ(cache.get("X\xff"
                        "1"),
              c);
}

TEST_F(MindMapSearchCacheTest, FullTextSearchReadsOnlyMapsWithTimeStampsAndOnlyOnce)
{
    MindMapSearchCache cache(&provider);
    auto dated = cache.addSearchInfo("dated");
    dated->setTitle("One");
    dated->setTimestamp(SomeDate);
    auto undated = cache.addSearchInfo("undated");
    undated->setTitle("Two");
    provider.data["dated"] = bytesOf("Secret topic");
    provider.data["undated"] = bytesOf("Secret topic");

    EXPECT_TRUE(cache.getSearchMatches("secret", false).empty());

    auto matches = cache.getSearchMatches("secret", true);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0], dated);
    cache.getSearchMatches("topic", true);
    EXPECT_EQ(provider.requests["dated"], 1);
    EXPECT_EQ(provider.requests.count("undated"), 0u);
}

} // namespace
