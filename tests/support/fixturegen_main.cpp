// Writes sample inputs built by the fixture writer.
//   fixturegen chp OUT.CHP     a three-message ISD2560 project header and directory
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
    std::fprintf(stderr, "usage: fixturegen chp OUT.CHP\n");
    return 2;
}
