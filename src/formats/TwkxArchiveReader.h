#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CustomImageStore;
class UnzipArchive;

// Reads the native container of one map: its document and its custom images. An archive that
// cannot be read lists no files and yields nothing.
class TwkxArchiveReader {
public:
    // Opens the zip file; a temporary file is deleted when the reader goes away.
    explicit TwkxArchiveReader(const std::string& fileName, bool isTemp = false);
    // Reads the container from the bytes themselves, without a file.
    explicit TwkxArchiveReader(std::vector<uint8_t> data);
    ~TwkxArchiveReader();
    TwkxArchiveReader(const TwkxArchiveReader&) = delete;
    TwkxArchiveReader& operator=(const TwkxArchiveReader&) = delete;

    // The entries' names, with "/" as separator.
    const std::vector<std::string>& files() const { return _files; }

    // "document/mindmap.xml", found without regard to case.
    std::optional<std::vector<uint8_t>> extractMindMapDocument();
    std::optional<std::vector<uint8_t>> extractFile(const std::string& name);

    // Copies every "images/<hash>.png" entry that the store does not have yet into the store's
    // folder and announces it there. Existing images are never replaced; entries that name no
    // image of the store (names that are not hashes, other folders) or cannot be read are passed
    // over.
    void importCustomImages(CustomImageStore& imageStore);

private:
    std::vector<std::string> _files;
    std::string _fileName;
    std::unique_ptr<UnzipArchive> _archive;
    bool _usesTempFile = false;
};
