// The program's icon for desktop menus: the game's own sun, a planet on its orbit ring and
// the star field, on a rounded dark tile.
#pragma once

#include "image.h"

namespace datagen {

// A size x size picture; every size is drawn afresh so small icons stay sharp.
Image appIcon(int size);

}  // namespace datagen
