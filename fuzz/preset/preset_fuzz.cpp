// Feeds arbitrary bytes to the particle system as a preset file and runs it: any values
// (NaN, infinities, huge rates, negative lives) must step, move and draw safely.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/particle_system.h"
#include "recording.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rec::reset();
    rec::setRealFiles(false);
    rec::addFile("Media\\fuzz.psi", std::vector<std::uint8_t>(data, data + size));
    Engine* engine = hgeCreate(ENGINE_VERSION);
    {
        Sprite sprite(0, 0, 0, 16, 16);
        sprite.setHotSpot(8, 8);
        ParticleSystem perFrame("Media\\fuzz.psi", &sprite, 0);
        ParticleSystem fixedRate("Media\\fuzz.psi", &sprite, 50);
        for (ParticleSystem* ps : {&perFrame, &fixedRate}) {
            ps->fireAt(400, 300);
            for (int i = 0; i < 12; ++i) {
                ps->update(i == 5 ? 2.5f : 1.0f / 60);
                if (i == 7) ps->moveTo(420, 310, true);
                if (i == 9) ps->fireAt(100, 100);
                ps->render();
                rec::clearRecords();
            }
            ps->stop(true);
            ps->render();
        }
    }
    engine->Release();
    return 0;
}
