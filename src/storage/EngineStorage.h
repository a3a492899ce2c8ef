// Files addressed by (folder, name, kind). No other unit builds a path: a storage folder from
// a fixed set, a bare name, and a kind that fixes the extension. Folder sfCloud is the cloud
// storage of the local service rather than a disk folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

enum TStorageFolder : int32_t {
    sfMain = 0,     // the executable's folder
    sfData = 1,     // the same path as sfMain
    sfBranding = 2, // sfMain + "Branding/"
    sfLanguage = 3, // the current language's folder
    sfOrdinary = 4, // sfMain + "Ordinary/"
    sfUser = 5,     // the per-user folder
    sfCloud = 6,    // cloud files: saves and remembered settings
};

enum TFileKind : int32_t {
    fkNone = 0,
    fkExe = 1,
    fkUrl = 2,
    fkText = 3,
    fkXml = 4,
    fkWave = 5,
    fkOgg = 6,
    fkTpx = 7,
    fkPng = 8,
    fkJpg = 9,
    fkTsg = 10,
    fkEmt = 11,
    fkData = 12,
    fkFlag = 13,
    fkString = 14,
};

// ".exe" .. ".str"; empty for fkNone and values out of range.
std::string_view FileKindExtension(TFileKind kind);
// The kind whose extension equals Extension exactly (with the dot, case-sensitive); 0 if none.
TFileKind StorageKindOf(std::string_view extension);

// A byte stream over a file or memory. Reads return how many bytes arrived; a short read is
// the end of the data, never an error.
class TStream {
public:
    virtual ~TStream() = default;
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // Reads exactly Size bytes or raises EngineError "Stream read error": for record readers,
    // where data that ends early is damage rather than the end.
    void ReadExact(void* buffer, std::size_t size);
    // The bytes between the position and the end (0 when the position is past it).
    int64_t Remaining() const;
    // Raises EngineError when the bytes cannot be written.
    virtual void Write(const void* buffer, std::size_t size) = 0;
    virtual int64_t Size() const = 0;
    virtual int64_t Position() const = 0;
    // Moves to Position, clamped to 0 .. Size.
    virtual void Seek(int64_t position) = 0;
    // Makes what was written durable; raises EngineError on failure. Only Close commits: a
    // writing stream destroyed without it (an error unwinding past it, say) throws away what
    // was written and leaves the old file as it was.
    virtual void Close() {}
};

// A stream held in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t size) override;
    void Write(const void* buffer, std::size_t size) override;
    int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
    int64_t Position() const override { return static_cast<int64_t>(position_); }
    void Seek(int64_t position) override;

    const std::string& Bytes() const { return bytes_; }
    std::string& Bytes() { return bytes_; }
    void Reserve(std::size_t capacity) { bytes_.reserve(capacity); }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

// A cloud file held in memory. In write mode the content goes to the cloud on Close, and only
// then; a stream left empty writes nothing, so the cloud file keeps its old content.
class TCloudStream : public TMemoryStream {
public:
    // Read mode raises "Cloud file \"<name><ext>\" not found" when the file does not exist.
    TCloudStream(bool writeMode, std::string name, TFileKind kind);

    // Raises "Failed to save cloud file \"<name><ext>\"." when the write fails.
    void Close() override;

    bool WriteMode() const { return writeMode_; }
    const std::string& Name() const { return name_; }
    TFileKind Kind() const { return kind_; }

private:
    bool writeMode_;
    bool closed_ = false;
    std::string name_;
    TFileKind kind_;
};

// Start-up: the main folder, the language list, the per-user folder and the start language,
// in that order. Raises on failure (with the error kind reported).
void StorageStart();
// Frees the language list; folder paths stay. Accepts storage that never started.
void StorageStop();
// Stops storage and forgets the folder paths too, as in a fresh process (for tests).
void StorageReset();
// Whether start-up got far enough to know the folders (the log file needs them).
bool StorageReady();

// The folder's path, ending in "/"; empty for sfCloud.
const std::string& StorageFolderPath(TStorageFolder folder);
void SetStorageFolderPath(TStorageFolder folder, std::string path);
// The path of a triple: folder path + name + extension (name + extension for sfCloud).
std::string StoragePath(TStorageFolder folder, std::string_view name, TFileKind kind);

// The folder of the running executable, ending in "/".
std::string ExecutableFolder();
// The per-user folder ("Quillane/Valdmoor/" below $VALDMOOR_HOME, else below $XDG_DATA_HOME or
// ~/.local/share), created when missing; empty when it cannot be made.
std::string UserFolder();

// Look-ups of disk files (StorageExists, StorageOpen, StorageLoadText, StorageFileAge) that miss
// the exact name take a file of the same folder whose name differs only in ASCII letter case,
// as data written on case-blind systems expects; each such name is logged once.
bool StorageExists(TStorageFolder folder, std::string_view name, TFileKind kind);
// Raises "Unable to open file \"<path>\"" for a missing disk file.
std::unique_ptr<TStream> StorageOpen(TStorageFolder folder, std::string_view name, TFileKind kind);
// Raises "Unable to create file \"<path>\"". Disk files are written to a temporary file and
// renamed over the target on Close, so a failed write never leaves a torn file. The stream
// commits only on Close; destroyed without it, it leaves the old file untouched.
std::unique_ptr<TStream> StorageCreate(TStorageFolder folder, std::string_view name,
                                       TFileKind kind);
std::string StorageLoadText(TStorageFolder folder, std::string_view name, TFileKind kind);
void StorageDelete(TStorageFolder folder, std::string_view name, TFileKind kind);
bool StorageCopy(TStorageFolder sourceFolder, std::string_view name, TFileKind kind,
                 TStorageFolder targetFolder, std::string_view targetName);
// Packed date-time of the file's modification time; -1 when missing; always 0 for sfCloud.
int32_t StorageFileAge(TStorageFolder folder, std::string_view name, TFileKind kind);
void StorageSetFlag(TStorageFolder folder, std::string_view name, bool on);
bool StorageFlag(TStorageFolder folder, std::string_view name);
std::string StorageLoadString(TStorageFolder folder, std::string_view name);
void StorageSaveString(TStorageFolder folder, std::string_view name, std::string_view value);
// Enumerates the plain files of a disk folder, one per call; false when no more (always for
// sfCloud). One enumeration exists at a time.
bool StorageFindNext(TStorageFolder folder, std::string& name, TFileKind& kind);
void StorageFindClose();

// Wrappers of the local service: the only callers of its cloud, language and stats parts.
bool CloudFileExists(std::string_view fileName);
int32_t CloudFileSize(std::string_view fileName);
int32_t CloudFileRead(std::string_view fileName, void* buffer, int32_t size);
bool CloudFileWrite(std::string_view fileName, const void* buffer, int32_t size);
bool CloudFileDelete(std::string_view fileName);
// The language chosen for the game, as an English word in lower case ("german").
std::string SteamGameLanguage();
bool StatsRequestCurrent();
bool StatsGetAchievement(std::string_view name, bool& achieved);
bool StatsSetAchievement(std::string_view name);
bool StatsStore();

} // namespace valdmoor
