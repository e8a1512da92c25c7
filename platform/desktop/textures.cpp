// Textures: pictures decoded with stb_image and uploaded as RGBA. A file name loaded again
// returns the same handle with one more reference.
#include <epoxy/gl.h>

#include <algorithm>
#include <climits>
#include <string>
#include <unordered_map>

#include "common/handle_pool.h"
#include "core.h"
#include "picture_decoder.h"
#include "subsystems.h"

namespace desktop {
namespace {

// Twice the largest picture of the game a side: a hostile header must not make the decoder
// fill hundreds of megabytes.
constexpr int kMaxPictureSide = 2048;

struct Texture {
    GLuint name = 0;
    int width = 0;
    int height = 0;
    int references = 0;
    std::string fileName;  // empty for pictures loaded from memory
};

struct Textures {
    platform::HandlePool<Texture> pool;
    std::unordered_map<std::string, HTexture> byName;
};

Textures& textures() {
    static Textures& t = *new Textures;
    return t;
}

std::string normalise(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// Decodes and uploads a picture; 0 with a log line when it is not one.
HTexture create(const unsigned char* bytes, std::size_t size, bool mipmap, const std::string& label) {
    if (size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        logf("Texture_Load: %s is empty or too large", label.c_str());
        return 0;
    }
    // The header is checked first, so a hostile one cannot make the decoder allocate
    // gigabytes for a picture the driver would refuse anyway.
    int width = 0, height = 0;
    if (!pictureSize(bytes, size, width, height)) {
        logf("Texture_Load: cannot decode %s (%s)", label.c_str(), pictureFailure());
        return 0;
    }
    // Some decoders accept a header of zero width or height; such a picture has no pixels.
    if (width <= 0 || height <= 0) {
        logf("Texture_Load: %s is %d x %d pixels", label.c_str(), width, height);
        return 0;
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    maxSize = std::min<GLint>(maxSize, kMaxPictureSide);
    if (width > maxSize || height > maxSize) {
        logf("Texture_Load: %s is %d x %d, larger than the %d pixels allowed", label.c_str(), width, height,
             maxSize);
        return 0;
    }
    Picture picture;
    if (!decodePicture(bytes, size, picture)) {
        logf("Texture_Load: cannot decode %s (%s)", label.c_str(), pictureFailure());
        return 0;
    }
    if (picture.width != width || picture.height != height) {
        logf("Texture_Load: %s decoded at another size than its header gives", label.c_str());
        freePicture(picture);
        return 0;
    }
    Texture texture;
    texture.width = width;
    texture.height = height;
    texture.references = 1;
    glGenTextures(1, &texture.name);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, picture.pixels);
    freePicture(picture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // Linear filtering samples a texel's centre exactly when a quad sits on whole pixels at
    // scale 1, so such a picture shows each texel once; scaled or turned pictures stay smooth.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (mipmap) {
        glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    const HTexture handle = textures().pool.add(texture);
    if (!handle) {
        logf("Texture_Load: too many textures for %s", label.c_str());
        glDeleteTextures(1, &texture.name);
    }
    return handle;
}

}  // namespace

void texturesShutdown() {
    Textures& t = textures();
    t.pool.forEach([](HTexture, Texture& texture) { glDeleteTextures(1, &texture.name); });
    t.pool.clear();
    t.byName.clear();
}

unsigned textureName(HTexture texture) {
    const Texture* t = textures().pool.get(texture);
    return t ? t->name : 0;
}

}  // namespace desktop

using desktop::textures;

HTexture Engine::Texture_Load(const char* filename, std::uint32_t size, bool mipmap) {
    if (!filename) return 0;
    if (!desktop::window()) {
        desktop::logf("Texture_Load: the engine is not initiated");
        return 0;
    }
    if (size != 0)
        return desktop::create(reinterpret_cast<const unsigned char*>(filename), size, mipmap,
                               "a picture in memory");

    desktop::Textures& t = textures();
    const std::string name = desktop::normalise(filename);
    if (auto it = t.byName.find(name); it != t.byName.end()) {
        ++t.pool.get(it->second)->references;
        return it->second;
    }
    std::string bytes;
    if (!desktop::readResource(name, bytes)) {
        desktop::logf("Texture_Load: cannot find %s", filename);
        return 0;
    }
    const HTexture handle =
        desktop::create(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), mipmap, name);
    if (handle) {
        t.pool.get(handle)->fileName = name;
        t.byName[name] = handle;
    }
    return handle;
}

void Engine::Texture_Free(HTexture texture) {
    desktop::Textures& t = textures();
    desktop::Texture* entry = t.pool.get(texture);
    if (!entry || --entry->references > 0) return;
    desktop::rendererForget(texture);
    glDeleteTextures(1, &entry->name);
    if (!entry->fileName.empty()) t.byName.erase(entry->fileName);
    t.pool.remove(texture);
}

int Engine::Texture_GetWidth(HTexture texture, bool) {
    const desktop::Texture* t = textures().pool.get(texture);
    return t ? t->width : 0;
}

int Engine::Texture_GetHeight(HTexture texture, bool) {
    const desktop::Texture* t = textures().pool.get(texture);
    return t ? t->height : 0;
}
