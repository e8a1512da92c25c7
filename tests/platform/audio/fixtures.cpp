#include "fixtures.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <vector>

namespace fixtures {
namespace {

void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

}  // namespace

std::filesystem::path makeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velkaro-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    return made ? std::filesystem::path(made) : std::filesystem::path();
}

void writeTone(const std::filesystem::path& path, int rate, int channels, double seconds, double frequency,
               double amplitude) {
    const auto frames = static_cast<std::uint32_t>(rate * seconds);
    const std::uint32_t dataBytes = frames * static_cast<std::uint32_t>(channels) * 2;
    std::string out = "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(channels));
    put32(out, static_cast<std::uint32_t>(rate));
    put32(out, static_cast<std::uint32_t>(rate * channels * 2));
    put16(out, static_cast<std::uint32_t>(channels * 2));
    put16(out, 16);
    out += "data";
    put32(out, dataBytes);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate);
        const auto sample = static_cast<std::int16_t>(std::lround(v * 32767));
        for (int c = 0; c < channels; ++c) put16(out, static_cast<std::uint16_t>(sample));
    }
    writeFile(path, out);
}

bool encodeMp3(const std::filesystem::path& wav, const std::filesystem::path& mp3) {
    std::filesystem::create_directories(mp3.parent_path());
    const std::string command = "lame --silent -b 128 " + quoted(wav) + " " + quoted(mp3);
    return std::system(command.c_str()) == 0 && std::filesystem::exists(mp3);
}

bool makeZip(const std::filesystem::path& folder, const std::string& names,
             const std::filesystem::path& zip) {
    std::filesystem::create_directories(zip.parent_path());
    const std::string command = "cd " + quoted(folder) + " && zip -q -r " + quoted(zip) + " " + names;
    return std::system(command.c_str()) == 0 && std::filesystem::exists(zip);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string noise(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    for (char& c : out) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>((seed >> 24) & 0x7F);  // never 0xFF: no MPEG frame sync
    }
    return out;
}

}  // namespace fixtures
