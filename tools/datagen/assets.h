// Every file of the game's data, generated in a fixed order.
#pragma once

#include <string>
#include <vector>

#include "pack.h"

namespace datagen {

// The names the game loads (with '/' for its '\'), in pack order. Work is spread over
// `threads` threads; the result does not depend on how many.
// `fontPath` is the TrueType face of the bitmap font and the menu title.
std::vector<DataFile> generateData(const std::string& fontPath, unsigned threads);

}  // namespace datagen
