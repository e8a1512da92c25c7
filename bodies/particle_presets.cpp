#include "bodies/particle_presets.h"

#include <map>
#include <string>

#include "gfx/particle_system.h"

namespace {

struct PresetCache {
    int holders = 0;
    std::map<std::string, ParticlePreset> presets;
};

// Never destroyed: bodies torn down by static destructors at exit still drop their hold
// on it, whatever the order of destruction.
PresetCache& cache() {
    static PresetCache& c = *new PresetCache;
    return c;
}

}  // namespace

namespace bodies {

std::unique_ptr<ParticleSystem> makeParticleSystem(const char* presetFile, Sprite* sprite) {
    auto& presets = cache().presets;
    if (auto it = presets.find(presetFile); it != presets.end()) {
        // No file name: the system starts empty and takes the kept record instead.
        auto system = std::make_unique<ParticleSystem>(nullptr, sprite, 0.0f);
        system->preset = it->second;
        system->preset.sprite = sprite;
        return system;
    }
    auto system = std::make_unique<ParticleSystem>(presetFile, sprite, 0.0f);
    ParticlePreset kept = system->preset;
    kept.sprite = nullptr;
    presets.emplace(presetFile, kept);
    return system;
}

void holdPresets() { ++cache().holders; }

void dropPresets() {
    PresetCache& c = cache();
    if (--c.holders == 0) c.presets.clear();
}

}  // namespace bodies
