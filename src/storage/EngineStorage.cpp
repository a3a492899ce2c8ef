#include "storage/EngineStorage.h"

#include "app/EngineApplication.h"
#include "storage/EngineLanguages.h"
#include "storage/LocalService.h"
#include "storage/PosixFiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace valdmoor {
namespace {

constexpr std::array<std::string_view, 15> Extensions = {
    "",     ".exe", ".url", ".txt", ".xml", ".wav", ".ogg", ".tpx",
    ".png", ".jpg", ".tsg", ".emt", ".dat", ".flg", ".str",
};

struct TFolderCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

struct TStorageState {
    std::array<std::string, sfCloud + 1> paths;
    bool ready = false;
    // The one enumeration of StorageFindNext.
    std::unique_ptr<DIR, TFolderCloser> search;
    std::string searchFolder;
    // Paths already logged as found under another letter case.
    std::set<std::string, std::less<>> caseLogged;
};

TStorageState state;
const std::string emptyPath;

bool ValidFolder(TStorageFolder folder) {
    return folder >= sfMain && folder <= sfCloud;
}

std::string CloudFileName(std::string_view name, TFileKind kind) {
    std::string fileName(name);
    fileName += FileKindExtension(kind);
    return fileName;
}

// The disk path of a triple; empty for the cloud, for a folder not set, and for a name that
// could reach outside its folder (names come from data files).
std::string DiskPath(TStorageFolder folder, std::string_view name, TFileKind kind) {
    if (!ValidFolder(folder) || folder == sfCloud || state.paths[folder].empty() ||
        name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        return {};
    }
    return state.paths[folder] + CloudFileName(name, kind);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// The path of the file a look-up of the triple reads. Content written on case-blind systems
// names files in any letter case, so when the exact name is missing (and only then: a hit costs
// one stat), the folder is searched for a plain file whose name differs only in ASCII case;
// with several, the byte-wise smallest wins so every run picks the same. When nothing fits,
// the exact path (empty for a refused name).
std::string LookUpDiskPath(TStorageFolder folder, std::string_view name, TFileKind kind) {
    const std::string path = DiskPath(folder, name, kind);
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) == 0 || errno != ENOENT) {
        return path;
    }
    const std::string& folderPath = state.paths[folder];
    const std::string wanted = CloudFileName(name, kind);
    const std::unique_ptr<DIR, TFolderCloser> dir(opendir(folderPath.c_str()));
    if (dir == nullptr) {
        return path;
    }
    std::string found;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view fileName(entry->d_name);
        if (EqualIgnoringCase(fileName, wanted) && (found.empty() || fileName < found) &&
            posix::IsRegularFile(folderPath + std::string(fileName))) {
            found.assign(fileName);
        }
    }
    if (found.empty()) {
        return path;
    }
    std::string actual = folderPath + found;
    if (state.caseLogged.insert(path).second) {
        LogMessage("File \"" + path + "\" found as \"" + found + "\"");
    }
    return actual;
}

[[noreturn]] void RaiseUnableToOpen(const std::string& path) {
    throw EngineError("Unable to open file \"" + path + "\"");
}

[[noreturn]] void RaiseUnableToCreate(const std::string& path) {
    throw EngineError("Unable to create file \"" + path + "\"");
}

[[noreturn]] void RaiseUnableToWrite(const std::string& path) {
    throw EngineError("Unable to write file \"" + path + "\"");
}

// A disk file. A reading stream reads the file itself; a writing stream writes a temporary
// file beside it, which Close renames over the target.
class TFileStream final : public TStream {
public:
    TFileStream(posix::TFileHandle file, std::string path, std::string temporary, int64_t size)
        : file_(std::move(file)), path_(std::move(path)), temporary_(std::move(temporary)),
          size_(size) {}

    // Not closed means not finished (an error is unwinding, or the writer gave up): what was
    // written goes, and the target keeps its old content.
    ~TFileStream() override {
        if (!closed_) {
            Discard();
        }
    }

