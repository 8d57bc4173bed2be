// Writes sample inputs built by the fixture writer.
//   fixturegen chp OUT.CHP     a three-message ISD2560 project header and directory
//   fixturegen voc OUT.VOC     a message: two sound blocks, a text block, the trailer
#include <cstdio>
#include <string>

#include "support/fixtures.hpp"

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "chp") {
        fixtures::ChpBuilder builder;
        builder.projectName = "Sample project";
        builder.Message(0, "MSG00001.VOC").Message(40, "MSG00002.VOC").Message(65, "MSG00003.VOC");
        fixtures::WriteFile(argv[2], builder.Build());
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "voc") {
        fixtures::VocBuilder builder;
        builder.chipCode = 5;
        builder.rowCount = 600;
        fixtures::Bytes samples;
        for (int i = 0; i < 30000; ++i) samples.push_back(static_cast<std::uint8_t>(i * 7 % 256));
        builder.Sound(166, samples).Block(5, {'h', 'i', 0}).Sound(131, {0x00, 0x80, 0xFF});
        fixtures::WriteFile(argv[2], builder.Build());
        return 0;
    }
    std::fprintf(stderr, "usage: fixturegen chp OUT.CHP | voc OUT.VOC\n");
    return 2;
}
