#include "storage/EngineStorage.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/LocalService.h"

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;

std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class Storage : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        fs::create_directories(user);
        fs::create_directories(ordinary);
        SetStorageFolderPath(sfUser, user.string());
        SetStorageFolderPath(sfOrdinary, ordinary.string());
        ASSERT_TRUE(ServiceInit(temp.Path().string()));
    }
    void TearDown() override {
        StorageReset();
        ServiceShutdown();
        ApplicationStop();
    }

    void Put(TStorageFolder folder, std::string_view name, TFileKind kind, std::string_view bytes) {
        const std::unique_ptr<TStream> stream = StorageCreate(folder, name, kind);
        stream->Write(bytes.data(), bytes.size());
        stream->Close();
    }

    test::TTempFolder temp;
    fs::path user = temp.Path() / "user";
    fs::path ordinary = temp.Path() / "ordinary";
    fs::path cloud = temp.Path() / "Cloud";
};

TEST(FileKinds, ExtensionsCompareExactly) {
    EXPECT_EQ(StorageKindOf(".png"), fkPng);
    EXPECT_EQ(StorageKindOf(".PNG"), fkNone);
    EXPECT_EQ(StorageKindOf("png"), fkNone);
    EXPECT_EQ(StorageKindOf(""), fkNone);
    for (int32_t kind = fkExe; kind <= fkString; ++kind) {
        EXPECT_EQ(StorageKindOf(FileKindExtension(static_cast<TFileKind>(kind))), kind);
    }
    EXPECT_EQ(FileKindExtension(fkNone), "");
    EXPECT_EQ(FileKindExtension(static_cast<TFileKind>(15)), "");
}

TEST(TMemoryStream, SeekClampsAndWritesOverwriteThenGrow) {
    TMemoryStream stream;
    stream.Write("hello", 5);
    stream.Seek(-3);
    EXPECT_EQ(stream.Position(), 0);
    stream.Seek(99);
    EXPECT_EQ(stream.Position(), 5);
    stream.Seek(3);
    stream.Write("LOWORLD", 7);
    EXPECT_EQ(stream.Bytes(), "helLOWORLD");
    char buffer[8] = {};
    stream.Seek(8);
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 2U);
    EXPECT_EQ(std::string(buffer, 2), "LD");
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0U);
}

TEST(TMemoryStream, ExactReadsRaiseWhenTheDataEndsEarly) {
    TMemoryStream stream(std::string("abcdef"));
    char buffer[8] = {};
    stream.ReadExact(buffer, 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(stream.Remaining(), 2);
    stream.ReadExact(buffer, 0);
    try {
        stream.ReadExact(buffer, 3);
        FAIL() << "read past the end";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Stream read error");
    }
    EXPECT_EQ(stream.Remaining(), 0);
}

TEST(TMemoryStream, ABufferShrunkUnderThePositionLeavesNothingToRead) {
    TMemoryStream stream(std::string("abcdef"));
    stream.Seek(5);
    stream.Bytes().resize(2);
    EXPECT_EQ(stream.Remaining(), 0);
    char buffer[4] = {};
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0U);
    EXPECT_THROW(stream.ReadExact(buffer, 1), EngineError);
    // Writing there fills the gap with zeros rather than reading freed memory.
    stream.Write("z", 1);
    EXPECT_EQ(stream.Bytes(), std::string("ab\0\0\0z", 6));
}

