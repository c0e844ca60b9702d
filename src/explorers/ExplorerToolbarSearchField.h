#pragma once

#include "Editor/TwToolbar.h"
#include "explorers/MindMapSearchField.h"

#include <functional>

// The search field of the main toolbar as the explorers make it: their own field, keeping its mode
// under the main window's key. The window hands it (or nullptr) to the explorer that searches.
class ExplorerToolbarSearchField : public EditorSearchField {
public:
    ExplorerToolbarSearchField();

    MindMapSearchField& field() { return _field; }
    // The explorers' field inside a field the window hands on; nullptr for none or another kind.
    static MindMapSearchField* searchField(EditorSearchField* field);

    void clearText() override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const { return _enabled; }
    // The entry showing the field follows its enabled state.
    void setEnabledHandler(std::function<void(bool enabled)> handler) { _enabledChanged = std::move(handler); }

    // Makes the toolbar's search item with this field from now on.
    static void install();

private:
    MindMapSearchField _field;
    bool _enabled = true;
    std::function<void(bool enabled)> _enabledChanged;
};
