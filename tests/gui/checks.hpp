#pragma once
#include <string>

namespace gui {

// ChpImportDialog.exe's resources, read from the file.
void CheckResources(const std::string& exe);

// The Windows pieces in this process, on windows of their own: the dialog operations, the
// dialog launcher, the converter's message boxes, the help and the bitmap window.
void CheckWindowsPieces(const std::string& scratchDir);

// ChpImportDialog.exe driven from outside. `project` is a CHP path as Windows sees it, `count`
// its message count.
void CheckOpenAndClose(const std::string& exe, const std::string& workDir);
void CheckCloseAttached();
void CheckInvalidPath(const std::string& exe, const std::string& workDir,
                      const std::string& missing);
void CheckImport(const std::string& exe, const std::string& workDir, const std::string& project,
                 int count);
void CheckAbort(const std::string& exe, const std::string& workDir, const std::string& project,
                bool answerYes);
void CheckHelp(const std::string& exe, const std::string& workDir);
void CheckBrowse(const std::string& exe, const std::string& workDir, const std::string& project,
                 int count);

// What every program of the project carries: manifest, icon, version (read from the file).
void CheckProgramResources(const std::string& exe);
// Projects handed over besides the picker: `invalid` is a file that is no project.
void CheckDrop(const std::string& exe, const std::string& workDir, const std::string& project,
               const std::string& invalid, int count);
// Started with `name` (relative to `projectDir`, where it starts), then with `invalid`.
void CheckStartPath(const std::string& exe, const std::string& projectDir, const std::string& name,
                    const std::string& invalid, int count);
// A dialog someone else started with `project` (a .CHP file opened through its file type):
// shown as picked, nothing imported; then closed.
void CheckOpenedByType(const std::string& project, int count);
// At the display scale Wine is set to: the project given on the command line, every text
// fitting its control, and a screenshot `shot` during an import.
void CheckScaled(const std::string& exe, const std::string& workDir, const std::string& project,
                 int count, const std::string& shot);

} // namespace gui
