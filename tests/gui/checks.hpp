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

} // namespace gui
