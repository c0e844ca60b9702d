#include "platform/PropertyList.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

using Data = PropertyList::Data;

Data bytesOf(const std::string& text)
{
    return Data(text.begin(), text.end());
}

std::string textOf(const Data& data)
{
    return std::string(data.begin(), data.end());
}

PropertyList sampleDocument()
{
    Data bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<uint8_t>(i));
    PropertyList::Dictionary topic{
        {"text", "Central <theme> & \"quotes\" \u00e9\u4e2d"},
        {"collapsed", true},
        {"hidden", false},
        {"children", PropertyList::Array{PropertyList::Dictionary{{"text", "child"}}, PropertyList::Array{}}},
        {"empty", PropertyList::Dictionary{}},
    };
    return PropertyList::Dictionary{
        {"version", 3},
        {"negative", int64_t(-5)},
        {"largest", std::numeric_limits<int64_t>::max()},
        {"smallest", std::numeric_limits<int64_t>::min()},
        {"scale", 1.25},
        {"tiny", -1.0e-300},
        {"empty string", ""},
        {"image", bytes},
        {"no bytes", Data{}},
        {"created", PropertyList::Date{86400.0 * 365}},
        {"topic", topic},
    };
}

// A hand-built binary property list with 4-byte offsets and references.
Data binaryList(const std::vector<Data>& objects, uint64_t top = 0)
{
    Data out = bytesOf("bplist00");
    std::vector<uint64_t> offsets;
    for (const Data& object : objects) {
        offsets.push_back(out.size());
        out.insert(out.end(), object.begin(), object.end());
    }
    const uint64_t table = out.size();
    auto put = [&out](uint64_t value, int size) {
        for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    for (uint64_t offset : offsets) put(offset, 4);
    put(0, 6);
    out.push_back(4);
    out.push_back(4);
    put(objects.size(), 8);
    put(top, 8);
    put(table, 8);
    return out;
}

Data arrayObject(const std::vector<uint32_t>& refs)
{
    Data out;
    if (refs.size() < 15) {
        out.push_back(static_cast<uint8_t>(0xA0 | refs.size()));
    } else {
        out = {0xAF, 0x12};
        for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(refs.size() >> (8 * i)));
    }
    for (uint32_t ref : refs) {
        for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(ref >> (8 * i)));
    }
    return out;
}

void expectUnreadable(const Data& data, const std::string& reasonPart = {})
{
    Error error;
    auto result = PropertyList::fromData(data, &error);
    EXPECT_FALSE(result);
    EXPECT_EQ(error.domain, PlatformErrorDomain);
    EXPECT_FALSE(error.localizedDescription.empty());
    EXPECT_FALSE(error.failureReason.empty());
    if (!reasonPart.empty()) {
        EXPECT_NE(error.failureReason.find(reasonPart), std::string::npos) << error.failureReason;
    }
}

std::string nestedXml(int depth)
{
    std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i) xml += "<array>";
    for (int i = 0; i < depth; ++i) xml += "</array>";
    return xml + "</plist>";
}

} // namespace

