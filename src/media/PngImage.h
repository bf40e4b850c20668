#pragma once
#include <vector>

// A picture (rgb rows top first, three bytes a pixel) as the bytes of a PNG
// file; false when it cannot be encoded.
bool encodePng(const unsigned char *rgb, int width, int height, std::vector<unsigned char> &png);