TEST_F(Storage, SaveStringWritesOnlyChangesAndDeletesOnEmpty) {
    const fs::path file = user / "StartLanguage.str";
    StorageSaveString(sfUser, "StartLanguage", "French");
    EXPECT_EQ(ReadFile(file), "French");

    const timespec old[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
    struct stat before {};
    struct stat after {};
    stat(file.c_str(), &before);
    StorageSaveString(sfUser, "StartLanguage", "French");
    stat(file.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtime, before.st_mtime);

    StorageSaveString(sfUser, "StartLanguage", "Fr");
    EXPECT_EQ(StorageLoadString(sfUser, "StartLanguage"), "Fr");
    StorageSaveString(sfUser, "StartLanguage", "");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(StorageLoadString(sfUser, "StartLanguage"), "");
}

TEST_F(Storage, FlagIsOneByteAndSettingItAgainLeavesItAlone) {
    for (const TStorageFolder folder : {sfUser, sfCloud}) {
        SCOPED_TRACE(folder);
        StorageSetFlag(folder, "StartWindowed", true);
        EXPECT_TRUE(StorageFlag(folder, "StartWindowed"));
        EXPECT_EQ(StorageLoadText(folder, "StartWindowed", fkFlag), "\x01");
        Put(folder, "StartWindowed", fkFlag, "mine");
        StorageSetFlag(folder, "StartWindowed", true);
        EXPECT_EQ(StorageLoadText(folder, "StartWindowed", fkFlag), "mine");
        StorageSetFlag(folder, "StartWindowed", false);
        EXPECT_FALSE(StorageFlag(folder, "StartWindowed"));
    }
}

TEST_F(Storage, CopyNeedsAnotherTargetAndCrossesBetweenDiskAndCloud) {
    Put(sfUser, "Save", fkData, "profiles");
    EXPECT_FALSE(StorageCopy(sfUser, "Save", fkData, sfUser, "Save"));
    EXPECT_FALSE(StorageCopy(sfUser, "Missing", fkData, sfCloud, "Missing"));
    EXPECT_FALSE(StorageExists(sfCloud, "Missing", fkData));
    // Two folder names for one folder: still the same file.
    SetStorageFolderPath(sfMain, user.string());
    SetStorageFolderPath(sfData, user.string());
    EXPECT_FALSE(StorageCopy(sfMain, "Save", fkData, sfData, "Save"));
    EXPECT_EQ(ReadFile(user / "Save.dat"), "profiles");

    EXPECT_TRUE(StorageCopy(sfUser, "Save", fkData, sfCloud, "Save"));
    EXPECT_TRUE(StorageCopy(sfCloud, "Save", fkData, sfCloud, "Backup_Save"));
    EXPECT_TRUE(StorageCopy(sfCloud, "Backup_Save", fkData, sfOrdinary, "Back"));
    EXPECT_EQ(ReadFile(cloud / "Backup_Save.dat"), "profiles");
    EXPECT_EQ(ReadFile(ordinary / "Back.dat"), "profiles");

    // An empty source gives an empty target, even in the cloud.
    Put(sfUser, "Empty", fkData, "");
    EXPECT_TRUE(StorageCopy(sfUser, "Empty", fkData, sfCloud, "Save"));
    EXPECT_TRUE(StorageExists(sfCloud, "Save", fkData));
    EXPECT_EQ(StorageLoadText(sfCloud, "Save", fkData), "");
}

TEST_F(Storage, CloudStreamsReadWriteAndFailWithTheirTexts) {
    Put(sfCloud, "Save", fkData, "old");
    StorageCreate(sfCloud, "Save", fkData)->Close();
    EXPECT_EQ(StorageLoadText(sfCloud, "Save", fkData), "old");

    try {
        StorageOpen(sfCloud, "Nope", fkData);
        FAIL() << "opened a missing cloud file";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Cloud file \"Nope.dat\" not found");
    }

    ServiceShutdown();
    std::unique_ptr<TStream> stream = StorageCreate(sfCloud, "Save", fkData);
    stream->Write("new", 3);
    try {
        stream->Close();
        FAIL() << "saved with the service down";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Failed to save cloud file \"Save.dat\".");
    }
    EXPECT_EQ(ReadFile(cloud / "Save.dat"), "old");
}

TEST_F(Storage, DiskErrorsNameThePathAndNamesStayInTheirFolder) {
    try {
        StorageOpen(sfUser, "Missing", fkXml);
        FAIL() << "opened a missing file";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.what(), "Unable to open file \"" + user.string() + "/Missing.xml\"");
    }
    SetStorageFolderPath(sfBranding, (temp.Path() / "absent").string());
    try {
        StorageCreate(sfBranding, "New", fkPng);
        FAIL() << "created a file in a missing folder";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.what(),
                  "Unable to create file \"" + (temp.Path() / "absent/New.png").string() + "\"");
    }
    fs::create_directories(user / "Folder.xml");
    EXPECT_FALSE(StorageExists(sfUser, "Folder", fkXml));

    // Names come from data files: one that climbs out of its folder finds nothing.
    temp.Write("secret.txt", "x");
    EXPECT_FALSE(StorageExists(sfUser, "../secret", fkText));
    EXPECT_THROW(StorageOpen(sfUser, "../secret", fkText), EngineError);
    EXPECT_FALSE(StorageExists(sfUser, std::string_view("Log\0x", 5), fkText));
    EXPECT_FALSE(StorageExists(sfLanguage, "secret", fkText)); // folder not set yet
}