TEST(PropertyListTest, TypedAccessConvertsNumbersOnlyAndSaturates)
{
    EXPECT_EQ(PropertyList(-2.9).integerValue(), -2);
    EXPECT_EQ(PropertyList(-1e300).integerValue(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(PropertyList(std::nan("")).integerValue(5), 0);
    EXPECT_EQ(PropertyList("5").integerValue(9), 9) << "strings are not parsed";
    EXPECT_TRUE(PropertyList(3)["a"].isNone());
}

TEST(PropertyListTest, XmlAndBinaryRoundTripsKeepEverything)
{
    const PropertyList document = sampleDocument();
    const Data xml = document.toData(PropertyList::Format::Xml);
    EXPECT_EQ(textOf(xml).rfind("<?xml", 0), 0u);
    const Data binary = document.toData(PropertyList::Format::Binary);
    ASSERT_GE(binary.size(), 8u);
    EXPECT_EQ(textOf(Data(binary.begin(), binary.begin() + 8)), "bplist00");
    for (const Data& data : {xml, binary}) {
        Error error;
        auto back = PropertyList::fromData(data, &error);
        ASSERT_TRUE(back) << error.failureReason;
        EXPECT_EQ(*back, document);
    }
}

TEST(PropertyListTest, XmlIsWrittenInTheStandardVocabulary)
{
    const PropertyList list = PropertyList::Dictionary{
        {"flag", true}, {"count", -5}, {"scale", 0.5}, {"name", "a<b"}, {"bytes", Data{'h', 'i'}}};
    const std::string xml = textOf(list.toData());
    EXPECT_NE(xml.find("<key>flag</key>"), std::string::npos);
    EXPECT_NE(xml.find("<true/>"), std::string::npos);
    EXPECT_NE(xml.find("<integer>-5</integer>"), std::string::npos);
    EXPECT_NE(xml.find("<real>0.5</real>"), std::string::npos);
    EXPECT_NE(xml.find("<string>a&lt;b</string>"), std::string::npos);
    EXPECT_NE(xml.find("aGk="), std::string::npos);
}

TEST(PropertyListTest, ReadsHandWrittenXml)
{
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<!-- a comment -->
<dict>
    <key>autoSaveMindMaps</key><true/>
    <key>editorChildMoveDelay</key><real>0.8</real>
    <key>newMindMapLayoutMode</key><integer>0</integer>
    <key>when</key><date>2001-01-02T00:00:00Z</date>
    <key>name</key><string>caf&#233; &amp; co</string>
</dict>
</plist>)";
    Error error;
    auto list = PropertyList::fromData(bytesOf(xml), &error);
    ASSERT_TRUE(list) << error.failureReason;
    EXPECT_TRUE((*list)["autoSaveMindMaps"].boolValue());
    EXPECT_EQ((*list)["editorChildMoveDelay"].realValue(), 0.8);
    EXPECT_EQ((*list)["newMindMapLayoutMode"].type(), PropertyList::Type::Integer);
    EXPECT_EQ((*list)["when"].dateValue()->secondsSinceReferenceDate, 86400.0);
    EXPECT_EQ((*list)["name"].stringValue(), "caf\u00e9 & co");
}

TEST(PropertyListTest, DatesCountSecondsSince2001AndKeepTheirPrecision)
{
    const std::string xml = "<plist><array><date>2001-01-01T00:00:00Z</date><date>1970-01-01T00:00:00Z</date>"
                            "</array></plist>";
    auto list = PropertyList::fromData(bytesOf(xml));
    ASSERT_TRUE(list);
    EXPECT_EQ((*list->arrayValue())[0].dateValue()->secondsSinceReferenceDate, 0.0);
    EXPECT_EQ((*list->arrayValue())[1].dateValue()->secondsSinceReferenceDate, -978307200.0);

    for (double seconds : {-1.25, 6.3e9, 123456789.123456}) {
        auto back =
            PropertyList::fromData(PropertyList(PropertyList::Date{seconds}).toData(PropertyList::Format::Binary));
        ASSERT_TRUE(back && back->dateValue()) << seconds;
        EXPECT_EQ(back->dateValue()->secondsSinceReferenceDate, seconds);
    }
    // Whole seconds survive XML beyond 2038.
    const PropertyList in2200 = PropertyList::Date{6.3e9};
    auto back = PropertyList::fromData(in2200.toData(PropertyList::Format::Xml));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->dateValue()->secondsSinceReferenceDate, 6.3e9);
    EXPECT_NE(textOf(in2200.toData()).find("<date>2200-"), std::string::npos);
}

TEST(PropertyListTest, UnwritableDatesAreKeptInRange)
{
    const PropertyList list = PropertyList::Array{PropertyList::Date{std::nan("")}, PropertyList::Date{1e300}};
    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        auto back = PropertyList::fromData(list.toData(format));
        ASSERT_TRUE(back);
        EXPECT_EQ((*back->arrayValue())[0].dateValue()->secondsSinceReferenceDate, 0.0);
        EXPECT_LT((*back->arrayValue())[1].dateValue()->secondsSinceReferenceDate, 3e11);
    }
}

TEST(PropertyListTest, KeyedArchiveReferencesReadAsTheirXmlForm)
{
    plist_t root = plist_new_array();
    plist_array_append_item(root, plist_new_uid(7));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    plist_free(root);
    const Data binary(bytes, bytes + length);
    plist_to_bin_free(bytes);

    auto list = PropertyList::fromData(binary);
    ASSERT_TRUE(list);
    const PropertyList expected = PropertyList::Array{PropertyList::Dictionary{{"CF$UID", 7}}};
    EXPECT_EQ(*list, expected);
    auto viaXml = PropertyList::fromData(list->toData());
    ASSERT_TRUE(viaXml);
    EXPECT_EQ(*viaXml, expected);
}

