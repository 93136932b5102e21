#pragma once

class QApplication;

// Process set-up shared by the program, its tests and its benchmarks.
namespace AppSetup {

// Before the QApplication exists: web engine flags (no sandbox as root) and attributes.
void beforeApplication();
// Once it exists: names used for the per-user folders, and the Tahoma face every window is
// laid out for, when the system has it.
void afterApplication(QApplication &app);

} // namespace AppSetup
