#pragma once

#include "platform/NotificationCenter.h"
#include "store/MindMapProvider.h"

#include <memory>
#include <string>
#include <vector>

class MindMapInfoItem;

// The provider of the local store's maps; its storages are LocalMindMapStorage, whose ids are the
// maps' GUIDs. It follows the store: open maps learn when they move into or out of the recycle
// bin, are let go when their map is deleted, and hear when their file was rewritten from outside.
class LocalProvider : public MindMapProvider {
public:
    // initProvider: the store exists when its provider is made.
    LocalProvider();
    ~LocalProvider() override;

    std::string title() const override;
    bool isAsynchrone() const override;
    Image iconImage() const override;
    Image largeIcon() const override;
    std::optional<MindMapListInfo> getMindMapListInfo(const std::string& mindMapId) override;
    bool isValidMapId(const std::string& mindMapId) override;
    std::string getSourceFileURL(const std::string& mindMapId) override;
    std::optional<std::vector<uint8_t>> getMindMapXmlScanData(const std::string& mindMapId) override;
    // Entries of unchanged maps keep their loaded full text; changed maps read theirs again.
    std::shared_ptr<MindMapSearchCache> buildSearchCache() override;
    std::shared_ptr<MindMapStorage> createStorage(const std::string& mindMapId) override;
    // A new map beside the reference's map, unless that lies in the recycle bin (then in the root).
    MindMapInfoItem* addMindMapItemFromReference(MindMapStorage* reference);
    std::string createNewMindMapWithReference(MindMapStorage* reference, const std::string& title) override;
    // Duplicates the storage's map beside it and opens the copy in the editor; a copy the disk
    // refuses, or that the folder index could not take, leaves nothing behind.
    bool duplicateMindMap(MindMapStorage* storage, Error* error = nullptr) override;
    bool deleteMindMap(const std::string& mindMapId) override;
    // Imports the data as a new map into the folder of that id and reports it in the feedback centre.
    std::string performCopyToCloud(const std::string& folderId, const std::string& title,
                                   const std::vector<uint8_t>& data) override;

    // Waits for its caller in the shell.
    const std::shared_ptr<MindMapSearchCache>& searchCache() const { return _searchCache; }

private:
    void storeChanged();
    void mindMapDeleted(const std::string& guid);
    void mindMapExternallyCommitted(const std::string& guid);

    std::shared_ptr<MindMapSearchCache> _searchCache;
    std::vector<ObservationToken> _observations;
};
