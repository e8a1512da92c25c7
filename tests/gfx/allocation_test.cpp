// Drawing runs every frame, so it must not allocate: count every global allocation.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "gfx/animation.h"
#include "gfx/bitmap_font.h"
#include "gfx/particle_system.h"
#include "recording.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Runs `draw` a few times to let the recording engine grow its record, forgets the records
// (their storage stays) and counts the allocations of one more run.
template <typename F>
long allocationsOf(F draw) {
    for (int i = 0; i < 4; ++i) draw();
    rec::clearRecords();
    const long before = allocations.load();
    draw();
    return allocations.load() - before;
}

TEST(Drawing, AllocatesNothing) {
    rec::reset();
    Engine* engine = hgeCreate(ENGINE_VERSION);

    Animation anim(0, 4, 10, 0, 0, 16, 16);
    anim.play();
    EXPECT_EQ(allocationsOf([&] {
                  anim.update(0.25f);
                  anim.render(10, 10);
                  anim.renderEx(10, 10, 0.5f, 2, 0);
                  anim.setColor(0x80FFFFFF);
              }),
              0);

    std::vector<std::uint8_t> preset(128, 0);
    preset[4] = 100;  // emission rate
    const float life = 0.25f, minusOne = -1.0f;
    std::memcpy(&preset[8], &minusOne, 4);  // endless
    std::memcpy(&preset[12], &life, 4);
    std::memcpy(&preset[16], &life, 4);
    rec::addFile("p.psi", preset);
    ParticleSystem ps("p.psi", &anim, 0);
    ps.fireAt(100, 100);
    EXPECT_EQ(allocationsOf([&] {
                  ps.update(0.1f);
                  ps.render();
              }),
              0);
    EXPECT_GT(ps.liveCount, 0);

    const char desc[] = "[HGEFONT]\nChar=\"A\",0,0,8,8,0,0\n";
    rec::addFile("f.fnt", std::vector<std::uint8_t>(desc, desc + sizeof desc - 1));
    BitmapFont font("f.fnt");
    EXPECT_EQ(allocationsOf([&] {
                  font.setColor(0xFF00FF00);
                  font.printf(10, 10, 2, "AAA %d\nA", 42);
              }),
              0);
    EXPECT_FALSE(rec::quads().empty());

    engine->Release();
}

}  // namespace
