#pragma once

#include <functional>
#include <string>

class UserDefaults;

// The three ways start-up opens its first map, the document controller's own.
struct StartupDocumentSteps {
    // Opens the map remembered at the last quit; false when none is remembered.
    std::function<bool()> reopenRememberedMindMap;
    std::function<void(const std::string& guid)> openLocalMindMapOnGuid;
    std::function<void()> newDocument;
};

// The defaults every launch registers, and the choice of the first map.
class ApplicationStartup {
public:
    static constexpr const char* ReopenProviderIdKey = "docctrl.reopen.provider.id";
    static constexpr const char* ReopenMindMapIdKey = "docctrl.reopen.mindmap.id";

    // Registers the application's defaults beneath the user's values, and writes the two keys
    // every launch writes.
    static void registerDefaults(UserDefaults& defaults);
    // The map remembered at the last quit (a remembered map that is gone leaves the editor empty);
    // else, with an empty store, the getting-started map
    // (a new map only when it cannot be imported); else nothing, and the editor shows its empty
    // state. An importer (answering the new map's GUID, empty on failure) may stand in for the
    // getting-started map's.
    static void checkInitialState(const StartupDocumentSteps& steps, size_t storeMapCount,
                                  const std::function<std::string()>& importGettingStarted = {});
    // The user's documents folder.
    static std::string documentsFolder();
};