TEST(PropertyListTest, EmptyAndGarbageInputAreRefusedWithACause)
{
    expectUnreadable({}, "empty");
    expectUnreadable(bytesOf("hello, world"));
    expectUnreadable(bytesOf("<plist><integer>1</plist>"));
    expectUnreadable(bytesOf("bplist00"), "truncated");
}

TEST(PropertyListTest, EveryTruncationOfAValidListIsRefusedOrReadWithoutCrashing)
{
    const PropertyList document = sampleDocument();
    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        const Data full = document.toData(format);
        for (size_t length = 0; length < full.size(); ++length) {
            Error error;
            auto result = PropertyList::fromData(Data(full.begin(), full.begin() + length), &error);
            if (!result) {
                EXPECT_FALSE(error.failureReason.empty());
            }
        }
    }
}

TEST(PropertyListTest, DamagedBinaryListsNeverCrash)
{
    const Data original = sampleDocument().toData(PropertyList::Format::Binary);
    std::mt19937 random(20010101);
    for (int round = 0; round < 3000; ++round) {
        Data damaged = original;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            damaged[8 + random() % (damaged.size() - 8)] = static_cast<uint8_t>(random());
        }
        Error error;
        auto result = PropertyList::fromData(damaged, &error);
        if (!result) {
            EXPECT_FALSE(error.failureReason.empty());
        }
    }
}

TEST(PropertyListTest, DeepNestingIsRefused)
{
    expectUnreadable(bytesOf(nestedXml(100000)), "deep");
    EXPECT_TRUE(PropertyList::fromData(bytesOf(nestedXml(500))));

    std::vector<Data> objects;
    for (uint32_t i = 0; i < 100000; ++i) objects.push_back(arrayObject({i + 1}));
    objects.push_back(arrayObject({}));
    expectUnreadable(binaryList(objects), "deep");
}

TEST(PropertyListTest, BinaryCyclesAreRefused)
{
    expectUnreadable(binaryList({arrayObject({0})}), "loop");
    expectUnreadable(binaryList({arrayObject({1}), arrayObject({0})}), "loop");
}

TEST(PropertyListTest, SharedObjectsAreReadUnlessTheyExpandToBillions)
{
    // Each level holds the next one twice: 60 levels describe 2^60 values in a few hundred bytes.
    std::vector<Data> objects;
    for (uint32_t i = 0; i < 60; ++i) objects.push_back(arrayObject({i + 1, i + 1}));
    objects.push_back(arrayObject({}));
    expectUnreadable(binaryList(objects), "too many");

    auto list = PropertyList::fromData(binaryList({arrayObject({1, 1, 1}), Data{0x10, 0x2A}}));
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, PropertyList(PropertyList::Array{42, 42, 42}));
}

TEST(PropertyListTest, BinaryReferencesAndCountsOutOfRangeAreRefused)
{
    expectUnreadable(binaryList({arrayObject({5})}));
    // An array that claims four billion members.
    expectUnreadable(binaryList({Data{0xAF, 0x12, 0xFF, 0xFF, 0xFF, 0xFF}}));

    // An offset table that points past the end.
    Data list = binaryList({arrayObject({})});
    list[list.size() - 1] = 0xF0;
    expectUnreadable(list);
}

// Whatever reads must write again: a stray byte in a string would otherwise make the whole list
// unwritable.
TEST(PropertyListTest, InvalidUtf8AndNulInBinaryStringsReadAsReplacementCharacters)
{
    // A dictionary {"k\xFF": "a\xFF" "b"} with ASCII-marked strings.
    Data dictionary{0xD1, 0, 0, 0, 1, 0, 0, 0, 2};
    auto list = PropertyList::fromData(binaryList({dictionary, Data{0x52, 'k', 0xFF}, Data{0x53, 'a', 0xFF, 'b'}}));
    ASSERT_TRUE(list);
    const PropertyList expected(PropertyList::Dictionary{{"k\uFFFD", "a\uFFFDb"}});
    EXPECT_EQ(*list, expected);
    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        auto again = PropertyList::fromData(list->toData(format));
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, expected);
    }
    // A UTF-16 string may hold U+0000, which no written list carries.
    EXPECT_EQ(PropertyList::fromData(binaryList({Data{0x62, 0, 'a', 0, 0}})), PropertyList("a\uFFFD"));
}
