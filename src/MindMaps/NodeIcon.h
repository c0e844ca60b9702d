#pragma once

#include "platform/Geometry.h"
#include "platform/Image.h"

#include <memory>
#include <string>

// A small picture that a topic shows beside or above its text: a stock icon, a custom icon from
// the map's images, the icon of its link or its embedded picture. The icon knows its image name,
// loads the image and computes the size in which it is drawn, margins included; the node places
// it and the painter draws it.
//
// Images are shared, immutable pictures: the stock icon registry, the image store and the cache
// of application images below hand out the same picture to every icon that shows it.
class NodeIcon {
public:
    // Stock and link icons start 20 x 20 and then load the image of their name.
    static constexpr double DefaultSide = 20;

    virtual ~NodeIcon();
    NodeIcon(const NodeIcon&) = delete;
    NodeIcon& operator=(const NodeIcon&) = delete;

    const std::string& imageName() const { return _imageName; }
    // An unchanged name does nothing; another one is stored and its image loaded (updateImage).
    void setImageName(const std::string& imageName);

    const std::shared_ptr<const Image>& image() const { return _image; }
    void setImage(std::shared_ptr<const Image> image);

    Size size() const { return _size; }
    // Added on both sides.
    double hMargin() const { return _hMargin; }
    double vMargin() const { return _vMargin; }

    // Loads the image of the name and computes the size; the base has nothing to load.
    virtual void updateImage();
    // Shown in place of a picture that cannot be found.
    virtual std::shared_ptr<const Image> missingStockIconImage() const;

    // The application image resource of that name, read once and then shared; null when the
    // resource is missing. Main thread only.
    static std::shared_ptr<const Image> applicationImageNamed(const std::string& name);

    static constexpr const char* MissingImageName = "missing_32";

protected:
    // The size starts at side x side; nothing is loaded here, since a base constructor cannot
    // reach the loading of the class being built: each concrete class sets its name itself.
    explicit NodeIcon(double side = 0, Size margins = {});

    void setSize(Size size) { _size = size; }

private:
    std::string _imageName;
    std::shared_ptr<const Image> _image;
    Size _size;
    double _hMargin = 0;
    double _vMargin = 0;
};
