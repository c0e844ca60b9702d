#pragma once

#include <array>
#include <cstdint>
#include <span>

// The image-size popups of the image settings and the image link panel: each item's title key and
// the size in points it stands for. A stored size between two steps shows as the next larger step.
class ImageSizePopupButtons {
public:
    struct Item {
        const char* titleKey;
        int64_t size;
    };
    using Items = std::span<const Item>;

    static constexpr int64_t UnrestrictedSize = 16777215;

    static constexpr std::array<Item, 6> EmbeddedImageSizes{{
        {"image_size_limit_thumbnail", 160},
        {"image_size_limit_default", 320},
        {"image_size_limit_large", 480},
        {"image_size_limit_extra_large", 640},
        {"image_size_limit_xx_large", 800},
        {"image_size_limit_unrestricted", UnrestrictedSize},
    }};
    static constexpr std::array<Item, 4> ThumbnailImageSizes{{
        {"thumbnail_size_small", 100},
        {"thumbnail_size_default", 160},
        {"thumbnail_size_large", 240},
        {"thumbnail_size_extra_large", 320},
    }};
    static constexpr std::array<Item, 6> UploadImageSizes{{
        {"image_upload_size_small", 320},
        {"image_upload_size_normal", 640},
        {"image_upload_size_large", 960},
        {"image_upload_size_extra_large", 1280},
        {"image_upload_size_xx_large", 1600},
        {"image_size_limit_unrestricted", UnrestrictedSize},
    }};

    // The first item whose size is at least the given one; the first item when none is (0 for an
    // empty list).
    static size_t indexForImageSize(Items items, int64_t size);
    // The size of the item at the index; the first item's for a negative index or one past the
    // list, 0 for an empty list.
    static int64_t imageSizeAt(Items items, long index);
};
