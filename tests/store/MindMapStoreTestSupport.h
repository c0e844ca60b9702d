#pragma once

#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MindMapFormats.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Every store test runs on a store root of its own in a temporary folder, with settings of its
// own, and lets the singleton go afterwards.
namespace storetest {

using Bytes = std::vector<uint8_t>;

// Map identifiers of the form the store hands out.
const std::string GuidA = "AAAAAAAAAAAAAAAAAAAAAAAA";
const std::string GuidB = "BBBBBBBBBBBBBBBBBBBBBBBB";

inline Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

inline std::string textOf(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// A bare native document.
inline std::string nativeDocument(const std::string& guid, const std::string& title, const std::string& topics = {},
                                  int version = 3, bool containsImages = false)
{
    std::string meta = "<guid guid=\"" + guid + "\"/>";
    if (!title.empty()) meta += "<title text=\"" + title + "\" customized=\"true\"/>";
    if (containsImages) meta += "<images containsImages=\"true\"/>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-mindmaps doc-version=\"" + std::to_string(version) +
        "\">\n<mindmap>\n<meta>" + meta + "</meta>\n<topics>" + topics +
        "</topics>\n<relations></relations>\n</mindmap>\n</tarnwick-mindmaps>\n";
}

// Counts the notifications of one name while it lives, and lets a test look at each as it comes.
class NotificationRecorder {
public:
    explicit NotificationRecorder(const std::string& name, std::function<void(const Notification&)> onEach = nullptr)
    {
        _token = NotificationCenter::defaultCenter().addObserver(name, nullptr, [this, onEach](const Notification& n) {
            received.push_back(n);
            if (onEach) onEach(n);
        });
    }
    size_t count() const { return received.size(); }

    std::vector<Notification> received;

private:
    ObservationToken _token;
};

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        // Tests that read older documents register the reader themselves; it is process-wide.
        MindMapFormats::registerReader(MindMapReadFormat::PropertyList, {});
        _data.emplace("XDG_DATA_HOME", _temp.file("data"));
        _config.emplace("XDG_CONFIG_HOME", _temp.file("config"));
        UserDefaults::standard().resetForTesting();
    }

    void TearDown() override
    {
        MindMapStore::releaseMindMapStoreInstance();
        MindMapFormats::registerReader(MindMapReadFormat::PropertyList, {});
        // The store pointed the custom styles at this test's folder.
        CustomStyleSheet::loadCustomStylesFromDirectory("");
        _data.reset();
        _config.reset();
        UserDefaults::standard().resetForTesting();
    }

    std::string dataHome() const { return _temp.file("data"); }
    std::string root() const { return dataHome() + "/Tarnwick"; }
    std::string documents() const { return root() + "/Mind Maps"; }
    std::string mapPath(const std::string& guid) const { return documents() + "/" + guid + ".twkx"; }

    MindMapStore* start() { return MindMapStore::mindMapStoreInstance(); }
    MindMapStore* restart()
    {
        MindMapStore::releaseMindMapStoreInstance();
        return start();
    }

    // A map file placed into the documents folder before the store starts.
    void placeFile(const std::string& name, const std::string& contents)
    {
        std::filesystem::create_directories(documents());
        writeTestFile(documents() + "/" + name, contents);
    }

    static std::string fileText(const std::string& path)
    {
        return std::filesystem::exists(path) ? readTestFile(path) : std::string();
    }

private:
    TempDir _temp;
    std::optional<ScopedEnvironment> _data;
    std::optional<ScopedEnvironment> _config;
};

} // namespace storetest
