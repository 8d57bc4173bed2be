// Drives ChpImportDialog.exe and its Windows pieces through real windows and messages; run by
// run_gui_tests.sh under Xvfb and Wine (or on a Windows desktop). One check per run:
//   gui_driver resources EXE                   the program's resources
//   gui_driver pieces SCRATCH_DIR              dialog operations etc. in this process
//   gui_driver close EXE WORK_DIR              open, check the controls, close box
//   gui_driver close-attached                  close box on a dialog started by the caller
//   gui_driver invalid EXE WORK_DIR MISSING    Import of a path that names no file
//   gui_driver import EXE WORK_DIR CHP COUNT   a whole import with the check box set
//   gui_driver abort-yes|abort-no EXE WORK_DIR CHP
//   gui_driver help EXE WORK_DIR
//   gui_driver browse EXE WORK_DIR CHP COUNT
//   gui_driver program EXE                     manifest, icon and version of a program
//   gui_driver drop EXE WORK_DIR CHP INVALID COUNT
//   gui_driver start EXE PROJECT_DIR CHP_NAME INVALID COUNT
//   gui_driver scaled EXE WORK_DIR CHP COUNT SHOT.png
//   gui_driver opened CHP COUNT                a dialog started by opening CHP (its file type)
// Prints what it checked; exit status 0 when everything held, 1 otherwise.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checks.hpp"
#include "driver.hpp"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: gui_driver CHECK ARGUMENTS... (see gui_driver.cpp)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.empty()) return Usage();
    const std::string& check = a[0];
    const std::size_t n = a.size() - 1;
    try {
        if (check == "resources" && n == 1) {
            gui::CheckResources(a[1]);
        } else if (check == "pieces" && n == 1) {
            gui::CheckWindowsPieces(a[1]);
        } else if (check == "close" && n == 2) {
            gui::CheckOpenAndClose(a[1], a[2]);
        } else if (check == "close-attached" && n == 0) {
            gui::CheckCloseAttached();
        } else if (check == "invalid" && n == 3) {
            gui::CheckInvalidPath(a[1], a[2], a[3]);
        } else if (check == "import" && n == 4) {
            gui::CheckImport(a[1], a[2], a[3], std::atoi(a[4].c_str()));
        } else if ((check == "abort-yes" || check == "abort-no") && n == 3) {
            gui::CheckAbort(a[1], a[2], a[3], check == "abort-yes");
        } else if (check == "help" && n == 2) {
            gui::CheckHelp(a[1], a[2]);
        } else if (check == "browse" && n == 4) {
            gui::CheckBrowse(a[1], a[2], a[3], std::atoi(a[4].c_str()));
        } else if (check == "program" && n == 1) {
            gui::CheckProgramResources(a[1]);
        } else if (check == "drop" && n == 5) {
            gui::CheckDrop(a[1], a[2], a[3], a[4], std::atoi(a[5].c_str()));
        } else if (check == "start" && n == 5) {
            gui::CheckStartPath(a[1], a[2], a[3], a[4], std::atoi(a[5].c_str()));
        } else if (check == "scaled" && n == 5) {
            gui::CheckScaled(a[1], a[2], a[3], std::atoi(a[4].c_str()), a[5]);
        } else if (check == "opened" && n == 2) {
            gui::CheckOpenedByType(a[1], std::atoi(a[2].c_str()));
        } else {
            return Usage();
        }
    } catch (const gui::Failure& failure) {
        std::printf("FAIL  %s: %s\n", check.c_str(), failure.what());
        return 1;
    }
    std::printf("ok    %s\n", check.c_str());
    return 0;
}
