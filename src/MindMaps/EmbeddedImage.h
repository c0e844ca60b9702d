#pragma once

#include "MindMaps/CustomIcon.h"

#include <string>

// A picture shown inside a topic, named by its bare image hash. The user chooses the display
// scale; the drawn picture's longer side is at most 1000 points.
class EmbeddedImage : public CustomIcon {
public:
    static constexpr double DefaultScale = 1.875;
    static constexpr double MinimumScale = 0.5;
    static constexpr double MaximumScale = 5.0;

    EmbeddedImage(MindMapNode* node, const std::string& imageName, Size margins = {});

    std::string imageHash() const override { return imageName(); }
    double getScale() const override { return _scale; }
    double getMaxBoxSize() const override { return 1000; }

    double scale() const { return _scale; }
    // Clamped to 0.5 ... 5.0; a changed scale recomputes the size. A value that is not a number
    // is ignored.
    void setScale(double scale);

protected:
    void initialize() override;

private:
    double _scale = DefaultScale;
};
