// The game's entry point. Start-up, the frame loop and shut-down arrive with the application
// core; until then the executable answers --help and --version so the game folder can be
// checked end to end.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("Valdmoor 1.01");
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("Usage: valdmoor [--help] [--version]");
            return 0;
        }
    }
    std::puts("Valdmoor 1.01: the engine is being built; there is nothing to play yet.");
    return 0;
}
