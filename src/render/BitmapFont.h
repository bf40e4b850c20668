#pragma once
#include <cstdint>

// The window's text font, 12-point Helvetica as freeglut draws it, held as a
// glyph table of our own: any GL context draws it (the window's, or one that
// draws into memory with no display), pixel for pixel as freeglut does.
struct BitmapGlyph {
    uint8_t advance;  // pixels the raster position moves on
    uint8_t width, height;
    int8_t left, bottom;  // the bitmap's lower left pixel from the raster position
    uint16_t bits;        // offset of its rows in the table, bottom row first, MSB leftmost
};
const BitmapGlyph &bitmapGlyph(unsigned char c);
const uint8_t *bitmapGlyphBits(const BitmapGlyph &g);
// Draws text from the current raster position on, advancing it.
void drawBitmapText(const char *text);
