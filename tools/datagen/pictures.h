// The game's pictures. Sizes follow how the game draws them: the star field is a 1024 x 1024
// tile, the overlay and backgrounds cover the 800 x 600 screen, animation frames sit in one
// row.
#pragma once

#include <string>

#include "image.h"

namespace datagen {

Image starField();                                  // Stars.tga, tiles seamlessly
Image backdropOverlay();                            // Black.tga, clear in the middle
Image menuBackground(const std::string& fontPath);  // Texture/MenuBG.tga
Image instructionsBackground();                     // Texture/InstructBG.tga
Image planetFrames();                               // Texture/Planet.png, 4 x 64 x 64
Image glow();                                       // particles.png, 64 x 64
Image flareFrames();                                // Ouch.png, 4 x 16 x 16
Image cursor();                                     // Texture/Cursor.png, 16 x 16

}  // namespace datagen
