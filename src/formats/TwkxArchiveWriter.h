#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

class ImageStore;
class ZipArchive;

// The entries of the native zip container of one map.
inline constexpr const char* TwkxDocumentEntryName = "document/mindmap.xml";
inline constexpr const char* TwkxImagesFolderName = "images";

// Writes the native container of one map: the document as "document/mindmap.xml" and each of its
// custom images as "images/<hash>.png". Releasing the writer completes the zip file in place.
class TwkxArchiveWriter {
public:
    // Starts the zip at the path; a temporary file is deleted when the writer goes away.
    explicit TwkxArchiveWriter(const std::string& fileName, bool isTemp = false);
    // A writer on a new, uniquely named file in the temporary folder.
    static std::unique_ptr<TwkxArchiveWriter> initWithTempFile();
    ~TwkxArchiveWriter();
    TwkxArchiveWriter(const TwkxArchiveWriter&) = delete;
    TwkxArchiveWriter& operator=(const TwkxArchiveWriter&) = delete;

    const std::string& fileName() const { return _fileName; }
    // True while every required step succeeded.
    bool archiveOK() const { return _archiveOK; }

    // The document file, dated with its modification time.
    // Waits for its caller in the shell.
    void addMindMapDocument(const std::string& path);
    // The document's bytes, dated now.
    void addMindMapDocumentData(std::span<const uint8_t> data);
    // The store's file of each hash; images that are missing are left out without failing.
    void addCustomImages(const std::set<std::string>& hashes, const ImageStore& imageStore);

    // Completes the zip and answers its bytes; empty (and no longer OK) when any required step
    // failed.
    std::optional<std::vector<uint8_t>> getArchiveData();

private:
    std::string _fileName;
    std::unique_ptr<ZipArchive> _archive;
    bool _archiveOK = false;
    bool _usesTempFile = false;
};