    std::size_t Read(void* buffer, std::size_t size) override {
        if (closed_ || size == 0) {
            return 0;
        }
        const std::size_t got = posix::ReadAt(file_.Get(), buffer, size, position_);
        position_ += static_cast<int64_t>(got);
        return got;
    }

    void Write(const void* buffer, std::size_t size) override {
        if (size == 0) {
            return;
        }
        if (temporary_.empty() || closed_ || failed_) {
            RaiseUnableToWrite(path_);
        }
        if (!posix::WriteAll(file_.Get(), buffer, size, position_)) {
            failed_ = true;
            RaiseUnableToWrite(path_);
        }
        position_ += static_cast<int64_t>(size);
        size_ = std::max(size_, position_);
    }

    int64_t Size() const override { return size_; }
    int64_t Position() const override { return position_; }
    void Seek(int64_t position) override { position_ = std::clamp<int64_t>(position, 0, size_); }

    void Close() override {
        if (closed_) {
            return;
        }
        closed_ = true;
        if (temporary_.empty()) {
            file_.Reset();
            return;
        }
        if (failed_) {
            Discard();
            RaiseUnableToWrite(path_);
        }
        if (!posix::CommitTemporary(file_, temporary_, path_)) {
            RaiseUnableToWrite(path_);
        }
    }

private:
    void Discard() {
        file_.Reset();
        if (!temporary_.empty()) {
            unlink(temporary_.c_str());
        }
        closed_ = true;
    }

    posix::TFileHandle file_;
    std::string path_;
    std::string temporary_; // empty for a reading stream
    int64_t size_;
    int64_t position_ = 0;
    bool closed_ = false;
    bool failed_ = false;
};

void CopyAll(TStream& source, TStream& target) {
    char buffer[65536];
    for (;;) {
        const std::size_t got = source.Read(buffer, sizeof buffer);
        target.Write(buffer, got);
        if (got < sizeof buffer) {
            return;
        }
    }
}

// The packed date-time that callers compare to notice a changed file; seconds come in steps
// of two. Years outside 1980 .. 2107 do not fit and are clamped.
int32_t PackDateTime(const std::tm& time) {
    const int year = time.tm_year + 1900;
    if (year < 1980) {
        return (1 << 21) | (1 << 16);
    }
    if (year > 2107) {
        return static_cast<int32_t>((127U << 25) | (12U << 21) | (31U << 16) | (23U << 11) |
                                    (59U << 5) | 29U);
    }
    const uint32_t packed = (static_cast<uint32_t>(year - 1980) << 25) |
                            (static_cast<uint32_t>(time.tm_mon + 1) << 21) |
                            (static_cast<uint32_t>(time.tm_mday) << 16) |
                            (static_cast<uint32_t>(time.tm_hour) << 11) |
                            (static_cast<uint32_t>(time.tm_min) << 5) |
                            static_cast<uint32_t>(std::min(time.tm_sec, 59) / 2);
    return static_cast<int32_t>(packed);
}

// Creates Path and any missing folder above it.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (!posix::MakeFolder(path.substr(0, slash))) {
            return false;
        }
    }
    return posix::MakeFolder(path);
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

std::string_view FileKindExtension(TFileKind kind) {
    return kind > fkNone && kind <= fkString ? Extensions[static_cast<std::size_t>(kind)]
                                             : std::string_view();
}

TFileKind StorageKindOf(std::string_view extension) {
    for (int32_t kind = fkExe; kind <= fkString; ++kind) {
        if (Extensions[static_cast<std::size_t>(kind)] == extension) {
            return static_cast<TFileKind>(kind);
        }
    }
    return fkNone;
}

void TStream::ReadExact(void* buffer, std::size_t size) {
    if (size > 0 && Read(buffer, size) != size) {
        throw EngineError("Stream read error");
    }
}

int64_t TStream::Remaining() const {
    return std::max<int64_t>(Size() - Position(), 0);
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t size) {
    // The buffer may have been shrunk under the position through Bytes().
    const std::size_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const std::size_t count = std::min(size, left);
    if (count > 0) {
        std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
    }
    return count;
}