TEST_F(Storage, FileAgeIsThePackedLocalModificationTime) {
    Put(sfUser, "Script", fkXml, "<script/>");
    std::tm local{};
    local.tm_year = 2021 - 1900;
    local.tm_mon = 3 - 1;
    local.tm_mday = 14;
    local.tm_hour = 15;
    local.tm_min = 9;
    local.tm_sec = 27;
    local.tm_isdst = -1;
    const timespec times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (user / "Script.xml").c_str(), times, 0), 0);
    EXPECT_EQ(StorageFileAge(sfUser, "Script", fkXml),
              (41 << 25) | (3 << 21) | (14 << 16) | (15 << 11) | (9 << 5) | 13);
    EXPECT_EQ(StorageFileAge(sfUser, "Missing", fkXml), -1);
    Put(sfCloud, "Save", fkData, "x");
    EXPECT_EQ(StorageFileAge(sfCloud, "Save", fkData), 0);
}

TEST_F(Storage, FileStreamsCountTheBytesRemaining) {
    Put(sfUser, "Data", fkData, "0123456789");
    const std::unique_ptr<TStream> stream = StorageOpen(sfUser, "Data", fkData);
    EXPECT_EQ(stream->Remaining(), 10);
    char buffer[16] = {};
    stream->ReadExact(buffer, 7);
    EXPECT_EQ(stream->Remaining(), 3);
    EXPECT_THROW(stream->ReadExact(buffer, 4), EngineError);
    stream->Close();
}

TEST_F(Storage, FindNextListsThePlainFilesOfOneFolder) {
    temp.Write("ordinary/G2Props.png", "");
    temp.Write("ordinary/Music.tar.ogg", "");
    temp.Write("ordinary/README", "");
    temp.Write("ordinary/Sub.png/inner.png", "");
    std::set<std::pair<std::string, int32_t>> found;
    std::string name;
    TFileKind kind = fkNone;
    while (StorageFindNext(sfOrdinary, name, kind)) {
        found.emplace(name, kind);
    }
    EXPECT_FALSE(StorageFindNext(sfOrdinary, name, kind));
    StorageFindClose();
    EXPECT_EQ(found, (std::set<std::pair<std::string, int32_t>>{
                         {"G2Props", fkPng}, {"Music.tar", fkOgg}, {"README", fkNone}}));
    EXPECT_TRUE(StorageFindNext(sfOrdinary, name, kind)); // a new enumeration
    StorageFindClose();
    EXPECT_FALSE(StorageFindNext(sfCloud, name, kind));
}

