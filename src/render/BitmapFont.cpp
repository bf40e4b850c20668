#include "render/BitmapFont.h"

#include <GL/gl.h>

// The table (BitmapFontTable.cpp) is made from freeglut's own drawing.
extern const BitmapGlyph kBitmapGlyphs[256];
extern const uint8_t kBitmapGlyphBits[];

const BitmapGlyph &bitmapGlyph(unsigned char c) { return kBitmapGlyphs[c]; }

const uint8_t *bitmapGlyphBits(const BitmapGlyph &g) { return kBitmapGlyphBits + g.bits; }

void drawBitmapText(const char *text) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const char *c = text; *c; c++) {
        const BitmapGlyph &g = bitmapGlyph(static_cast<unsigned char>(*c));
        glBitmap(g.width, g.height, static_cast<GLfloat>(-g.left), static_cast<GLfloat>(-g.bottom),
                 static_cast<GLfloat>(g.advance), 0.0f, bitmapGlyphBits(g));
    }
    glPopClientAttrib();
}
