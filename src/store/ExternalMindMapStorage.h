#pragma once

#include "store/MindMapStorage.h"

#include <memory>
#include <set>
#include <string>

class CustomImageStore;

// The base of the cloud storages: one cloud map, opened through a private cache folder. Opening
// unpacks the local copy of the cloud file (a native container or bare native XML) into
// "mindmap.xml" and "images" of that folder; committing writes the document there and packs it
// back into the local copy, which the provider then uploads.
class ExternalMindMapStorage : public MindMapStorage {
public:
    static constexpr const char* CacheMindMapFileName = "mindmap.xml";
    static constexpr const char* CacheImagesFolderName = "images";

    // fileName: the local copy of the cloud file; cacheDirectory: the folder the provider claimed
    // (and made) for this storage.
    ExternalMindMapStorage(CreationKey key, MindMapProvider* provider, std::string id, const std::string& fileName,
                           const std::string& cacheDirectory);
    // Closes, so that an open storage's cache folder goes with it.
    ~ExternalMindMapStorage() override;

    std::shared_ptr<CustomImageStore> imageStore() const override;
    // The local file's name without folder and extension.
    std::string title() const override;
    void setSourceFile(const std::string& fileName);

    void open() override;
    Error openError() const override { return _openError; }
    // Unpacks again without closing (closing would delete the cache folder); nothing when closed.
    void reopen() override;
    // Removes the cache folder of an open storage.
    void close() override;

    // The map is written to "mindmap.xml" and packed into the local copy of the cloud file;
    // mindMapCommitted() is called only when both succeeded. Each file is replaced all at once,
    // so a failure leaves the previous version whole.
    bool commitMindMap(MindMap* mindMap, Error* error = nullptr) override;
    std::string mindMapFileUrl() const override;
    // The bytes of the local copy of the cloud file.
    std::optional<std::vector<uint8_t>> getMindMapExportData() override;

    // Calls externallyChanged() when the path is the local copy's (ignoring case).
    void fileExternallyChanged(const std::string& path);

    std::string cacheMindMapFileName() const;
    const std::string& fileName() const { return _fileName; }
    const std::string& cacheDirectory() const { return _cacheDirectory; }

    // Every custom image a map uses: those of its topics and those inside its relations.
    static void collectReferencedImages(const MindMap& mindMap, std::set<std::string>& images);

protected:
    // Called after each successful commit; subclasses schedule the upload here.
    virtual void mindMapCommitted();
    // Writes the container's document to "mindmap.xml" and adds its images to the image store
    // (images already there are kept).
    void openZipDocument();

private:
    std::string _cacheDirectory;
    std::shared_ptr<CustomImageStore> _imageStore;
    std::string _fileName;
    Error _openError;
};
