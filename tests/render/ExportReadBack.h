#pragma once

// Reading exported files back with the libraries other programs use: poppler for PDF, libpng and
// libtiff for pictures, ghostscript for EPS.

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
    // Straight RGBA, row after row.
    std::vector<uint8_t> rgba;
    ReadBackPixel at(int64_t x, int64_t y) const;
};

std::optional<ReadBackPicture> readPng(const std::vector<uint8_t>& data);
// Also tells whether the alpha is stored as associated (premultiplied).
std::optional<ReadBackPicture> readTiff(const std::vector<uint8_t>& data, bool* associatedAlpha = nullptr);

struct ReadBackPdfPage {
    double width = 0, height = 0;
    std::vector<std::string> uris;
};

// Every page with its size and its URI links; nothing when poppler cannot read the data.
std::optional<std::vector<ReadBackPdfPage>> readPdf(const std::vector<uint8_t>& data);
// A page rendered by poppler at one pixel a point.
std::optional<ReadBackPicture> renderPdfPage(const std::vector<uint8_t>& data, int pageIndex);
