// Files and packs on the desktop engine: where Resource_Load looks, backslash names,
// and damaged or missing packs.
#include <gtest/gtest.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "desktop/subsystems.h"
#include "engine.h"
#include "fixtures.h"

namespace fs = std::filesystem;

namespace {

std::string png4x2() {
    const std::uint32_t pixels[8] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0x80FFFFFF,
                                     0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000};
    std::string out;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                                       static_cast<std::size_t>(size));
        },
        &out, 4, 2, 4, pixels, 16);
    return out;
}

// Folder layout shared by the tests: <root>/work is the working folder and holds Data.dat,
// packed from <root>/src.
struct PackFiles {
    fs::path root, work, src;
    std::string picture = png4x2();
    std::string notes = std::string(4000, 'n');

    PackFiles() {
        root = fixtures::makeTempFolder();
        work = root / "work";
        src = root / "src";
        fs::create_directories(work);
        fixtures::writeFile(src / "Texture/Pic.png", picture);
        fixtures::writeFile(src / "Texture/Shared.txt", "from pack");
        fixtures::writeTone(root / "snd.wav", 22050, 1, 0.2, 440, 0.5);
        ok = fixtures::encodeMp3(root / "snd.wav", src / "Media/Snd.mp3") &&
             fixtures::makeZip(src, "Texture Media", work / "Data.dat");
        fixtures::writeFile(src / "Notes.txt", notes);
        ok = ok && fixtures::makeZip(src, "Notes.txt", root / "Notes.zip");
        fixtures::writeFile(work / "Texture/Shared.txt", "from folder");
        fixtures::writeFile(work / "Media/Only.txt", "only in the folder");
    }
    ~PackFiles() { fs::remove_all(root); }
    bool ok = false;
};

PackFiles& files() {
    static PackFiles f;
    return f;
}

std::string load(Engine* hge, const char* name) {
    std::uint32_t size = 0;
    void* block = hge->Resource_Load(name, &size);
    if (!block) return "<null>";
    std::string bytes(static_cast<const char*>(block), size);
    // The block ends with one NUL past its size.
    EXPECT_EQ(static_cast<const char*>(block)[size], '\0') << name;
    hge->Resource_Free(block);
    return bytes;
}

// A fresh engine per test: the last Release unmounts every pack.
class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        previous = fs::current_path();
        ASSERT_TRUE(files().ok) << "lame and zip are needed to make the fixtures";
        fs::current_path(files().work);
        hge = hgeCreate(ENGINE_VERSION);
        ASSERT_NE(hge, nullptr);
    }
    void TearDown() override {
        if (hge) hge->Release();
        fs::current_path(previous);
    }
    Engine* hge = nullptr;
    fs::path previous;
};

TEST_F(Resources, PackFilesAreFoundUnderBackslashNames) {
    ASSERT_TRUE(hge->Resource_AttachPack("Data.dat"));
    EXPECT_EQ(load(hge, "Texture\\Pic.png"), files().picture);
    EXPECT_EQ(load(hge, "Texture/Pic.png"), files().picture);
    EXPECT_EQ(load(hge, "Media\\Snd.mp3"), fixtures::readFile(files().src / "Media/Snd.mp3"));
    // The size out-parameter is optional.
    void* block = hge->Resource_Load("Texture\\Pic.png");
    ASSERT_NE(block, nullptr);
    hge->Resource_Free(block);
}

TEST_F(Resources, PictureAndSoundLoadFromThePack) {
    ASSERT_TRUE(hge->Resource_AttachPack("Data.dat"));
    hge->System_SetState(STATE_WINDOWED, true);
    ASSERT_TRUE(hge->System_Initiate());
    const HTexture texture = hge->Texture_Load("Texture\\Pic.png");
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(hge->Texture_GetWidth(texture), 4);
    EXPECT_EQ(hge->Texture_GetHeight(texture), 2);
    const HEffect effect = hge->Effect_Load("Media\\Snd.mp3");
    EXPECT_NE(effect, 0u);
    EXPECT_NE(hge->Effect_Play(effect), 0u);
    hge->Effect_Free(effect);
    hge->Texture_Free(texture);
    hge->System_Shutdown();
}

TEST_F(Resources, SearchOrderIsPacksThenWorkingFolderThenExecutableFolder) {
    const fs::path exeFolder = fs::read_symlink("/proc/self/exe").parent_path();
    const std::string folder = "velkaro-order-" + std::to_string(getpid());
    fixtures::writeFile(exeFolder / folder / "Both.txt", "beside the program");
    fixtures::writeFile(exeFolder / folder / "Beside.txt", "beside the program");
    fixtures::writeFile(files().work / folder / "Both.txt", "from folder");
    const std::string both = folder + "\\Both.txt";
    const std::string beside = folder + "\\Beside.txt";

    EXPECT_EQ(load(hge, both.c_str()), "from folder");
    EXPECT_EQ(load(hge, beside.c_str()), "beside the program");
    EXPECT_EQ(load(hge, "Texture\\Shared.txt"), "from folder");
    ASSERT_TRUE(hge->Resource_AttachPack("Data.dat"));
    EXPECT_EQ(load(hge, "Texture\\Shared.txt"), "from pack");
    EXPECT_EQ(load(hge, "Media\\Only.txt"), "only in the folder");

    fs::remove_all(exeFolder / folder);
    fs::remove_all(files().work / folder);
}

