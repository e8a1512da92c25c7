// Particle systems for bodies, reading each preset file once: the first system of a preset
// loads it, every later one copies the record, so a new planet reads no file.
#pragma once

#include <memory>

class ParticleSystem;
class Sprite;

namespace bodies {

// A stopped, empty system at (0, 0) stepping once per update, drawn with `sprite`.
std::unique_ptr<ParticleSystem> makeParticleSystem(const char* presetFile, Sprite* sprite);

// The presets are kept while any body record exists; the last one to go forgets them, so
// the next tree reads its presets afresh.
void holdPresets();
void dropPresets();

}  // namespace bodies
