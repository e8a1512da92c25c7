// MP3 encoding through LAME, with its gapless tag (encoder delay and padding) so decoders
// that honour it give back exactly the samples that went in and loops stay seamless.
#pragma once

#include <string>

#include "synth.h"

namespace datagen {

std::string encodeMp3(const Samples& mono, int kbps);
std::string encodeMp3(const Stereo& stereo, int kbps);

}  // namespace datagen