TEST_F(Resources, PackBesideTheExecutableIsAttached) {
    const fs::path exeFolder = fs::read_symlink("/proc/self/exe").parent_path();
    const std::string packName = "velkaro-pack-" + std::to_string(getpid()) + ".dat";
    fs::copy_file(files().work / "Data.dat", exeFolder / packName);
    EXPECT_TRUE(hge->Resource_AttachPack(packName.c_str()));
    EXPECT_EQ(load(hge, "Texture\\Pic.png"), files().picture);
    fs::remove(exeFolder / packName);
}

TEST_F(Resources, MissingPackLeavesTheWorkingFolder) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(hge->Resource_AttachPack("Absent.dat"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Absent.dat"), std::string::npos);
    EXPECT_EQ(load(hge, "Texture\\Shared.txt"), "from folder");
    EXPECT_EQ(load(hge, "Texture\\Pic.png"), "<null>");
}

TEST_F(Resources, MissingFilesGiveNullAndALogLine) {
    ASSERT_TRUE(hge->Resource_AttachPack("Data.dat"));
    for (const char* name :
         {"Missing.png", "Texture\\Missing.png", "Texture", "Texture\\", "Media\\..\\..\\Missing.png"}) {
        testing::internal::CaptureStderr();
        std::uint32_t size = 123;
        void* block = hge->Resource_Load(name, &size);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(block, nullptr) << name;
        EXPECT_EQ(size, 0u) << name;
        EXPECT_NE(log.find(name), std::string::npos) << name << ": " << log;
        hge->Resource_Free(block);
    }
    EXPECT_EQ(hge->Resource_Load(nullptr), nullptr);
}

// A damaged pack is refused with a log line, or its damaged entry fails to load; nothing
// crashes and the working folder still serves.
TEST_F(Resources, DamagedPacksAreRefused) {
    const std::string zip = fixtures::readFile(files().work / "Data.dat");
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"noise", fixtures::noise(5000, 7)},
        {"empty", ""},
        {"first half", zip.substr(0, zip.size() / 2)},
        {"last bytes cut", zip.substr(0, zip.size() - 10)},
        {"central directory zeroed", zip.substr(0, zip.size() - 60) + std::string(60, '\0')},
    };
    for (const Case& c : cases) {
        const std::string name = std::string("Bad-") + c.what + ".dat";
        fixtures::writeFile(files().work / name, c.bytes);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(hge->Resource_AttachPack(name.c_str())) << c.what;
        EXPECT_NE(testing::internal::GetCapturedStderr().find(name), std::string::npos) << c.what;
        EXPECT_EQ(load(hge, "Texture\\Shared.txt"), "from folder") << c.what;
        fs::remove(files().work / name);
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(hge->Resource_AttachPack("Data.dat", "secret"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("password"), std::string::npos);
}

TEST_F(Resources, DamagedEntryGivesNullAndALogLine) {
    // Overwrite the compressed data of the only entry: the pack mounts, the entry can't be
    // inflated.
    std::string zip = fixtures::readFile(files().root / "Notes.zip");
    ASSERT_GT(zip.size(), 30u);
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(zip[at])) |
               static_cast<std::size_t>(static_cast<unsigned char>(zip[at + 1])) << 8;
    };
    ASSERT_EQ(u16(8), 8u) << "Notes.txt is expected deflated";
    const std::size_t data = 30 + u16(26) + u16(28);
    for (std::size_t i = data; i < data + 16 && i < zip.size(); ++i) zip[i] = '\xFF';
    fixtures::writeFile(files().work / "Damaged.zip", zip);

    ASSERT_TRUE(hge->Resource_AttachPack("Damaged.zip"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(load(hge, "Notes.txt"), "<null>");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Notes.txt"), std::string::npos);
    fs::remove(files().work / "Damaged.zip");
}

TEST_F(Resources, PackInMemory) {
    const std::string zip = fixtures::readFile(files().work / "Data.dat");
    ASSERT_TRUE(desktop::mountPackMemory("memory.zip", zip.data(), zip.size()));
    std::vector<std::string> names = desktop::packFileNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Media/Snd.mp3", "Texture/Pic.png", "Texture/Shared.txt"}));
    std::string bytes;
    EXPECT_TRUE(desktop::readResource("Texture\\Pic.png", bytes));
    EXPECT_EQ(bytes, files().picture);
    EXPECT_TRUE(desktop::unmountPack("memory.zip"));
    EXPECT_TRUE(desktop::readResource("Texture\\Shared.txt", bytes));
    EXPECT_EQ(bytes, "from folder");

    const std::string noise = fixtures::noise(3000, 3);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(desktop::mountPackMemory("noise.zip", noise.data(), noise.size()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("noise.zip"), std::string::npos);
}

}  // namespace
