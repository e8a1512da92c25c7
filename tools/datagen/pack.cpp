#include "pack.h"

#include <zip.h>

#include <cstdio>

namespace datagen {

namespace {

// 2024-01-01 12:00:00 in MS-DOS form.
constexpr zip_uint16_t PackDosTime = 12 << 11;
constexpr zip_uint16_t PackDosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;

bool alreadyCompressed(const std::string& name) {
    const auto dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    return ext == ".mp3" || ext == ".png";
}

}  // namespace

bool writePack(const std::string& path, const std::vector<DataFile>& files) {
    std::remove(path.c_str());
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        std::fprintf(stderr, "velkaro_datagen: cannot create %s (libzip error %d)\n", path.c_str(), error);
        return false;
    }
    for (const DataFile& file : files) {
        zip_source_t* source = zip_source_buffer(archive, file.bytes.data(), file.bytes.size(), 0);
        const zip_int64_t index =
            source ? zip_file_add(archive, file.name.c_str(), source, ZIP_FL_ENC_GUESS) : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            std::fprintf(stderr, "velkaro_datagen: cannot add %s: %s\n", file.name.c_str(),
                         zip_strerror(archive));
            zip_discard(archive);
            return false;
        }
        const auto i = static_cast<zip_uint64_t>(index);
        zip_set_file_compression(archive, i, alreadyCompressed(file.name) ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
        zip_file_set_dostime(archive, i, PackDosTime, PackDosDate, 0);
        zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, 0100644u << 16);
    }
    if (zip_close(archive) != 0) {
        std::fprintf(stderr, "velkaro_datagen: cannot write %s: %s\n", path.c_str(), zip_strerror(archive));
        zip_discard(archive);
        return false;
    }
    return true;
}

}  // namespace datagen
