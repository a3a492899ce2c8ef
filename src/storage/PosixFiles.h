// File helpers shared by the storage unit and the local service: whole reads and writes,
// folder creation, and replacement through a temporary file so that a crash or a full disk
// leaves either the old file or the new one, never a torn one.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace valdmoor::posix {

// Owns one file descriptor.
class TFileHandle {
public:
    TFileHandle() = default;
    explicit TFileHandle(int fd) : fd_(fd) {}
    ~TFileHandle() { Reset(); }
    TFileHandle(TFileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TFileHandle& operator=(TFileHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes the descriptor; false when the close reported an error (lost written data).
    bool Reset() {
        if (fd_ < 0) {
            return true;
        }
        const int result = close(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    int fd_ = -1;
};

// One system call moves at most this much, well below what read and write accept.
constexpr std::size_t MaxTransfer = std::size_t{1} << 30;

inline bool WriteAll(int fd, const void* data, std::size_t size, int64_t offset) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const std::size_t chunk = size < MaxTransfer ? size : MaxTransfer;
        const ssize_t done = pwrite(fd, bytes, chunk, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        bytes += done;
        size -= static_cast<std::size_t>(done);
        offset += done;
    }
    return true;
}

// Reads up to Size bytes at Offset; fewer only at the end of the file or on an error.
inline std::size_t ReadAt(int fd, void* data, std::size_t size, int64_t offset) {
    char* bytes = static_cast<char*>(data);
    std::size_t total = 0;
    while (total < size) {
        const std::size_t left = size - total;
        const ssize_t done = pread(fd, bytes + total, left < MaxTransfer ? left : MaxTransfer,
                                   static_cast<off_t>(offset + static_cast<int64_t>(total)));
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            break;
        }
        total += static_cast<std::size_t>(done);
    }
    return total;
}

inline bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

inline bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Opens a regular file for reading. Non-blocking, so that a pipe put where a file should be
// is refused instead of hanging the game; a folder is refused as well.
inline TFileHandle OpenForReading(const std::string& path, int64_t& size) {
    TFileHandle file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file.Valid() || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return TFileHandle();
    }
    size = static_cast<int64_t>(info.st_size);
    return file;
}

// The whole content of a regular file; false when it cannot be read.
inline bool ReadWholeFile(const std::string& path, std::string& bytes) {
    int64_t size = 0;
    TFileHandle file = OpenForReading(path, size);
    if (!file.Valid()) {
        return false;
    }
    bytes.clear();
    char buffer[16384];
    for (;;) {
        const std::size_t got =
            ReadAt(file.Get(), buffer, sizeof buffer, static_cast<int64_t>(bytes.size()));
        bytes.append(buffer, got);
        if (got < sizeof buffer) {
            return true;
        }
    }
}

// Creates the folder when it does not exist; true when it is there afterwards.
inline bool MakeFolder(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (mkdir(path.c_str(), 0700) == 0) {
        return true;
    }
    return errno == EEXIST && IsFolder(path);
}

// The folder part of Path, with its final "/"; "./" for a bare name.
inline std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Makes a rename in Folder survive a crash.
inline void SyncFolder(const std::string& folder) {
    TFileHandle handle(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.Valid()) {
        fsync(handle.Get());
    }
}

// Creates a new, empty file beside Target whose name starts with "." and ends in ".tmp", so
// that it never passes for a file of the game.
inline TFileHandle CreateTemporaryBeside(const std::string& target, std::string& temporary) {
    static uint32_t counter = 0;
    const std::string folder = FolderOf(target);
    const std::string file = target.substr(target.rfind('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "." + file + "." + std::to_string(getpid()) + "." +
                    std::to_string(++counter) + ".tmp";
        TFileHandle handle(
            open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (handle.Valid()) {
            return handle;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    temporary.clear();
    return TFileHandle();
}

// Makes the temporary file durable and renames it over Target. On failure the temporary file
// is removed and Target keeps what it held.
inline bool CommitTemporary(TFileHandle& file, const std::string& temporary,
                            const std::string& target) {
    const bool synced = fsync(file.Get()) == 0;
    const bool closed = file.Reset();
    if (!synced || !closed || rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
}

// Replaces Target with exactly Size bytes of Data, atomically.
inline bool ReplaceFile(const std::string& target, const void* data, std::size_t size) {
    std::string temporary;
    TFileHandle file = CreateTemporaryBeside(target, temporary);
    if (!file.Valid()) {
        return false;
    }
    if (!WriteAll(file.Get(), data, size, 0)) {
        file.Reset();
        unlink(temporary.c_str());
        return false;
    }
    return CommitTemporary(file, temporary, target);
}

} // namespace valdmoor::posix
