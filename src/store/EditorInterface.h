#pragma once

#include <any>
#include <memory>
#include <string>

class MindMapProvider;
class MindMapStorage;

// How model, storage and cloud code reach the editor (the one open map) without depending on the
// shell. The document controller installs itself as the process-wide instance; until it does, and
// after it has gone, callers get a NullEditorInterface.
class EditorInterface {
public:
    virtual ~EditorInterface() = default;

    // The storage of the open map; nullptr when no map is open.
    virtual MindMapStorage* currentStorage() = 0;
    // The provider of currentStorage(); nullptr when no map is open.
    virtual MindMapProvider* currentProvider() = 0;

    // Switches the editor to that map. info is empty or the selection to restore once it is open.
    virtual void openStorage(MindMapProvider* provider, const std::string& storageId, const std::any& info) = 0;
    // Opens a map by provider id, possibly asynchronously (the cloud providers).
    virtual void asyncOpenMindMap(const std::string& providerId, const std::string& mindMapId,
                                  const std::any& info) = 0;

    virtual bool isEditorModified() = 0;
    // Ends in-place editing and the other editor modes so that their edits reach the map.
    virtual void commitModelessEditors() = 0;
    // Writes the open map to its storage when it is edited; false when that failed.
    virtual bool commitEditor() = 0;

    virtual void setCustomMindMapTitle(const std::string& title) = 0;

    // A map of that provider was deleted: forget it in the navigation history.
    virtual void mindMapDeleted(MindMapProvider* provider, const std::string& mindMapId) = 0;
    // A map's id changed: the navigation history and the window title follow it.
    virtual void mindMapRenamed(MindMapProvider* provider, const std::string& oldId, const std::string& newId) = 0;
    // A provider went away: forget all its maps in the navigation history.
    virtual void removeProviderEntries(MindMapProvider* provider) = 0;
};

// Answers harmlessly while no editor is installed: no storage, nothing modified, commits succeed
// (so that work running at quit is not held up), requests to open are ignored.
class NullEditorInterface : public EditorInterface {
public:
    MindMapStorage* currentStorage() override { return nullptr; }
    MindMapProvider* currentProvider() override { return nullptr; }
    void openStorage(MindMapProvider*, const std::string&, const std::any&) override {}
    void asyncOpenMindMap(const std::string&, const std::string&, const std::any&) override {}
    bool isEditorModified() override { return false; }
    void commitModelessEditors() override {}
    bool commitEditor() override { return true; }
    void setCustomMindMapTitle(const std::string&) override {}
    void mindMapDeleted(MindMapProvider*, const std::string&) override {}
    void mindMapRenamed(MindMapProvider*, const std::string&, const std::string&) override {}
    void removeProviderEntries(MindMapProvider*) override {}
};

// Held while something the user did not ask for (an autosave, a paired phone's fetch, a cloud
// signing out) writes the open map: a name being typed into one of the window's lists stays open
// with its text, and the map is written without it. Nested holds are counted.
class OpenRenamesKept {
public:
    OpenRenamesKept();
    ~OpenRenamesKept();
    OpenRenamesKept(const OpenRenamesKept&) = delete;
    OpenRenamesKept& operator=(const OpenRenamesKept&) = delete;
    static bool held();
};

// The installed editor interface; while none is installed, one null interface made on demand and
// kept until the next installation. Never nullptr. The slot keeps what it answers alive.
EditorInterface* EditorInterfaceInstance();

// Installs the editor interface, sharing its ownership with the installer; installing the one
// already there changes nothing. nullptr empties the slot, so the next caller gets a fresh null
// interface.
void SetEditorInterfaceInstance(std::shared_ptr<EditorInterface> editorInterface);

inline constexpr const char* WillTerminateNotification = "Tarnwick.WillTerminateNotification";

// Announces the quit once per run, whichever of the quit paths gets there first; later calls do
// nothing.
void PostWillTerminateNotification();
