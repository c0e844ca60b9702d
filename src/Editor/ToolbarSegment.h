#pragma once

#include "platform/Responder.h"

#include <memory>
#include <optional>
#include <string>

class SegmentedControl;

// One button of a segmented toolbar control: image, tool tip, action and, optionally, a drop-down
// menu that its control holds. Its action goes to its target, else along the responder chain,
// else to the document of the key window; it is enabled by the validation of that handler.
class ToolbarSegment : public ValidatedUserInterfaceItem {
public:
    ToolbarSegment(std::string image, Responder* target, std::string action, std::string toolTip);
    static std::shared_ptr<ToolbarSegment> toolbarSegment(std::string image, Responder* target, std::string action,
                                                          std::string toolTip)
    {
        return std::make_shared<ToolbarSegment>(std::move(image), target, std::move(action), std::move(toolTip));
    }

    // The name of the segment's image resource.
    const std::string& image() const { return _image; }
    void setImage(const std::string& image) { _image = image; }
    // Not owned.
    Responder* target() const { return _target; }
    void setTarget(Responder* target) { _target = target; }
    std::string action() const override { return _action; }
    void setAction(const std::string& action) { _action = action; }
    const std::string& toolTip() const { return _toolTip; }
    void setToolTip(const std::string& toolTip) { _toolTip = toolTip; }
    // Whether a click opens the segment's menu (when its control has one) instead of acting.
    bool handleMenu() const { return _handleMenu; }
    void setHandleMenu(bool handleMenu) { _handleMenu = handleMenu; }
    const std::optional<std::string>& label() const { return _label; }
    void setLabel(std::optional<std::string> label) { _label = std::move(label); }

    // The object that will handle the action, or nullptr.
    Responder* findActionHandler() const;
    bool validateSegment() const;
    void doClicked(SegmentedControl& control);

private:
    std::string _image;
    Responder* _target;
    std::string _action;
    std::string _toolTip;
    bool _handleMenu = true;
    std::optional<std::string> _label;
};
