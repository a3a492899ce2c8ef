#include "TestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <new>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace valdmoor::test {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TTempFolder::TTempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "valdmoor-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("Cannot create a temporary folder from " + pattern);
    }
    path_ = pattern;
}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TTempFolder::Write(std::string_view relative, std::string_view bytes) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("Cannot write " + file.string());
    }
    return file;
}

TProcess::TProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& env) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("Cannot create pipes");
    }
    std::vector<std::string> argStrings{program.string()};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    // Given entries replace inherited ones of the same name.
    auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const bool replaced = std::any_of(env.begin(), env.end(), [&](const std::string& given) {
            return nameOf(given) == nameOf(*e);
        });
        if (!replaced) {
            envStrings.emplace_back(*e);
        }
    }
    envStrings.insert(envStrings.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (pid_ < 0) {
        throw std::runtime_error("Cannot start " + program.string());
    }
}

TProcess::~TProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) {
        close(out_);
    }
    if (err_ >= 0) {
        close(err_);
    }
}

void TProcess::Signal(int signal) const {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

TProcessResult TProcess::Wait(double timeoutSeconds) {
    TProcessResult result;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(timeoutSeconds));
    bool killed = false;
    while (out_ >= 0 || err_ >= 0) {
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 && !killed) {
            kill(pid_, SIGKILL);
            killed = true;
        }
        poll(fds, 2, killed ? 1000 : static_cast<int>(std::min<int64_t>(left.count(), 1000)));
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? out_ : err_;
            if (fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                char buffer[4096];
                const ssize_t got = read(fd, buffer, sizeof buffer);
                if (got > 0) {
                    (i == 0 ? result.Out : result.Err)
                        .append(buffer, static_cast<std::size_t>(got));
                } else {
                    close(fd);
                    fd = -1;
                }
            }
        }
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (!killed && WIFEXITED(status)) {
        result.ExitCode = WEXITSTATUS(status);
    }
    return result;
}

TProcessResult RunProcess(const std::filesystem::path& program,
                          const std::vector<std::string>& args, const std::vector<std::string>& env,
                          double timeoutSeconds) {
    TProcess process(program, args, env);
    return process.Wait(timeoutSeconds);
}

TEnvironment::~TEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second) {
            setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            unsetenv(it->first.c_str());
        }
    }
}

void TEnvironment::Set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    if (value != nullptr) {
        setenv(name.c_str(), value, 1);
    } else {
        unsetenv(name.c_str());
    }
}

TFileSizeLimit::TFileSizeLimit(uint64_t limit) {
    rlimit current{};
    getrlimit(RLIMIT_FSIZE, &current);
    oldLimit_ = current.rlim_cur;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    current.rlim_cur = std::min<rlim_t>(limit, current.rlim_max);
    setrlimit(RLIMIT_FSIZE, &current);
}

TFileSizeLimit::~TFileSizeLimit() {
    rlimit current{};
    getrlimit(RLIMIT_FSIZE, &current);
    current.rlim_cur = oldLimit_;
    setrlimit(RLIMIT_FSIZE, &current);
    std::signal(SIGXFSZ, oldHandler_);
}

namespace {
std::atomic<int64_t> allocations{0};
} // namespace

int64_t AllocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

std::string ShiftedInputScript(const std::string& script, int64_t passes) {
    std::string shifted;
    std::size_t start = 0;
    while (start < script.size()) {
        const std::size_t end = script.find('\n', start);
        const std::string line = script.substr(start, end - start);
        const std::size_t space = line.find(' ');
        shifted +=
            std::to_string(std::stoll(line.substr(0, space)) + passes) + line.substr(space) + "\n";
        start = end == std::string::npos ? script.size() : end + 1;
    }
    return shifted;
}

} // namespace valdmoor::test

// Counting replacements of the global allocation functions. Every plain, array and nothrow
// form is replaced together, so memory from any of them goes back the same way (sanitizers
// check that allocation and release match). The aligned forms keep the library's own pair.
namespace {

void* CountedAllocation(std::size_t size) noexcept {
    valdmoor::test::allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

void* operator new(std::size_t size) {
    if (void* p = CountedAllocation(size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocation(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocation(size);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete[](void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