void TMemoryStream::Write(const void* buffer, std::size_t size) {
    if (size == 0) {
        return;
    }
    if (position_ > bytes_.size() || size > bytes_.size() - position_) {
        bytes_.resize(position_ + size);
    }
    std::memcpy(bytes_.data() + position_, buffer, size);
    position_ += size;
}

void TMemoryStream::Seek(int64_t position) {
    position_ = static_cast<std::size_t>(std::clamp<int64_t>(position, 0, Size()));
}

TCloudStream::TCloudStream(bool writeMode, std::string name, TFileKind kind)
    : writeMode_(writeMode), name_(std::move(name)), kind_(kind) {
    const std::string fileName = CloudFileName(name_, kind_);
    const bool exists = CloudFileExists(fileName);
    const int32_t size = exists ? CloudFileSize(fileName) : 0;
    if (writeMode_) {
        // Starts empty: what the file held is replaced, and only when something is written.
        Reserve(static_cast<std::size_t>(std::max(size, 0)));
        return;
    }
    if (!exists || size < 0) {
        throw EngineError("Cloud file \"" + fileName + "\" not found");
    }
    Bytes().resize(static_cast<std::size_t>(size));
    const int32_t got = size > 0 ? CloudFileRead(fileName, Bytes().data(), size) : 0;
    Bytes().resize(static_cast<std::size_t>(std::clamp(got, 0, size)));
}

void TCloudStream::Close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    if (!writeMode_ || Bytes().empty()) {
        return;
    }
    const std::string fileName = CloudFileName(name_, kind_);
    if (Bytes().size() > static_cast<std::size_t>(INT32_MAX) ||
        !CloudFileWrite(fileName, Bytes().data(), static_cast<int32_t>(Bytes().size()))) {
        throw EngineError("Failed to save cloud file \"" + fileName + "\".");
    }
}

void StorageStart() {
    // The language list is made inside DiscoverLanguages below.
    const std::string main = ExecutableFolder();
    if (main.empty()) {
        ReportErrorKind(ekGeneral);
        throw EngineError("Failed to get main folder");
    }
    state.paths[sfMain] = main;
    state.paths[sfData] = main;
    state.paths[sfBranding] = main + "Branding/";
    DiscoverLanguages();
    state.paths[sfOrdinary] = main + "Ordinary/";
    const std::string user = UserFolder();
    // Without a per-user folder the log still has a place: beside the executable.
    state.paths[sfUser] = user.empty() ? main : user;
    state.ready = true;
    ChooseStartLanguage();
}

void StorageStop() {
    FreeLanguages();
    StorageFindClose();
    state.ready = false;
}

void StorageReset() {
    StorageStop();
    for (std::string& path : state.paths) {
        path.clear();
    }
    state.caseLogged.clear();
}

bool StorageReady() {
    return state.ready;
}

const std::string& StorageFolderPath(TStorageFolder folder) {
    return ValidFolder(folder) ? state.paths[folder] : emptyPath;
}

void SetStorageFolderPath(TStorageFolder folder, std::string path) {
    if (!ValidFolder(folder) || folder == sfCloud) {
        return;
    }
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    state.paths[folder] = std::move(path);
}

std::string StoragePath(TStorageFolder folder, std::string_view name, TFileKind kind) {
    return StorageFolderPath(folder) + CloudFileName(name, kind);
}

