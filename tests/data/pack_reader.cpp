#include "pack_reader.h"

#include <mpg123.h>
#include <physfs.h>
#include <stb_image.h>

#include <algorithm>
#include <functional>

namespace packtest {

Pack::Pack(const std::string& path) {
    if (!PHYSFS_isInit() && !PHYSFS_init(nullptr)) return;
    mounted_ = PHYSFS_mount(path.c_str(), nullptr, 0) != 0;
}

Pack::~Pack() { PHYSFS_deinit(); }

std::vector<std::string> Pack::names() const {
    std::vector<std::string> out;
    std::function<void(const std::string&)> walk = [&](const std::string& dir) {
        char** list = PHYSFS_enumerateFiles(dir.c_str());
        for (char** entry = list; entry && *entry; ++entry) {
            const std::string path = dir.empty() ? *entry : dir + "/" + *entry;
            PHYSFS_Stat stat{};
            if (PHYSFS_stat(path.c_str(), &stat) && stat.filetype == PHYSFS_FILETYPE_DIRECTORY) {
                walk(path);
            } else {
                out.push_back(path);
            }
        }
        PHYSFS_freeList(list);
    };
    walk("");
    std::sort(out.begin(), out.end());
    return out;
}

bool Pack::read(const std::string& name, std::string& bytes) const {
    PHYSFS_File* file = PHYSFS_openRead(name.c_str());
    if (!file) return false;
    const PHYSFS_sint64 length = PHYSFS_fileLength(file);
    bytes.assign(static_cast<size_t>(std::max<PHYSFS_sint64>(length, 0)), '\0');
    const bool ok = length >= 0 && PHYSFS_readBytes(file, bytes.data(), bytes.size()) == length;
    PHYSFS_close(file);
    return ok;
}

bool decodePicture(const std::string& bytes, Picture& picture) {
    int channels = 0;
    unsigned char* pixels =
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
                              &picture.width, &picture.height, &channels, 4);
    if (!pixels) return false;
    picture.rgba.resize(static_cast<size_t>(picture.width) * picture.height * 4);
    for (size_t i = 0; i < picture.rgba.size(); ++i) picture.rgba[i] = pixels[i] / 255.0f;
    stbi_image_free(pixels);
    return true;
}

bool decodeMp3(const std::string& bytes, Sound& sound) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (!handle) return false;
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    mpg123_format_none(handle);
    for (long rate : {44100L, 22050L, 48000L})
        mpg123_format(handle, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    bool ok =
        mpg123_open_feed(handle) == MPG123_OK &&
        mpg123_feed(handle, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == MPG123_OK;
    std::vector<float> interleaved;
    int encoding = 0;
    while (ok) {
        unsigned char buffer[16384];
        size_t done = 0;
        const int result = mpg123_read(handle, buffer, sizeof buffer, &done);
        const float* samples = reinterpret_cast<const float*>(buffer);
        interleaved.insert(interleaved.end(), samples, samples + done / sizeof(float));
        if (result == MPG123_NEW_FORMAT) {
            mpg123_getformat(handle, &sound.rate, &sound.channels, &encoding);
        } else if (result == MPG123_NEED_MORE || result == MPG123_DONE) {
            break;
        } else if (result != MPG123_OK) {
            ok = false;
        }
    }
    mpg123_delete(handle);
    if (!ok || sound.channels < 1) return false;
    sound.samples.assign(static_cast<size_t>(sound.channels), {});
    for (size_t i = 0; i < interleaved.size(); ++i)
        sound.samples[i % static_cast<size_t>(sound.channels)].push_back(interleaved[i]);
    return true;
}

}  // namespace packtest
