#pragma once

#include "Editor/DocumentScheduler.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"
#include "platform/Geometry.h"
#include "platform/NotificationCenter.h"
#include "platform/Responder.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "store/MindMapStorageDelegate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class MindMap;
class MindMapStorage;

// Posted when the editor switched to another map or was left empty; the object is the one that
// switched it (the document controller, or the document when its storage went away).
inline constexpr const char* AfterChangingMindMapNotification = "AfterChangingMindMapNotification";
class MindMapProvider;

// What the document needs of the window that shows it. The window controller implements it; the
// document holds it without owning it and forgets it when told.
class EditorDocumentWindow {
public:
    virtual ~EditorDocumentWindow() = default;
    virtual void setWindowTitle(const std::string& title) = 0;
    // The editor view exists and is idle: not editing text in place, not dragging a cross link,
    // not showing an action bar.
    virtual bool canAutoSave() = 0;
    virtual void presentError(const Error& error) = 0;
    virtual void updateWindows() {}
    virtual void setIsRecyclerMap(bool /*isRecyclerMap*/) {}
    // The map is about to be emptied or read anew, for another map or the same one changed
    // elsewhere: the selections it goes through meanwhile are the map's, not the user's.
    virtual void mindMapWillChange() {}
    // A name being typed into one of the window's lists or trees (a topic's row of the outline)
    // is taken as Return would take it.
    virtual void commitCellEdits() {}
};

// The one document of the application. It owns the map being edited and is bound to at most one
// storage at a time; saving always means committing the map to that storage, and an autosave tick
// of its own commits edited maps once they fall due.
class EditorDocument : public MindMapDocumentOwner, public MindMapStorageDelegate, public Responder {
public:
    static constexpr const char* NativeTypeName = "com.orrinworks.tarnwick.mindmapx";
    static constexpr const char* AutoSaveDefaultsKey = "autoSaveMindMaps";
    static constexpr const char* NewMindMapLayoutModeKey = "newMindMapLayoutMode";
    static constexpr const char* NewMindMapLayoutDirectionKey = "newMindMapLayoutDirection";
    static constexpr double AutoSaveInterval = 10.0;
    static constexpr double AutoSaveDelay = 300.0;
    static constexpr double StartEditingNewMapDelay = 0.7;

    explicit EditorDocument(DocumentScheduler& scheduler);
    ~EditorDocument() override;
    EditorDocument(const EditorDocument&) = delete;
    EditorDocument& operator=(const EditorDocument&) = delete;

    // The read format of a document type name: 2 native, 1 older native, 5 FreeMind, 4 OPML,
    // 6 plain text, 0 anything else.
    static int32_t getMindMapFileFormatForTypeName(const std::string& typeName);

    MindMapStorage* storage() const { return _storage.get(); }
    MindMap* mindMap() const { return _mindMap.get(); }
    // The storage's title; empty without storage.
    std::string title() const;
    void setWindow(EditorDocumentWindow* window) { _window = window; }
    EditorDocumentWindow* window() const { return _window; }

    // nullptr leaves the document empty and succeeds. A storage that cannot be loaded leaves it
    // empty, with the cause.
    bool attachToStorage(std::shared_ptr<MindMapStorage> storage, Error* error = nullptr);
    // Lets go of the storage without committing.
    void detachFromStorage();
    bool loadDocumentFromStorage(Error* error = nullptr);
    // The next load of the file at path reads these bytes, just written there, instead of the
    // file; a load of any other file, or empty bytes, forget them.
    void expectDocument(std::string path, MindMapData data);
    // The map for an import to read into while no storage is attached; nullptr with one.
    MindMap* mindMapForImport();
    // The next load of the storage of the GUID finds its document in the map already (an import
    // read it there) and reads nothing; a load of any other storage, or an empty GUID, forget it.
    void expectLoadedMindMap(std::string guid);
    bool readFromData(const MindMapData& data, const std::string& typeName, Error* error = nullptr);

    // Writes the map to its storage when it is edited; true at once without storage.
    bool commitEditor(Error* error = nullptr);
    void commitModelessEditors();
    // commitEditor, presenting a failure.
    void saveDocument();
    // The window asks whether it may close: an edited map is committed, never prompted for.
    bool canCloseDocument();

    // Exports the map to the file; the format follows the file's extension.
    bool exportToFile(const std::string& path, double imageScaleFactor, bool selectionOnly, Error* error = nullptr);

    // The document's dialogs (EditorDocumentPanels.cpp): printing and exporting the map and its
    // outline, the map's file information, and going back to what is stored.
    void printDocument();
    void printOutline();
    void exportDocument();
    void exportOutline();
    void showMindMapInfo();
    void revertDocumentToSaved();
    // What the print options and the export panel size their figures by: the whole map and the
    // selected subtrees (zero when nothing is selected); for the export grown by the image margin.
    Size printMapSize() const;
    Size printSelectionSize() const;
    Size exportSelectionSize() const;

    bool autoSaveMindMaps() const { return _autoSave; }
    void setAutoSaveMindMaps(bool autoSave);
    std::optional<double> nextAutoSaveTime() const { return _nextAutoSaveTime; }
    bool hasAutoSaveTimer() const { return _autoSaveTimer != 0; }
    void autoSaveTimerTick();

    // MindMapDocumentOwner
    UndoManager* undoManager() override { return &_undoManager; }
    bool isDocumentEdited() const override { return _changeCount != 0; }
    void updateChangeCount(ChangeKind kind) override;

    // MindMapStorageDelegate
    void recyclerStatusChanged(MindMapStorage* storage) override;
    void externallyChanged(MindMapStorage* storage) override;
    void dropStorage(MindMapStorage* storage) override;

    void mindMapRenamed(MindMapProvider* provider, const std::string& oldId, const std::string& newId);

    // Nothing is enabled without a map; saving and reverting only with edits; the map-wide
    // actions (information, printing, exporting, the selections) always; the rest as the map
    // decides where it knows the action.
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

private:
    // The actions the document answers itself and the map's editing actions it forwards; the
    // styling ones take their value from the sender.
    void registerActions();
    void registerMapActions();
    void registerPanelActions();
    void centralThemeChanged();
    void delayedStartEditingNewMap();
    void stopAutoSaveTimer();
    void cancelStartEditing();
    void setWindowTitle(const std::string& title);
    void presentError(const Error& error);

    DocumentScheduler& _scheduler;
    std::shared_ptr<MindMapStorage> _storage;
    UndoManager _undoManager;
    std::unique_ptr<MindMap> _mindMap;
    bool _trackingTitle = false;
    bool _autoSave = false;
    std::optional<double> _nextAutoSaveTime;
    DocumentScheduler::Handle _autoSaveTimer = 0;
    DocumentScheduler::Handle _startEditingCall = 0;
    DocumentScheduler::Handle _reloadCall = 0;
    int64_t _changeCount = 0;
    EditorDocumentWindow* _window = nullptr;
    std::string _fileUrl;
    std::optional<std::pair<std::string, MindMapData>> _expectedDocument;
    std::string _loadedGuid;
    ObservationToken _titleObservation;
    ObservationToken _autoSaveObservation;
};
