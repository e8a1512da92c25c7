#include "mp3.h"

#include <lame/lame.h>

#include <vector>

namespace datagen {

namespace {

std::string encode(const float* left, const float* right, size_t frames, int channels, int kbps) {
    lame_global_flags* lame = lame_init();
    if (!lame) return {};
    lame_set_num_channels(lame, channels);
    lame_set_in_samplerate(lame, SampleRate);
    lame_set_out_samplerate(lame, SampleRate);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);  // the Info frame carries delay and padding
    lame_set_write_id3tag_automatic(lame, 0);
    std::string out;
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return out;
    }
    constexpr size_t Chunk = 8192;
    std::vector<unsigned char> buffer(Chunk * 5 / 4 + 7200);
    for (size_t done = 0; done < frames; done += Chunk) {
        const int n = static_cast<int>(std::min(Chunk, frames - done));
        const int written = lame_encode_buffer_ieee_float(lame, left + done, (right ? right : left) + done, n,
                                                          buffer.data(), static_cast<int>(buffer.size()));
        if (written > 0)
            out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(written));
    }
    const int flushed = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (flushed > 0) out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(flushed));
    // The first frame was reserved for the tag; fill it in now that the length is known.
    const size_t tagSize = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    if (tagSize > 0 && tagSize <= out.size())
        out.replace(0, tagSize, reinterpret_cast<const char*>(buffer.data()), tagSize);
    lame_close(lame);
    return out;
}

}  // namespace

std::string encodeMp3(const Samples& mono, int kbps) {
    return encode(mono.data(), nullptr, mono.size(), 1, kbps);
}

std::string encodeMp3(const Stereo& stereo, int kbps) {
    return encode(stereo.left.data(), stereo.right.data(), stereo.frames(), 2, kbps);
}

}  // namespace datagen
