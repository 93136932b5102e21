#pragma once

#include <QString>

class QApplication;

// Process set-up shared by the program, its tests and its benchmarks.
namespace AppSetup {

// Before the QApplication exists: web engine flags (no sandbox as root) and attributes.
void beforeApplication();
// Once it exists: names used for the per-user folders, and the Tahoma face every window is
// laid out for, from wine's fonts in `tahomaDir` when the system has them.
void afterApplication(QApplication &app,
                      const QString &tahomaDir = QStringLiteral("/usr/share/wine/fonts"));

} // namespace AppSetup
