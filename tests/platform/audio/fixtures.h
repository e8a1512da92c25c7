// Sound and pack fixtures made at test time: tones written as WAV, encoded to MP3 by lame,
// packed by zip, all inside a fresh temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace fixtures {

// A new empty folder under the system's temporary folder.
std::filesystem::path makeTempFolder();

// A sine tone as 16-bit PCM WAV. `amplitude` 1 is full scale.
void writeTone(const std::filesystem::path& path, int rate, int channels, double seconds, double frequency,
               double amplitude);

// Encodes a WAV file to MP3 with lame; false when lame is missing or fails.
bool encodeMp3(const std::filesystem::path& wav, const std::filesystem::path& mp3);

// Packs `names` (relative to `folder`, '/' separated) into a ZIP file with zip.
bool makeZip(const std::filesystem::path& folder, const std::string& names, const std::filesystem::path& zip);

void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

// Deterministic noise without 0xFF bytes: no decoder finds a sound in it.
std::string noise(std::size_t size, std::uint32_t seed);

}  // namespace fixtures
