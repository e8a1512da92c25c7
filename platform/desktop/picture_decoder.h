// Decoding of picture files (PNG, TGA, BMP) into RGBA pixels. Internal to platform/desktop.
#pragma once

#include <cstddef>

namespace desktop {

struct Picture {
    unsigned char* pixels = nullptr;  // width * height RGBA pixels; free with freePicture
    int width = 0;
    int height = 0;
};

// Reads the size from the header without decoding; false when it is not a picture.
bool pictureSize(const unsigned char* bytes, std::size_t size, int& width, int& height);
// False (and a reason) when the bytes are not a picture the decoder accepts.
bool decodePicture(const unsigned char* bytes, std::size_t size, Picture& picture);
void freePicture(Picture& picture);
const char* pictureFailure();

}  // namespace desktop
