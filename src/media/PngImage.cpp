#include "media/PngImage.h"

#include <stb_image_write.h>

bool encodePng(const unsigned char *rgb, int width, int height, std::vector<unsigned char> &png) {
    png.clear();
    stbi_flip_vertically_on_write(0);
    return stbi_write_png_to_func(
               [](void *context, void *data, int size) {
                   auto *out = static_cast<std::vector<unsigned char> *>(context);
                   const unsigned char *bytes = static_cast<const unsigned char *>(data);
                   out->insert(out->end(), bytes, bytes + size);
               },
               &png, width, height, 3, rgb, width * 3) != 0;
}
