#include "storage/LocalService.h"

#include "app/EngineApplication.h"
#include "storage/PosixFiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace valdmoor {
namespace {

constexpr std::string_view CloudFolderName = "Cloud/";
constexpr std::string_view AchievementsFile = "Achievements.txt";
// The longest achievement name the service keeps.
constexpr std::size_t MaxAchievementName = 128;

struct TServiceState {
    bool running = false;
    std::string cloudFolder; // ends in "/"
    bool statsReceived = false;
    std::set<std::string, std::less<>> unlocked; // as stored in the achievements file
    std::set<std::string, std::less<>> pending;  // set since the last store
};

TServiceState state;

// Cloud file names are plain names inside the cloud folder. Names starting with "." are
// refused too: they are the service's temporary files.
bool SafeFileName(std::string_view name) {
    return !name.empty() && name.front() != '.' &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

// The path of a cloud file; empty when the service is down or the name is refused.
std::string CloudPath(std::string_view fileName) {
    if (!state.running || !SafeFileName(fileName)) {
        return {};
    }
    return state.cloudFolder + std::string(fileName);
}

bool SafeAchievementName(std::string_view name) {
    return !name.empty() && name.size() <= MaxAchievementName &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string AchievementsPath() {
    return state.cloudFolder + std::string(AchievementsFile);
}

bool Unlocked(std::string_view name) {
    return state.unlocked.find(name) != state.unlocked.end() ||
           state.pending.find(name) != state.pending.end();
}

struct TLanguageCode {
    std::string_view Code;
    std::string_view Language;
};

constexpr std::array<TLanguageCode, 31> LanguageCodes = {{
    {"ar", "arabic"},     {"bg", "bulgarian"},  {"cs", "czech"},     {"da", "danish"},
    {"de", "german"},     {"el", "greek"},      {"en", "english"},   {"es", "spanish"},
    {"fi", "finnish"},    {"fr", "french"},     {"hr", "croatian"},  {"hu", "hungarian"},
    {"id", "indonesian"}, {"it", "italian"},    {"ja", "japanese"},  {"ko", "korean"},
    {"nb", "norwegian"},  {"nl", "dutch"},      {"nn", "norwegian"}, {"no", "norwegian"},
    {"pl", "polish"},     {"pt", "portuguese"}, {"ro", "romanian"},  {"ru", "russian"},
    {"sk", "slovak"},     {"sv", "swedish"},    {"th", "thai"},      {"tr", "turkish"},
    {"uk", "ukrainian"},  {"vi", "vietnamese"}, {"zh", "chinese"},
}};

// A writer killed between creating its temporary file and renaming it leaves
// ".<name>.<pid>.<n>.tmp" behind. Such a file is removed once its writer is gone; a live
// writer's file (another process on the same folder) is left alone.
void RemoveStaleTemporaries(const std::string& folder) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name.size() < 6 || name.front() != '.' || !name.ends_with(".tmp")) {
            continue;
        }
        const std::string_view stem = name.substr(0, name.size() - 4);
        const std::size_t counterDot = stem.rfind('.');
        const std::size_t pidDot = counterDot == std::string_view::npos || counterDot == 0
                                       ? std::string_view::npos
                                       : stem.rfind('.', counterDot - 1);
        if (pidDot == std::string_view::npos || pidDot == 0) {
            continue;
        }
        const std::string pidText(stem.substr(pidDot + 1, counterDot - pidDot - 1));
        if (pidText.empty() || pidText.find_first_not_of("0123456789") != std::string::npos ||
            pidText.size() > 9) {
            continue;
        }
        const pid_t writer = static_cast<pid_t>(std::stol(pidText));
        if (writer != getpid() && kill(writer, 0) != 0 && errno == ESRCH) {
            unlink((folder + std::string(name)).c_str());
        }
    }
    closedir(listing);
}

} // namespace

bool ServiceInit(const std::string& userFolder) {
    ServiceShutdown();
    if (userFolder.empty()) {
        return false;
    }
    std::string folder = userFolder;
    if (folder.back() != '/') {
        folder += '/';
    }
    folder += CloudFolderName;
    if (!posix::MakeFolder(folder)) {
        return false;
    }
    RemoveStaleTemporaries(folder);
    state.cloudFolder = std::move(folder);
    state.running = true;
    return true;
}

void ServiceRunCallbacks() {
    // Every request is answered at once; nothing arrives later.
}

