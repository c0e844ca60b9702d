#pragma once

// Exported files read back with the libraries other programs use: poppler, libpng, libtiff.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ReadBackPixel {
    int r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const ReadBackPixel&, const ReadBackPixel&) = default;
};
struct ReadBackPicture {
    int64_t width = 0, height = 0;
    std::vector<uint32_t> rgba; // libtiff's packing: r in the lowest byte
    bool associatedAlpha = false;
    bool storesAlpha = true; // the file has an alpha channel
    ReadBackPixel at(int64_t x, int64_t y) const;
};
std::optional<ReadBackPicture> readPng(const std::vector<uint8_t>& data);
std::optional<ReadBackPicture> readTiff(const std::vector<uint8_t>& data);
struct ReadBackPdfPage {
    double width = 0, height = 0;
    std::vector<std::string> uris;
    std::string fonts; // the names of the fonts first used on the page, each followed by a space
};
std::optional<std::vector<ReadBackPdfPage>> readPdf(const std::vector<uint8_t>& data);
