#pragma once
#include <QString>
#include <QVariant>

// The widget tests' QApplication and a private settings store: every test
// program gets one, set up before its first test and torn down after the
// last. The per-user settings and the test-mode standard paths point into a
// temporary folder, never at the user's own.
namespace QtTestEnvironment {
// The temporary folder that holds the settings store.
QString SettingsFolder();
// Removes every stored value of the program.
void ClearProgramSettings();
// A value of the program's "Backup" section, as another program would write
// or read it.
void StoreBackupValue(const char* name, const QVariant& value);
QVariant StoredBackupValue(const char* name);
} // namespace QtTestEnvironment
