#pragma once

#include "MindMaps/MindMapFormats.h"

#include <cstdint>
#include <map>
#include <string>

struct Error;
class MindMap;
class MindMapInfoItem;

// The adjustment start-up makes to one known topic of the getting-started map.
class TopicInfoItem {
public:
    enum Type : uint64_t {
        TranslateOnly = 0,
        LinkToStorageHelp = 1,
        AppendArrow = 3,
        CircledPlus = 4,
    };

    static TopicInfoItem topicInfoItem(std::string translated)
    {
        return TopicInfoItem(TranslateOnly, std::move(translated));
    }
    TopicInfoItem(uint64_t type, std::string translated) : _type(type), _translated(std::move(translated)) {}

    uint64_t type() const { return _type; }
    const std::string& translated() const { return _translated; }
    void setTranslated(std::string translated) { _translated = std::move(translated); }

private:
    uint64_t _type;
    std::string _translated;
};

// The map a first start opens: an English resource imported into the store, then localised
// topic by topic and committed, so that the user finds an ordinary map in their own language.
class GettingStartedMindMapCreator {
public:
    // The help page on where maps are kept, which the saving topic links to.
    static constexpr const char* StorageHelpUrl = "https://tarnwick.orrinworks.com/faq/#!/mac/mind-maps-stored-mac";
    static constexpr const char* ResourcePath = "maps/getting_started_mind_map.twkx";

    // The store item of the new map, or nullptr when the resource is missing or cannot be imported.
    // *written, when given, gets the bytes of the map's file where they were at hand (else it is
    // left empty), so that opening the map need not read them back.
    static MindMapInfoItem* importGettingStartedMindMap(Error* error = nullptr, MindMapData* written = nullptr);
    static void customizeMindMap(MindMap& mindMap);
    static std::map<std::string, TopicInfoItem> buildTopicInfoMap();
    // A line break counts as a blank; surrounding white space and case do not count.
    static std::string lookupKey(const std::string& text);
};
