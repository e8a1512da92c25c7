// Files and packs. Packs are ZIP archives read by PhysicsFS; plain files are read from the
// working folder, then beside the executable, then from the installed data folder. Every
// read is bounded: a pack is data we did not write and may be truncated or hostile.
#include <physfs.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "core.h"
#include "engine.h"
#include "subsystems.h"

namespace desktop {
namespace {

// Larger files are refused: no asset of the game comes near it, and a pack entry claiming
// gigabytes must not exhaust memory.
constexpr std::size_t kMaxResourceBytes = 64u << 20;
constexpr std::size_t kReadChunk = 64u << 10;

const char* physfsError() { return PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()); }

bool ensureFileSystem() {
    if (PHYSFS_isInit()) return true;
    // argv0 may be null on Linux: the executable's folder comes from /proc.
    if (PHYSFS_init(nullptr)) return true;
    logf("Can't start the pack reader: %s", physfsError());
    return false;
}

// The name as the packs and the file system spell it: '\' separates folders.
std::string normalise(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::filesystem::path executableFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path();
}

// Where files are looked for after the working folder, in order: beside the program, the
// installed data folder relative to the program (so a moved installation still works), and
// the data folder the program was built for.
std::vector<std::filesystem::path> fallbackFolders() {
    std::vector<std::filesystem::path> folders;
    auto add = [&folders](const std::filesystem::path& folder) {
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    };
    const std::filesystem::path exe = executableFolder();
    add(exe);
#ifdef VELKARO_DATA_DIR_FROM_BIN
    if (!exe.empty()) add((exe / VELKARO_DATA_DIR_FROM_BIN).lexically_normal());
#endif
#ifdef VELKARO_DATA_DIR
    add(std::filesystem::path(VELKARO_DATA_DIR).lexically_normal());
#endif
    return folders;
}

bool readFromPacks(const std::string& name, std::string& bytes) {
    if (!PHYSFS_isInit() || name.empty()) return false;
    PHYSFS_File* file = PHYSFS_openRead(name.c_str());
    if (!file) return false;
    bytes.clear();
    const PHYSFS_sint64 length = PHYSFS_fileLength(file);
    if (length > 0 && static_cast<std::uint64_t>(length) <= kMaxResourceBytes)
        bytes.reserve(static_cast<std::size_t>(length));
    bool ok = true;
    char chunk[kReadChunk];
    for (;;) {
        const PHYSFS_sint64 got = PHYSFS_readBytes(file, chunk, sizeof chunk);
        if (got < 0) {
            logf("Can't read %s from the pack: %s", name.c_str(), physfsError());
            ok = false;
            break;
        }
        if (got == 0) break;
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxResourceBytes) {
            logf("%s in the pack is larger than %zu bytes; not loaded", name.c_str(), kMaxResourceBytes);
            ok = false;
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    // A damaged compressed entry reads short without an error: the pack's directory knows
    // the real size.
    if (ok && length >= 0 && bytes.size() != static_cast<std::uint64_t>(length)) {
        logf("%s in the pack is damaged (%zu of %lld bytes readable)", name.c_str(), bytes.size(),
             static_cast<long long>(length));
        ok = false;
    }
    PHYSFS_close(file);
    if (!ok) bytes.clear();
    return ok;
}

bool readPlainFile(const std::filesystem::path& path, std::string& bytes) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    bool ok = true;
    char chunk[kReadChunk];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (bytes.size() + got > kMaxResourceBytes) {
            logf("%s is larger than %zu bytes; not loaded", path.c_str(), kMaxResourceBytes);
            ok = false;
            break;
        }
        bytes.append(chunk, got);
        if (got < sizeof chunk) {
            if (std::ferror(file)) {
                logf("Can't read %s", path.c_str());
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    if (!ok) bytes.clear();
    return ok;
}

// A read-only PhysicsFS stream over bytes in memory. Each duplicate (PhysicsFS makes one
// per open file) shares the bytes; the last one destroyed frees them. PHYSFS_mountMemory is
// not used: this PhysicsFS never frees its buffer when the pack is unmounted.
struct MemoryStream {
    std::shared_ptr<const std::string> bytes;
    std::uint64_t pos = 0;
};

MemoryStream& streamOf(PHYSFS_Io* io) { return *static_cast<MemoryStream*>(io->opaque); }

PHYSFS_Io* newMemoryIo(std::shared_ptr<const std::string> bytes);

PHYSFS_sint64 memoryRead(PHYSFS_Io* io, void* buffer, PHYSFS_uint64 length) {
    MemoryStream& m = streamOf(io);
    const std::uint64_t n = std::min<std::uint64_t>(length, m.bytes->size() - m.pos);
    std::memcpy(buffer, m.bytes->data() + m.pos, n);
    m.pos += n;
    return static_cast<PHYSFS_sint64>(n);
}

PHYSFS_sint64 memoryWrite(PHYSFS_Io*, const void*, PHYSFS_uint64) { return -1; }

int memorySeek(PHYSFS_Io* io, PHYSFS_uint64 offset) {
    MemoryStream& m = streamOf(io);
    if (offset > m.bytes->size()) return 0;
    m.pos = offset;
    return 1;
}

PHYSFS_sint64 memoryTell(PHYSFS_Io* io) { return static_cast<PHYSFS_sint64>(streamOf(io).pos); }

PHYSFS_sint64 memoryLength(PHYSFS_Io* io) { return static_cast<PHYSFS_sint64>(streamOf(io).bytes->size()); }

PHYSFS_Io* memoryDuplicate(PHYSFS_Io* io) { return newMemoryIo(streamOf(io).bytes); }

int memoryFlush(PHYSFS_Io*) { return 1; }

void memoryDestroy(PHYSFS_Io* io) {
    delete static_cast<MemoryStream*>(io->opaque);
    delete io;
}

PHYSFS_Io* newMemoryIo(std::shared_ptr<const std::string> bytes) {
    auto* io = new PHYSFS_Io{};
    io->version = 0;
    io->opaque = new MemoryStream{std::move(bytes), 0};
    io->read = memoryRead;
    io->write = memoryWrite;
    io->seek = memorySeek;
    io->tell = memoryTell;
    io->length = memoryLength;
    io->duplicate = memoryDuplicate;
    io->flush = memoryFlush;
    io->destroy = memoryDestroy;
    return io;
}

}  // namespace

void resourcesStartup() { ensureFileSystem(); }

void resourcesShutdown() {
    if (PHYSFS_isInit()) PHYSFS_deinit();
}

bool readResource(const std::string& name, std::string& bytes) {
    const std::string path = normalise(name);
    if (path.empty()) return false;
    if (readFromPacks(path, bytes)) return true;
    if (readPlainFile(path, bytes)) return true;
    if (path.front() != '/')
        for (const std::filesystem::path& folder : fallbackFolders())
            if (readPlainFile(folder / path, bytes)) return true;
    return false;
}

bool mountPackMemory(const std::string& name, const void* bytes, std::size_t size) {
    if (!ensureFileSystem() || name.empty() || !bytes || size == 0) return false;
    PHYSFS_Io* io = newMemoryIo(std::make_shared<const std::string>(static_cast<const char*>(bytes), size));
    // On success PhysicsFS destroys the stream when the pack is unmounted.
    if (PHYSFS_mountIo(io, name.c_str(), nullptr, 1)) return true;
    logf("Pack %s is not a readable archive: %s", name.c_str(), physfsError());
    memoryDestroy(io);
    return false;
}

bool unmountPack(const std::string& name) { return PHYSFS_isInit() && PHYSFS_unmount(name.c_str()) != 0; }

std::vector<std::string> packFileNames() {
    std::vector<std::string> names;
    if (!PHYSFS_isInit()) return names;
    std::vector<std::string> folders{""};
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        char** entries = PHYSFS_enumerateFiles(folder.c_str());
        if (!entries) continue;
        for (char** entry = entries; *entry; ++entry) {
            // A damaged directory can list a folder with an empty name inside itself; walking
            // into it would never end.
            const std::string name = *entry;
            if (name.empty() || name == "." || name == "..") continue;
            const std::string path = folder.empty() ? name : folder + "/" + name;
            PHYSFS_Stat stat;
            if (!PHYSFS_stat(path.c_str(), &stat)) continue;
            if (stat.filetype == PHYSFS_FILETYPE_DIRECTORY)
                folders.push_back(path);
            else if (stat.filetype == PHYSFS_FILETYPE_REGULAR)
                names.push_back(path);
        }
        PHYSFS_freeList(entries);
    }
    return names;
}

}  // namespace desktop