std::string ExecutableFolder() {
    std::string path(4096, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length <= 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        if (path.size() >= 65536) {
            return {};
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string UserFolder() {
    std::string base = Environment("VALDMOOR_HOME");
    if (base.empty()) {
        base = Environment("XDG_DATA_HOME");
        // A relative data home is invalid and ignored, as the desktop conventions ask.
        if (base.empty() || base.front() != '/') {
            const std::string home = Environment("HOME");
            base = home.empty() ? std::string() : home + "/.local/share";
        }
    }
    while (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    if (base.empty()) {
        return {};
    }
    // A fresh account may not have its data folder yet.
    const std::string company = base + "/Quillane";
    const std::string game = company + "/Valdmoor";
    if (!MakeFolders(base) || !posix::MakeFolder(company) || !posix::MakeFolder(game)) {
        return {};
    }
    return game + "/";
}

bool StorageExists(TStorageFolder folder, std::string_view name, TFileKind kind) {
    if (folder == sfCloud) {
        return CloudFileExists(CloudFileName(name, kind));
    }
    return posix::IsRegularFile(LookUpDiskPath(folder, name, kind));
}

std::unique_ptr<TStream> StorageOpen(TStorageFolder folder, std::string_view name, TFileKind kind) {
    if (folder == sfCloud) {
        return std::make_unique<TCloudStream>(false, std::string(name), kind);
    }
    const std::string path = LookUpDiskPath(folder, name, kind);
    int64_t size = 0;
    posix::TFileHandle file;
    if (!path.empty()) {
        file = posix::OpenForReading(path, size);
    }
    if (!file.Valid()) {
        RaiseUnableToOpen(StoragePath(folder, name, kind));
    }
    return std::make_unique<TFileStream>(std::move(file), path, std::string(), size);
}

std::unique_ptr<TStream> StorageCreate(TStorageFolder folder, std::string_view name,
                                       TFileKind kind) {
    if (folder == sfCloud) {
        return std::make_unique<TCloudStream>(true, std::string(name), kind);
    }
    const std::string path = DiskPath(folder, name, kind);
    struct stat info {};
    // Anything but a plain file in the way would only make the final rename fail.
    if (path.empty() ||
        (lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))) {
        RaiseUnableToCreate(StoragePath(folder, name, kind));
    }
    std::string temporary;
    posix::TFileHandle file = posix::CreateTemporaryBeside(path, temporary);
    if (!file.Valid()) {
        RaiseUnableToCreate(path);
    }
    return std::make_unique<TFileStream>(std::move(file), path, std::move(temporary), 0);
}

std::string StorageLoadText(TStorageFolder folder, std::string_view name, TFileKind kind) {
    const std::unique_ptr<TStream> stream = StorageOpen(folder, name, kind);
    std::string text;
    char buffer[65536];
    for (;;) {
        const std::size_t got = stream->Read(buffer, sizeof buffer);
        text.append(buffer, got);
        if (got < sizeof buffer) {
            break;
        }
    }
    stream->Close();
    return text;
}

void StorageDelete(TStorageFolder folder, std::string_view name, TFileKind kind) {
    if (folder == sfCloud) {
        CloudFileDelete(CloudFileName(name, kind));
        return;
    }
    const std::string path = DiskPath(folder, name, kind);
    if (!path.empty()) {
        unlink(path.c_str());
    }
}

bool StorageCopy(TStorageFolder sourceFolder, std::string_view name, TFileKind kind,
                 TStorageFolder targetFolder, std::string_view targetName) {
    // sfMain and sfData share one path: compare where the files really are, or the copy would
    // replace the file with itself.
    const bool sameFile = (sourceFolder == sfCloud) == (targetFolder == sfCloud) &&
                          name == targetName &&
                          StorageFolderPath(sourceFolder) == StorageFolderPath(targetFolder);
    if (sameFile || !StorageExists(sourceFolder, name, kind)) {
        return false;
    }
    const std::unique_ptr<TStream> source = StorageOpen(sourceFolder, name, kind);
    if (targetFolder == sfCloud && source->Size() == 0) {
        // An empty cloud stream writes nothing, which would leave the target's old content.
        const std::string fileName = CloudFileName(targetName, kind);
        if (!CloudFileWrite(fileName, "", 0)) {
            throw EngineError("Failed to save cloud file \"" + fileName + "\".");
        }
        return true;
    }
    const std::unique_ptr<TStream> target = StorageCreate(targetFolder, targetName, kind);
    CopyAll(*source, *target);
    target->Close();
    return true;
}

int32_t StorageFileAge(TStorageFolder folder, std::string_view name, TFileKind kind) {
    if (folder == sfCloud) {
        return 0;
    }
    const std::string path = LookUpDiskPath(folder, name, kind);
    struct stat info {};
    std::tm local{};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        localtime_r(&info.st_mtime, &local) == nullptr) {
        return -1;
    }
    return PackDateTime(local);
}

void StorageSetFlag(TStorageFolder folder, std::string_view name, bool on) {
    if (!on) {
        StorageDelete(folder, name, fkFlag);
        return;
    }
    if (StorageExists(folder, name, fkFlag)) {
        return;
    }
    const std::unique_ptr<TStream> stream = StorageCreate(folder, name, fkFlag);
    const char set = 0x01;
    stream->Write(&set, 1);
    stream->Close();
}

bool StorageFlag(TStorageFolder folder, std::string_view name) {
    return StorageExists(folder, name, fkFlag);
}

std::string StorageLoadString(TStorageFolder folder, std::string_view name) {
    return StorageExists(folder, name, fkString) ? StorageLoadText(folder, name, fkString)
                                                 : std::string();
}

void StorageSaveString(TStorageFolder folder, std::string_view name, std::string_view value) {
    if (value.empty()) {
        StorageDelete(folder, name, fkString);
        return;
    }
    if (StorageExists(folder, name, fkString)) {
        try {
            if (StorageLoadText(folder, name, fkString) == value) {
                return;
            }
        } catch (const EngineError&) {
            // Unreadable: rewriting it is the cure.
        }
    }
    const std::unique_ptr<TStream> stream = StorageCreate(folder, name, fkString);
    stream->Write(value.data(), value.size());
    stream->Close();
}

bool StorageFindNext(TStorageFolder folder, std::string& name, TFileKind& kind) {
    if (folder == sfCloud || !ValidFolder(folder)) {
        return false;
    }
    if (state.search == nullptr) {
        state.searchFolder = state.paths[folder];
        if (state.searchFolder.empty()) {
            return false;
        }
        state.search.reset(opendir(state.searchFolder.c_str()));
        if (state.search == nullptr) {
            return false;
        }
    }
    while (const dirent* entry = readdir(state.search.get())) {
        const std::string_view fileName(entry->d_name);
        if (fileName == "." || fileName == "..") {
            continue;
        }
        if (entry->d_type != DT_REG &&
            !posix::IsRegularFile(state.searchFolder + std::string(fileName))) {
            continue;
        }
        const std::size_t dot = fileName.rfind('.');
        if (dot == std::string_view::npos) {
            name.assign(fileName);
            kind = fkNone;
        } else {
            name.assign(fileName.substr(0, dot));
            kind = StorageKindOf(fileName.substr(dot));
        }
        return true;
    }
    return false;
}

void StorageFindClose() {
    state.search.reset();
    state.searchFolder.clear();
}

bool CloudFileExists(std::string_view fileName) {
    return ServiceFileExists(fileName);
}

int32_t CloudFileSize(std::string_view fileName) {
    return ServiceFileSize(fileName);
}

int32_t CloudFileRead(std::string_view fileName, void* buffer, int32_t size) {
    return ServiceFileRead(fileName, buffer, size);
}

bool CloudFileWrite(std::string_view fileName, const void* buffer, int32_t size) {
    return ServiceFileWrite(fileName, buffer, size);
}

bool CloudFileDelete(std::string_view fileName) {
    return ServiceFileDelete(fileName);
}

std::string SteamGameLanguage() {
    return ServiceGameLanguage();
}

bool StatsRequestCurrent() {
    return ServiceRequestStats();
}

bool StatsGetAchievement(std::string_view name, bool& achieved) {
    return ServiceGetAchievement(name, achieved);
}

bool StatsSetAchievement(std::string_view name) {
    return ServiceSetAchievement(name);
}

bool StatsStore() {
    return ServiceStoreStats();
}

} // namespace valdmoor
