// The store's one-time conversion of older property-list documents, with documents written by
// Python's plistlib.

#include "MindMapStoreTestSupport.h"

#include "Utils/RecordingFeedbackSink.h"
#include "formats/MindMapConverter.h"
#include "formats/PythonPlist.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace storetest;
using namespace plisttest;
namespace fs = std::filesystem;

namespace {

class OlderDocumentConversion : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        registerForeignFormats();
    }
    void TearDown() override
    {
        MindMapFormats::registerReader(MindMapReadFormat::PropertyList, {});
        StoreTest::TearDown();
    }

    // An older document of one topic; empty when python3 cannot write it.
    static std::string olderDocument(const std::string& topic, PlistForm form)
    {
        auto data = pythonPlist("{'nodes': [{'name': '" + topic + "', 'id': 0, 'location': {'X': 1, 'Y': 2}}]}", form);
        return data ? std::string(data->begin(), data->end()) : std::string();
    }

    std::string backup() const { return documents() + "/twkdoc"; }
};

TEST_F(OlderDocumentConversion, DocumentsOfBothFormsBecomeMapsAndUnreadableOnesStay)
{
    const std::string xml = olderDocument("From XML", PlistForm::Xml);
    const std::string binary = olderDocument("From binary", PlistForm::Binary);
    if (xml.empty() || binary.empty()) GTEST_SKIP() << "python3 could not write the property lists";
    const std::string guidA = "AAAAAAAAAAAAAAAAAAAAAAAA", guidB = "BBBBBBBBBBBBBBBBBBBBBBBB";
    placeFile(guidA + ".twk-doc", xml);
    placeFile(guidB + ".twk-doc", binary);
    placeFile("My old map.twk-doc", xml);
    placeFile("CCCCCCCCCCCCCCCCCCCCCCCC.twk-doc", "not a property list");
    RecordingFeedbackSink feedback;

    MindMapStore* store = start();
    ASSERT_TRUE(store->mindMapByGuid(guidA) && store->mindMapByGuid(guidB));
    EXPECT_EQ(store->mindMapByGuid(guidA)->title(), "From XML");
    EXPECT_EQ(store->mindMapByGuid(guidB)->title(), "From binary");
    // A name that cannot name a map file gets a fresh GUID.
    EXPECT_EQ(store->count(), 3u);
    for (const std::string& name : {guidA + ".twk-doc", guidB + ".twk-doc", std::string("My old map.twk-doc")}) {
        EXPECT_FALSE(fs::exists(documents() + "/" + name)) << name;
        EXPECT_TRUE(fs::exists(backup() + "/" + name)) << name;
    }
    // The user's only copy of that map is neither moved nor deleted, and the user is told.
    EXPECT_EQ(readTestFile(documents() + "/CCCCCCCCCCCCCCCCCCCCCCCC.twk-doc"), "not a property list");
    EXPECT_FALSE(fs::exists(mapPath("CCCCCCCCCCCCCCCCCCCCCCCC")));
    ASSERT_EQ(feedback.logged.size(), 1u);
    EXPECT_EQ(feedback.logged[0].state, FeedbackStateError);
    EXPECT_NE(feedback.logged[0].message.find("CCCCCCCCCCCCCCCCCCCCCCCC.twk-doc"), std::string::npos);
    restart();
    EXPECT_EQ(feedback.logged.size(), 1u);
}

// An earlier version moved the older documents aside without converting them, and remembered
// that it had.
TEST_F(OlderDocumentConversion, DocumentsMovedAsideUnconvertedAreConvertedOnce)
{
    const std::string xml = olderDocument("Moved aside", PlistForm::Xml);
    if (xml.empty()) GTEST_SKIP() << "python3 could not write the property list";
    UserDefaults::standard().setBool(MindMapStore::DidConvertTwkDefaultsKey, true);
    const std::string guid = "DDDDDDDDDDDDDDDDDDDDDDDD", converted = "EEEEEEEEEEEEEEEEEEEEEEEE";
    fs::create_directories(backup());
    writeTestFile(backup() + "/" + guid + ".twk-doc", xml);
    writeTestFile(backup() + "/" + converted + ".twk-doc", xml);
    placeFile(converted + ".twkx", nativeDocument(converted, "Already converted"));
    // Waiting in the documents folder is a document whose name the backup already holds.
    placeFile(converted + ".twk-doc", "newer bytes");

    MindMapStore* store = start();
    ASSERT_NE(store->mindMapByGuid(guid), nullptr);
    EXPECT_EQ(store->mindMapByGuid(guid)->title(), "Moved aside");
    EXPECT_EQ(store->mindMapByGuid(converted)->title(), "Already converted");
    EXPECT_TRUE(fs::exists(backup() + "/" + guid + ".twk-doc"));
    EXPECT_EQ(readTestFile(backup() + "/" + converted + ".twk-doc"), xml);
    EXPECT_EQ(readTestFile(documents() + "/" + converted + ".twk-doc"), "newer bytes");

    // Once done, a map the user deleted does not come back from the backup.
    store->deleteMindMap(store->mindMapByGuid(guid));
    EXPECT_EQ(restart()->mindMapByGuid(guid), nullptr);
}

} // namespace
