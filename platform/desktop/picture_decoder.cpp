// stb_image built into the engine with only the formats the game's pictures come in. The
// other decoders of the system's build (JPEG above all) misbehave on hostile files: a
// damaged JPEG Huffman table writes past its array.
#include "picture_decoder.h"

#include <climits>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#include <stb/stb_image.h>

namespace desktop {

bool pictureSize(const unsigned char* bytes, std::size_t size, int& width, int& height) {
    if (size == 0 || size > static_cast<std::size_t>(INT_MAX)) return false;
    int channels = 0;
    return stbi_info_from_memory(bytes, static_cast<int>(size), &width, &height, &channels) != 0;
}

bool decodePicture(const unsigned char* bytes, std::size_t size, Picture& picture) {
    picture = Picture{};
    if (size == 0 || size > static_cast<std::size_t>(INT_MAX)) return false;
    int channels = 0;
    picture.pixels =
        stbi_load_from_memory(bytes, static_cast<int>(size), &picture.width, &picture.height, &channels, 4);
    return picture.pixels != nullptr;
}

void freePicture(Picture& picture) {
    stbi_image_free(picture.pixels);
    picture = Picture{};
}

const char* pictureFailure() {
    const char* reason = stbi_failure_reason();
    return reason ? reason : "unknown";
}

}  // namespace desktop