bool Engine::Resource_AttachPack(const char* filename, const char* password) {
    if (!filename || !*filename) return false;
    if (password) {
        desktop::logf("Pack %s: passwords are not supported", filename);
        return false;
    }
    if (!desktop::ensureFileSystem()) return false;
    const std::filesystem::path name = desktop::normalise(filename);
    std::filesystem::path found;
    std::error_code error;
    if (std::filesystem::is_regular_file(name, error)) {
        found = std::filesystem::absolute(name, error);
    } else if (name.is_relative()) {
        for (const std::filesystem::path& folder : desktop::fallbackFolders())
            if (std::filesystem::is_regular_file(folder / name, error)) {
                found = folder / name;
                break;
            }
    }
    if (found.empty()) {
        desktop::logf("Pack %s not found", filename);
        return false;
    }
    // Appended: packs attached earlier are searched first.
    if (!PHYSFS_mount(found.c_str(), nullptr, 1)) {
        desktop::logf("Pack %s is not a readable archive: %s", found.c_str(), desktop::physfsError());
        return false;
    }
    return true;
}

void* Engine::Resource_Load(const char* filename, std::uint32_t* size) {
    if (size) *size = 0;
    if (!filename) return nullptr;
    std::string bytes;
    if (!desktop::readResource(filename, bytes)) {
        desktop::logf("Can't find %s", filename);
        return nullptr;
    }
    char* block = static_cast<char*>(std::malloc(bytes.size() + 1));
    if (!block) {
        desktop::logf("Out of memory loading %s", filename);
        return nullptr;
    }
    std::memcpy(block, bytes.data(), bytes.size());
    block[bytes.size()] = '\0';
    if (size) *size = static_cast<std::uint32_t>(bytes.size());
    return block;
}

void Engine::Resource_Free(void* resource) { std::free(resource); }
