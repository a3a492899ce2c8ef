// The game's entry point.
#include "EngineMain.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    return valdmoor::RunGame(std::vector<std::string>(argv + 1, argv + argc));
}
