#pragma once

#include "store/MindMapStorage.h"

class MindMapInfoItem;

// An open map of the local store. It keeps nothing but the map's GUID (its id) and looks the map
// up in the store each time, so that a map that is gone answers nothing.
class LocalMindMapStorage : public MindMapStorage {
public:
    LocalMindMapStorage(CreationKey key, MindMapProvider* provider, std::string guid);

    std::shared_ptr<CustomImageStore> imageStore() const override;
    std::string guid() const override;
    // The map's single-line title; empty when the store has no such map.
    std::string title() const override;
    // The central theme is the map's title in the store's lists.
    void centralThemeChanged(const std::string& themeText) override;
    bool commitMindMap(MindMap* mindMap, Error* error = nullptr) override;
    std::string mindMapFileUrl() const override;
    std::optional<std::vector<uint8_t>> getMindMapExportData() override;
    // Follows whether the map's folder lies in the recycle bin.
    void updateRecyclerStatus();

    MindMapInfoItem* mindMapItem() const;
};
