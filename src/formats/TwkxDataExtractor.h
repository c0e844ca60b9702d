#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

// Looks at native document data (the bare XML or the zip container) without loading it into a
// map: title, GUID, document version, whether custom images are used, the referenced image hashes
// and the full text. It can also tell the foreign formats by their root element.
//
// One extractor serves one scan; read its results afterwards. Unreadable data never raises an
// error: the scan answers false.
class TwkxDataExtractor {
public:
    // The scan options, combined as a bit mask. 0 reads the metadata only.
    enum Option : uint32_t {
        // Topic texts and the free texts of topics, parent relations and cross links.
        CollectFullText = 1,
        // The hashes of the custom images and icons the map refers to: those of topics (icons,
        // embedded images, contact pictures, images) and the images on parent relations and
        // cross links.
        CollectImages = 2,
        // Answers true with the format code for the older property list ("plist"), OPML ("opml")
        // and FreeMind ("map") roots, compared exactly.
        RecognizeForeignFormats = 4,
        // Reads no further than the end of "meta" when it is the first element of "mindmap", as
        // this program writes it: a large map's document is never parsed whole. The rest of the
        // document is not checked, so only for data known to read (just written, or read whole
        // before). Other documents are read whole. Ignored with CollectFullText or CollectImages.
        MetadataOnly = 8,
        // Measures how deeply the topics nest (topicLevels), as the reader would link them.
        MeasureTopicLevels = 16,
    };

    // False for empty data, a container without a document, unparsable XML, a native root
    // without "mindmap", and a foreign root (unless RecognizeForeignFormats recognises it).
    bool readFromData(std::span<const uint8_t> data, uint32_t options);

    // The data was a zip container (even when it held no document).
    bool isArchive() const { return _isArchive; }
    // The stored title; without one the localised "mindmap_unnamed_map" when some text was
    // collected, else the localised "mindmap_empty_map".
    std::string title() const;
    // Empty when the document names none, or one that could not name the map's file in a store.
    const std::string& loadedGuid() const { return _loadedGuid; }
    // Plain text in document order: topics (each followed by its free texts and those of its
    // parent relation), then the free texts of cross links.
    const std::vector<std::string>& fullText() const { return _fullText; }
    // Image hashes; custom icon hashes without their "#".
    const std::set<std::string>& images() const { return _images; }
    // The document's own "containsImages" flag.
    bool containsImages() const { return _containsImages; }
    // "doc-version"; -1 when missing.
    int64_t loadedVersion() const { return _documentVersion; }
    // The generator code ("TarnwickOSX" 1 ...), 0 when unknown, and its version text.
    int32_t generator() const { return _generator; }
    // Waits for its caller in the shell.
    const std::string& generatorVersion() const { return _generatorVersion; }
    // MindMapDocumentFormat: 2 after a native scan, 1, 4 or 5 for a recognised foreign root, else 0.
    int32_t format() const { return _format; }
    // With MeasureTopicLevels: the levels of the document's topic trees (TopicDepthLimit).
    size_t topicLevels() const { return _topicLevels; }

private:
    bool _isArchive = false;
    std::string _title;
    std::string _loadedGuid;
    std::vector<std::string> _fullText;
    std::set<std::string> _images;
    bool _containsImages = false;
    int64_t _documentVersion = -1;
    int32_t _generator = 0;
    std::string _generatorVersion;
    int32_t _format = 0;
    size_t _topicLevels = 0;
};
