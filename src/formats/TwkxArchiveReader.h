#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Error.h"

class ImageStore;
class UnzipArchive;

// Reads the native container of one map: its document and its custom images. An archive that
// cannot be read, or that is beyond the archive limits (UnzipArchive::Limits), lists no files and
// yields nothing; the error then says why. A reader works on its own data only: readers may run
// on any thread.
class TwkxArchiveReader {
public:
    // Opens the zip file; a temporary file is deleted when the reader goes away.
    explicit TwkxArchiveReader(const std::string& fileName, bool isTemp = false, Error* error = nullptr);
    // Reads the container from the bytes themselves, without a file.
    explicit TwkxArchiveReader(std::vector<uint8_t> data, Error* error = nullptr);
    ~TwkxArchiveReader();
    TwkxArchiveReader(const TwkxArchiveReader&) = delete;
    TwkxArchiveReader& operator=(const TwkxArchiveReader&) = delete;

    // The entries' names, with "/" as separator.
    const std::vector<std::string>& files() const { return _files; }

    // Whether the archive opened within the limits.
    bool isOpen() const;

    // "document/mindmap.xml", found without regard to case.
    std::optional<std::vector<uint8_t>> extractMindMapDocument();
    std::optional<std::vector<uint8_t>> extractFile(const std::string& name);

    // Copies every "images/<hash>.png" entry that the store does not have yet into the store's
    // folder and announces it there. Existing images are never replaced. An image is kept only
    // when it reads, decodes and the SHA-1 of its bytes is its name; the names of the image
    // entries skipped for that, or because their name is no hash, are answered. Entries of other
    // folders are passed over.
    std::vector<std::string> importCustomImages(ImageStore& imageStore);

private:
    std::vector<std::string> _files;
    std::string _fileName;
    std::unique_ptr<UnzipArchive> _archive;
    bool _usesTempFile = false;
};
