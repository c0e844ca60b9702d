#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PopoverPresenter.h"

#include <cstdint>

class PopoverColorPicker;

// Told the colour the user picked.
class PopoverColorPickerDelegate {
public:
    virtual ~PopoverColorPickerDelegate() = default;
    virtual void popoverColorPicked(PopoverColorPicker& picker, const Color& color) = 0;
};

// A colour chooser that pops up next to a rectangle of the map editor's view. The caller keeps in
// the tag what the colour is for (the window: the colour aspect) and reads it back when the colour
// arrives. The desktop's half shows the chooser and calls colorPicked().
class PopoverColorPicker {
public:
    virtual ~PopoverColorPicker() = default;

    int64_t tag() const { return _tag; }
    void setTag(int64_t tag) { _tag = tag; }
    PopoverColorPickerDelegate* delegate() const { return _delegate; }
    void setDelegate(PopoverColorPickerDelegate* delegate) { _delegate = delegate; }

    // Closes a shown chooser first, then shows it pointing at the rectangle (view points, y down)
    // from the preferred side. Without transparency every colour picked is opaque.
    void popupAtFrame(const Rect& viewRect, PopoverPresenter::Edge preferredEdge, bool transparency)
    {
        if (isShown()) close();
        _transparency = transparency;
        showChooser(viewRect, preferredEdge, transparency);
    }
    bool offersTransparency() const { return _transparency; }
    virtual bool isShown() const = 0;
    virtual void close() = 0;

protected:
    virtual void showChooser(const Rect& viewRect, PopoverPresenter::Edge preferredEdge, bool transparency) = 0;
    // The user picked a colour: the chooser closes, then the delegate hears of it. A chooser that
    // did not offer transparency never hands on a see-through colour, whatever its widget says.
    void colorPicked(const Color& color)
    {
        close();
        const Color picked = _transparency ? color : Color(color.red(), color.green(), color.blue(), 1.0);
        if (_delegate) _delegate->popoverColorPicked(*this, picked);
    }

private:
    int64_t _tag = 0;
    bool _transparency = false;
    PopoverColorPickerDelegate* _delegate = nullptr;
};
