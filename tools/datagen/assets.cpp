#include "assets.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "font.h"
#include "image.h"
#include "mp3.h"
#include "pictures.h"
#include "presets.h"
#include "sounds.h"

namespace datagen {

namespace {

constexpr int EffectKbps = 96;
constexpr int MusicKbps = 128;

struct Job {
    std::vector<std::string> names;  // the files this job writes, in pack order
    std::function<std::vector<std::string>()> make;
};

}  // namespace

std::vector<DataFile> generateData(const std::string& fontPath, unsigned threads) {
    auto one = [](std::string name, std::function<std::string()> make) {
        return Job{{std::move(name)}, [make] { return std::vector<std::string>{make()}; }};
    };
    // Longest jobs first so the threads finish together.
    std::vector<Job> jobs;
    jobs.push_back(one("Media/VelkaroPlay.mp3", [] { return encodeMp3(playMusic(), MusicKbps); }));
    jobs.push_back(one("Media/Instruct.mp3", [] { return encodeMp3(instructionsMusic(), MusicKbps); }));
    jobs.push_back(one("Media/Menu.mp3", [] { return encodeMp3(menuMusic(), MusicKbps); }));
    jobs.push_back(one("Stars.tga", [] { return encodeTga(starField(), false); }));
    jobs.push_back(
        one("Texture/MenuBG.tga", [&fontPath] { return encodeTga(menuBackground(fontPath), true); }));
    jobs.push_back(one("Black.tga", [] { return encodeTga(backdropOverlay(), true); }));
    jobs.push_back(one("Texture/InstructBG.tga", [] { return encodeTga(instructionsBackground(), true); }));
    jobs.push_back(Job{{"myFont.fnt", "myFont.png"}, [&fontPath] {
                           BitmapFontFiles font = buildBitmapFont(fontPath, "myFont.png");
                           return std::vector<std::string>{font.description, encodePng(font.texture)};
                       }});
    jobs.push_back(one("Media/Explode.mp3", [] { return encodeMp3(explodeSound(), EffectKbps); }));
    jobs.push_back(one("Media/Move.mp3", [] { return encodeMp3(moveSound(), EffectKbps); }));
    jobs.push_back(one("Media/Increase.mp3", [] { return encodeMp3(increaseSound(), EffectKbps); }));
    jobs.push_back(one("Media/MenuSelect.mp3", [] { return encodeMp3(menuSelectSound(), EffectKbps); }));
    jobs.push_back(one("Media/Navigate.mp3", [] { return encodeMp3(navigateSound(), EffectKbps); }));
    jobs.push_back(one("Media/Select.mp3", [] { return encodeMp3(selectSound(), EffectKbps); }));
    jobs.push_back(one("Media/Deselect.mp3", [] { return encodeMp3(deselectSound(), EffectKbps); }));
    jobs.push_back(one("Texture/Planet.png", [] { return encodePng(planetFrames()); }));
    jobs.push_back(one("particles.png", [] { return encodePng(glow()); }));
    jobs.push_back(one("Ouch.png", [] { return encodePng(flareFrames()); }));
    jobs.push_back(one("Texture/Cursor.png", [] { return encodePng(cursor()); }));
    jobs.push_back(one("particle1.psi", [] { return encodePreset(sunCorona()); }));
    jobs.push_back(one("Boom3.psi", [] { return encodePreset(explosionBurst()); }));

    std::vector<std::vector<std::string>> results(jobs.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) results[i] = jobs[i].make();
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < std::max(1u, threads); ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();

    std::vector<DataFile> files;
    for (size_t i = 0; i < jobs.size(); ++i)
        for (size_t k = 0; k < jobs[i].names.size(); ++k)
            files.push_back({jobs[i].names[k], std::move(results[i][k])});
    return files;
}

}  // namespace datagen