TEST_F(Storage, AFailedWriteLeavesTheOldFileWhole) {
    Put(sfUser, "Log", fkText, "old");
    for (const bool closeIt : {true, false}) {
        const test::TFileSizeLimit limit(4096);
        const std::string block(65536, 'x');
        std::unique_ptr<TStream> stream = StorageCreate(sfUser, "Log", fkText);
        EXPECT_THROW(stream->Write(block.data(), block.size()), EngineError);
        if (closeIt) {
            EXPECT_THROW(stream->Close(), EngineError);
        }
        stream.reset(); // unwinding must not commit the torn file either
    }
    EXPECT_EQ(ReadFile(user / "Log.txt"), "old");
    EXPECT_EQ(FileNames(user), std::set<std::string>{"Log.txt"});
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(Storage, AStreamDestroyedWithoutCloseLeavesTheOldFile) {
    const std::string save(300, 's');
    for (const TStorageFolder folder : {sfUser, sfCloud}) {
        SCOPED_TRACE(folder);
        Put(folder, "Save", fkData, save);
        // A save that fails half-way: the error unwinds past the open stream.
        try {
            const std::unique_ptr<TStream> stream = StorageCreate(folder, "Save", fkData);
            stream->Write("torn", 4);
            throw EngineError("profile damaged");
        } catch (const EngineError&) {
        }
        EXPECT_EQ(StorageLoadText(folder, "Save", fkData), save);
        // Forgetting Close is no commit either.
        StorageCreate(folder, "Save", fkData)->Write("torn", 4);
        EXPECT_EQ(StorageLoadText(folder, "Save", fkData), save);
        StorageCreate(folder, "Fresh", fkData)->Write("torn", 4);
        EXPECT_FALSE(StorageExists(folder, "Fresh", fkData));
    }
    EXPECT_EQ(FileNames(user), std::set<std::string>{"Save.dat"});
    EXPECT_EQ(FileNames(cloud), std::set<std::string>{"Save.dat"});
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(Storage, ACommitThatFailsRaisesFromCloseAndKeepsNoTemporaryFile) {
    Put(sfUser, "Log", fkText, "abc");
    std::unique_ptr<TStream> stream = StorageCreate(sfUser, "Log", fkText);
    stream->Write("def", 3);
    // Something puts a folder where the file was: the rename cannot replace it.
    fs::remove(user / "Log.txt");
    temp.Write("user/Log.txt/keep", "k");
    try {
        stream->Close();
        FAIL() << "committed over a folder";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.what(), "Unable to write file \"" + user.string() + "/Log.txt\"");
    }
    EXPECT_NO_THROW(stream.reset());
    EXPECT_EQ(FileNames(user), std::set<std::string>{"Log.txt"});
}

TEST_F(Storage, LookUpsFallBackToAnotherLetterCaseAndLogItOnce) {
    temp.Write("ordinary/g2PROPS.PNG", "picture");
    EXPECT_TRUE(StorageExists(sfOrdinary, "G2Props", fkPng));
    EXPECT_EQ(StorageLoadText(sfOrdinary, "G2Props", fkPng), "picture");
    EXPECT_GT(StorageFileAge(sfOrdinary, "G2Props", fkPng), 0);
    const std::string wanted = ordinary.string() + "/G2Props.png";
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{"File \"" + wanted + "\" found as \"g2PROPS.PNG\""});

    // The exact name wins whenever it exists; two other spellings give the same one each run.
    temp.Write("ordinary/G2Props.png", "exact");
    EXPECT_EQ(StorageLoadText(sfOrdinary, "G2Props", fkPng), "exact");
    temp.Write("ordinary/s0scenario.dat", "lower");
    temp.Write("ordinary/S0SCENARIO.dat", "upper");
    EXPECT_EQ(StorageLoadText(sfOrdinary, "S0Scenario", fkData), "upper");
    EXPECT_EQ(LogLines().size(), 2U);

    // Only plain files count, and a name differing in more than case is still missing.
    fs::create_directories(ordinary / "g8click.wav");
    EXPECT_FALSE(StorageExists(sfOrdinary, "G8Click", fkWave));
    temp.Write("ordinary/G2Prop.png", "");
    EXPECT_FALSE(StorageExists(sfOrdinary, "G2Pro", fkPng));
    EXPECT_THROW(StorageOpen(sfOrdinary, "G2Pro", fkPng), EngineError);
    // Writes name the file exactly.
    Put(sfOrdinary, "S0Scenario", fkData, "mine");
    EXPECT_EQ(ReadFile(ordinary / "S0Scenario.dat"), "mine");
    EXPECT_EQ(ReadFile(ordinary / "S0SCENARIO.dat"), "upper");
}

TEST_F(Storage, StartSetsTheFoldersAndStopAcceptsAnyState) {
    StorageStop();
    StorageStop();
    const std::string main = ExecutableFolder();
    ASSERT_FALSE(main.empty());
    EXPECT_EQ(main.back(), '/');
    // Language discovery may refuse a test folder without languages; the folders it needs are
    // set before it runs.
    try {
        StorageStart();
        EXPECT_TRUE(StorageReady());
        EXPECT_EQ(StorageFolderPath(sfOrdinary), main + "Ordinary/");
        EXPECT_EQ(StorageFolderPath(sfUser), UserFolder());
    } catch (const EngineError&) {
        EXPECT_FALSE(StorageReady());
    }
    EXPECT_EQ(StorageFolderPath(sfMain), main);
    EXPECT_EQ(StorageFolderPath(sfData), main);
    EXPECT_EQ(StorageFolderPath(sfBranding), main + "Branding/");
    StorageStop();
    EXPECT_FALSE(StorageReady());
}

TEST(UserFolder, IsMadeBelowTheFirstBaseThatIsSet) {
    test::TTempFolder temp;
    const std::string base = temp.Path().string();
    test::TEnvironment environment;
    environment.Set("VALDMOOR_HOME", (base + "/fresh/home/").c_str());
    EXPECT_EQ(UserFolder(), base + "/fresh/home/Quillane/Valdmoor/");
    EXPECT_TRUE(fs::is_directory(base + "/fresh/home/Quillane/Valdmoor"));

    environment.Set("VALDMOOR_HOME", nullptr);
    environment.Set("XDG_DATA_HOME", (base + "/data").c_str());
    EXPECT_EQ(UserFolder(), base + "/data/Quillane/Valdmoor/");
    environment.Set("XDG_DATA_HOME", "relative/data");
    environment.Set("HOME", base.c_str());
    EXPECT_EQ(UserFolder(), base + "/.local/share/Quillane/Valdmoor/");

    temp.Write("blocked/Quillane", "a file, not a folder");
    environment.Set("VALDMOOR_HOME", (base + "/blocked").c_str());
    EXPECT_EQ(UserFolder(), "");
}

} // namespace
} // namespace valdmoor
