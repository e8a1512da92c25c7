// The game's sound effects (mono) and its three music loops (stereo), all at 44.1 kHz.
#pragma once

#include "synth.h"

namespace datagen {

Samples navigateSound();    // menu highlight moves: a short blip
Samples menuSelectSound();  // a menu item is chosen: a rising two-note chime
Samples selectSound();      // a planet is taken: an upward sweep
Samples deselectSound();    // a planet is let go: a downward sweep
Samples moveSound();        // orbit being reshaped: a one-second hum that loops seamlessly
Samples explodeSound();     // a body explodes: boom, noise and crackle
Samples increaseSound();    // more planets are needed: a two-tone alarm

Stereo menuMusic();          // calm, A minor, 60 s loop
Stereo instructionsMusic();  // gentle plucked arpeggios, D major, 64 s loop
Stereo playMusic();          // driving, E minor with drums, 64 s loop

}  // namespace datagen
