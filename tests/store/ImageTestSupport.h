#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <string>
#include <vector>

// Pictures for the store tests, made on the spot.

// A picture of one colour; the colour makes equal sizes give different data.
Image solidImage(int width, int height, double red = 0.2, double green = 0.4, double blue = 0.8);
std::vector<uint8_t> pngBytes(int width, int height, double red = 0.2, double green = 0.4, double blue = 0.8);

// The picture encoded by gdk-pixbuf in another type ("jpeg", "png").
std::vector<uint8_t> encodedImage(int width, int height, const char* type);

// A PNG that has only a signature and a header stating this size (with a correct checksum).
std::vector<uint8_t> pngHeaderOnly(uint32_t width, uint32_t height);

// The pixel size of a picture file; 0 x 0 when it does not read.
std::pair<int, int> pictureFileSize(const std::string& path);
