#pragma once
#include <QString>

// The widget tests' QApplication and a private settings store: every test
// program gets one, set up before its first test and torn down after the
// last. The per-user settings and the test-mode standard paths point into a
// temporary folder, never at the user's own.
namespace QtTestEnvironment {
// The temporary folder that holds the settings store.
QString SettingsFolder();
// Removes every stored value of the program.
void ClearProgramSettings();
} // namespace QtTestEnvironment
