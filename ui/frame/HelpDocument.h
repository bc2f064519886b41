#pragma once
#include <QString>

#include <functional>

// The help document beside the program's executable, handed to the system
// to show. The outcome is not examined: a missing document or viewer is
// not reported.
namespace HelpDocument {
inline constexpr const char* kFileName = "QZM-530RX_Help_Eng.pdf";

// The document's full path: the program's folder and the file name.
QString Path();
// Asks the system to open the document.
void OpenHelp();
// Replaces what opens a document (tests record the path instead); an empty
// function restores the system's.
void SetOpener(std::function<void(const QString&)> opener);
} // namespace HelpDocument
