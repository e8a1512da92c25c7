// Writes the resource pack: a ZIP archive with a fixed order, fixed timestamps and fixed
// attributes, so the same files always give the same bytes.
#pragma once

#include <string>
#include <vector>

namespace datagen {

struct DataFile {
    std::string name;  // inside the pack, folders separated by '/'
    std::string bytes;
};

// False (with a message on standard error) when the archive cannot be written.
bool writePack(const std::string& path, const std::vector<DataFile>& files);

}  // namespace datagen
