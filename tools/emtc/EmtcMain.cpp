// valdmoor-emtc: compiles a particle effect written in YAML into the ".emt" file the game
// reads, and decompiles an ".emt" file back into the same YAML.
#include "EffectYaml.h"
#include "ToolFiles.h"

#include <CLI/CLI.hpp>
#include <iostream>

namespace {

constexpr const char* Layout = R"(An effect in YAML:

  Offset: [0, 0]        # the effect's offset from the performer's position
  Size: [128, 128]      # width and height of the effect's area
  Emitters:
    - Name: Ring
      Interval: 0.5     # any emitter field; fields left out are 0, false or empty
      CountMode: fixed
      Count: 1
      Color1: [1, 0.9, 0.8]

)";

} // namespace

int main(int argc, char** argv) {
    using namespace valdmoor;
    CLI::App app{"Compiles Valdmoor particle effects from YAML to .emt, and back."};
    app.footer(std::string(Layout) + tools::EffectFieldsHelp());
    app.require_subcommand(1);

    std::string source;
    std::string output;
    CLI::App* compile = app.add_subcommand("compile", "YAML effect to .emt");
    compile->add_option("source", source, "the YAML effect")->required();
    compile->add_option("-o,--output", output, "the .emt file to write")->required();
    CLI::App* decompile = app.add_subcommand("decompile", ".emt effect to YAML");
    decompile->add_option("source", source, "the .emt file")->required();
    decompile->add_option("-o,--output", output, "the YAML file to write (default: print it)");
    CLI11_PARSE(app, argc, argv);

    try {
        const std::string bytes = tools::ReadBinaryFile(source);
        if (compile->parsed()) {
            tools::WriteBinaryFile(output, WriteEmt(tools::ParseEffectYaml(bytes, source)));
        } else {
            const std::string yaml = tools::EffectYaml(ReadEmt(bytes, source));
            if (output.empty()) {
                std::cout << yaml;
            } else {
                tools::WriteBinaryFile(output, yaml);
            }
        }
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-emtc: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
