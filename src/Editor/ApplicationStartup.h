#pragma once

#include <functional>
#include <string>

class UserDefaults;

// What start-up asks of the document controller to open the first map.
class StartupDocumentOpener {
public:
    virtual ~StartupDocumentOpener() = default;
    virtual void asyncOpenMindMap(const std::string& providerId, const std::string& mindMapId) = 0;
    virtual void openLocalMindMapOnGuid(const std::string& guid) = 0;
    virtual void newDocument() = 0;
};

// The defaults every launch registers, and the choice of the first map.
class ApplicationStartup {
public:
    static constexpr const char* ReopenProviderIdKey = "docctrl.reopen.provider.id";
    static constexpr const char* ReopenMindMapIdKey = "docctrl.reopen.mindmap.id";

    // Registers the application's defaults beneath the user's values, and writes the two keys
    // every launch writes.
    static void registerDefaults(UserDefaults& defaults);
    // The map remembered at the last quit; else, with an empty store, the getting-started map
    // (a new map only when it cannot be imported); else nothing, and the editor shows its empty
    // state. An importer (answering the new map's GUID, empty on failure) may stand in for the
    // getting-started map's.
    static void checkInitialState(StartupDocumentOpener& opener, UserDefaults& defaults, size_t storeMapCount,
                                  const std::function<std::string()>& importGettingStarted = {});
    // The user's documents folder.
    static std::string documentsFolder();
};
