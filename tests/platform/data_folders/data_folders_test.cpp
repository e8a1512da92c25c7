// Where the desktop engine looks for a file or for Data.dat when several folders have one:
// the player's working folder wins over the copy beside the program, which wins over the
// installed data folder (DATA_FROM_BIN, relative to the program).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine.h"

namespace fs = std::filesystem;

namespace {

enum Place { Working, Beside, Installed };
const char* const kPlaceNames[] = {"working folder", "beside the program", "installed data folder"};

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A ZIP pack holding Probe.txt with `text`, made with the zip tool.
bool writePack(const fs::path& pack, const fs::path& scratch, const std::string& text) {
    writeFile(scratch / "Probe.txt", text);
    const std::string command = "cd '" + scratch.string() + "' && zip -q '" + pack.string() + "' Probe.txt";
    const bool ok = std::system(command.c_str()) == 0;
    fs::remove_all(scratch);
    return ok;
}

std::string load(Engine* hge, const char* name) {
    std::uint32_t size = 0;
    void* block = hge->Resource_Load(name, &size);
    if (!block) return "<null>";
    std::string bytes(static_cast<const char*>(block), size);
    hge->Resource_Free(block);
    return bytes;
}

std::string describe(const std::vector<Place>& holders) {
    std::string out;
    for (Place p : holders) out += std::string(out.empty() ? "" : " + ") + kPlaceNames[p];
    return out.empty() ? "nowhere" : out;
}

// The three folders: a fresh working folder, the test program's own folder and the data
// folder an installation puts beside its bin/.
class DataFolders : public ::testing::Test {
protected:
    void SetUp() override {
        previous = fs::current_path();
        const fs::path program = fs::read_symlink("/proc/self/exe").parent_path();
        folders[Working] = fs::temp_directory_path() / ("velkaro-folders-" + std::to_string(getpid()));
        folders[Beside] = program;
        folders[Installed] = (program / DATA_FROM_BIN).lexically_normal();
        fs::create_directories(folders[Working]);
        fs::create_directories(folders[Installed]);
        fs::current_path(folders[Working]);
        clear();
    }
    void TearDown() override {
        fs::current_path(previous);
        clear();
        fs::remove_all(folders[Working]);
    }
    void clear() {
        for (const fs::path& folder : folders) {
            fs::remove_all(folder / kProbeFolder);
            fs::remove(folder / "Data.dat");
        }
    }
    static constexpr const char* kProbeFolder = "probe";
    fs::path previous;
    fs::path folders[3];
};

TEST_F(DataFolders, LooseFilesComeFromTheFirstFolderThatHasThem) {
    struct Case {
        std::vector<Place> holders;
        std::string expected;
    };
    const Case cases[] = {
        {{Installed}, "installed data folder"},
        {{Beside, Installed}, "beside the program"},
        {{Working, Installed}, "working folder"},
        {{Working, Beside, Installed}, "working folder"},
        {{}, "<null>"},
    };
    for (const Case& c : cases) {
        clear();
        for (Place p : c.holders) writeFile(folders[p] / kProbeFolder / "Probe.txt", kPlaceNames[p]);
        Engine* hge = hgeCreate(ENGINE_VERSION);
        ASSERT_NE(hge, nullptr);
        EXPECT_EQ(load(hge, "probe\\Probe.txt"), c.expected) << describe(c.holders);
        hge->Release();
    }
}

TEST_F(DataFolders, DataPackIsAttachedFromTheFirstFolderThatHasIt) {
    struct Case {
        std::vector<Place> holders;
        bool attached;
        std::string expected;
    };
    const Case cases[] = {
        {{Installed}, true, "installed data folder"},
        {{Beside, Installed}, true, "beside the program"},
        {{Working, Installed}, true, "working folder"},
        {{Working, Beside, Installed}, true, "working folder"},
        {{}, false, "<null>"},
    };
    for (const Case& c : cases) {
        clear();
        for (Place p : c.holders)
            ASSERT_TRUE(writePack(folders[p] / "Data.dat", folders[Working] / "scratch", kPlaceNames[p]))
                << "the zip tool is needed to make the packs";
        Engine* hge = hgeCreate(ENGINE_VERSION);
        ASSERT_NE(hge, nullptr);
        EXPECT_EQ(hge->Resource_AttachPack("Data.dat"), c.attached) << describe(c.holders);
        EXPECT_EQ(load(hge, "Probe.txt"), c.expected) << describe(c.holders);
        hge->Release();
    }
}

}  // namespace
