#pragma once

#include "MindMaps/MindMapFormats.h"
#include "formats/MindMapFilerBase.h"
#include "platform/Color.h"
#include "platform/Error.h"
#include "platform/PropertyList.h"

#include <cstdint>
#include <optional>
#include <string>

// What the older document's "meta" dictionary says about the program that wrote it. Values of
// the wrong type are ignored.
class MindMapCompatibility {
public:
    MindMapCompatibility() = default;
    // A value that is no dictionary counts as an empty one.
    explicit MindMapCompatibility(const PropertyList& dictionary);
    static MindMapCompatibility compatibilityWithDictionary(const PropertyList& dictionary)
    {
        return MindMapCompatibility(dictionary);
    }

    // The generator code of the native format's table; 0 when unknown.
    int32_t generator() const { return _generator; }
    const std::string& generatorVersion() const { return _generatorVersion; }
    // 0 when missing.
    int64_t streamVersion() const { return _streamVersion; }

private:
    int32_t _generator = 0;
    std::string _generatorVersion;
    int64_t _streamVersion = 0;
};

// Reads the older document: a property list (XML or binary) with "meta", "style", "nodes" and
// "relations". It is never written. Readers are tolerant: entries that lack what they need are
// skipped, dangling parents make central themes and dangling relations are dropped; a topic that
// names itself or one of its own descendants as parent stays a central theme.
//
// Topic texts come in as any imported text does, held to TopicTextLimit with a notice of how
// many were cut; the store's own older maps, converted once, keep their texts whole.
//
// Fills a map that is loading (MindMap::readFromData brackets the read). Main thread only.
class TwkMindMapReader : public MindMapFilerBase {
public:
    enum class Texts { Imported, Stored };

    explicit TwkMindMapReader(MindMap& mindMap, Texts texts = Texts::Imported)
        : MindMapFilerBase(mindMap), _texts(texts)
    {
    }

    // The registered reader of the format: an import.
    static bool readMindMap(MindMap& mindMap, const MindMapData& data, Error* error = nullptr);
    // A map of the store's own, read whole into the map (which it brackets itself).
    static bool readStoredMindMap(MindMap& mindMap, const MindMapData& data, const std::string& guid,
                                  Error* error = nullptr);

    // Data that is no property list, or whose root is neither missing nor a dictionary, fails with
    // the application error of code 10; topics nested deeper than TopicDepthLimit allows fail
    // with the limit, before anything of the map is touched.
    bool readMindMapFromData(const MindMapData& data, Error* error = nullptr);
    // The levels the usable topics of the "nodes" array make once linked, from their ids alone.
    static size_t topicLevels(const PropertyList& nodes);
    void loadFromDictionary(const PropertyList& dictionary);

    // A colour of "r", "g" and "b" from 0 to 255; nothing when one of them is missing.
    static std::optional<Color> readColor(const PropertyList& dictionary);

private:
    void loadNodesFromDictionary(const PropertyList& dictionary, const MindMapCompatibility& compatibility);
    void loadNodesDataFromArray(const PropertyList& nodes, const MindMapCompatibility& compatibility);
    void loadRelationsFromDictionary(const PropertyList& dictionary, const MindMapCompatibility& compatibility);
    void loadDiagramMetaFromDictionary(const PropertyList& meta);
    // The node loaded under that document id; nothing for the ids that mean none.
    MindMapNode* nodeOnId(const PropertyList& id);

    Texts _texts;
};

// Registers the reader for read format 1 with the map's format table.
void registerPropertyListFormat();
