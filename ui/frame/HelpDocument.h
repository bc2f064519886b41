#pragma once
#include <QString>

#include <functional>

// The help document, handed to the system to show. The outcome is not
// examined: a missing document or viewer is not reported.
namespace HelpDocument {
inline constexpr const char* kFileName = "QZM-530RX_Help_Eng.pdf";

// The document of a program in `programDir`: beside the executable when it
// is there (a build tree, a program unpacked into one folder), else in the
// documentation folder of an installed program (share/doc/qzm530rx beside
// bin/). When neither holds it, the path beside the executable.
QString PathFor(const QString& programDir);
// The document of this program.
QString Path();
// Asks the system to open the document.
void OpenHelp();
// Replaces what opens a document (tests record the path instead); an empty
// function restores the system's.
void SetOpener(std::function<void(const QString&)> opener);
} // namespace HelpDocument