void ServiceShutdown() {
    state = TServiceState();
}

bool ServiceRunning() {
    return state.running;
}

bool ServiceFileExists(std::string_view fileName) {
    return posix::IsRegularFile(CloudPath(fileName));
}

int32_t ServiceFileSize(std::string_view fileName) {
    const std::string path = CloudPath(fileName);
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return 0;
    }
    // A size that does not fit cannot be read whole; say so rather than truncate.
    return info.st_size <= INT32_MAX ? static_cast<int32_t>(info.st_size) : -1;
}

int32_t ServiceFileRead(std::string_view fileName, void* buffer, int32_t size) {
    const std::string path = CloudPath(fileName);
    if (path.empty() || buffer == nullptr || size <= 0) {
        return 0;
    }
    int64_t fileSize = 0;
    const posix::TFileHandle file = posix::OpenForReading(path, fileSize);
    if (!file.Valid()) {
        return 0;
    }
    const auto count = static_cast<std::size_t>(std::min<int64_t>(size, fileSize));
    return static_cast<int32_t>(posix::ReadAt(file.Get(), buffer, count, 0));
}

bool ServiceFileWrite(std::string_view fileName, const void* buffer, int32_t size) {
    const std::string path = CloudPath(fileName);
    if (path.empty() || size < 0 || (buffer == nullptr && size > 0)) {
        return false;
    }
    return posix::ReplaceFile(path, buffer, static_cast<std::size_t>(size));
}

bool ServiceFileDelete(std::string_view fileName) {
    const std::string path = CloudPath(fileName);
    return posix::IsRegularFile(path) && unlink(path.c_str()) == 0;
}

std::string ServiceGameLanguage() {
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        std::string_view locale = value != nullptr ? value : "";
        if (variable == std::string_view("LANGUAGE")) {
            // A list of preferences such as "de_AT:de:en"; the first one counts.
            std::string_view list = locale;
            locale = {};
            while (locale.empty() && !list.empty()) {
                const std::size_t colon = list.find(':');
                locale = list.substr(0, colon);
                list =
                    colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
            }
        }
        if (!locale.empty()) {
            return LanguageOfLocale(locale);
        }
    }
    return "english";
}

std::string LanguageOfLocale(std::string_view locale) {
    std::string code(locale.substr(0, locale.find_first_of("_.@")));
    for (char& c : code) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    for (const TLanguageCode& entry : LanguageCodes) {
        if (entry.Code == code) {
            return std::string(entry.Language);
        }
    }
    return "english";
}

bool ServiceRequestStats() {
    if (!state.running) {
        return false;
    }
    const std::string path = AchievementsPath();
    std::string text;
    if (!posix::ReadWholeFile(path, text)) {
        if (access(path.c_str(), F_OK) == 0) {
            LogMessage("Unable to read achievements file \"" + path + "\"");
            return false;
        }
        text.clear(); // no achievements yet
    }
    state.unlocked.clear();
    bool damaged = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (SafeAchievementName(line)) {
            state.unlocked.emplace(line);
        } else if (!line.empty()) {
            damaged = true;
        }
        start = end + 1;
    }
    if (damaged) {
        LogMessage("Damaged lines skipped in achievements file \"" + path + "\"");
    }
    state.statsReceived = true;
    return true;
}

bool ServiceGetAchievement(std::string_view name, bool& achieved) {
    achieved = false;
    if (!state.running || !state.statsReceived || !SafeAchievementName(name)) {
        return false;
    }
    achieved = Unlocked(name);
    return true;
}

bool ServiceSetAchievement(std::string_view name) {
    if (!state.running || !state.statsReceived || !SafeAchievementName(name)) {
        return false;
    }
    if (!Unlocked(name)) {
        state.pending.emplace(name);
    }
    return true;
}

bool ServiceStoreStats() {
    if (!state.running || !state.statsReceived) {
        return false;
    }
    if (state.pending.empty()) {
        return true;
    }
    std::set<std::string, std::less<>> all = state.unlocked;
    all.insert(state.pending.begin(), state.pending.end());
    std::string text;
    for (const std::string& name : all) {
        text += name;
        text += '\n';
    }
    if (!posix::ReplaceFile(AchievementsPath(), text.data(), text.size())) {
        return false;
    }
    state.unlocked = std::move(all);
    state.pending.clear();
    return true;
}

} // namespace valdmoor
