#pragma once

#include <QtGlobal>

#include <optional>

class QKeyEvent;

// The key code a KeyPress handler is given: 13 for Return and Enter, else the first character
// the key typed, as a 16-bit code. Keys that type nothing (arrows, Shift, F1) give none.
std::optional<qint16> keyAscii(const QKeyEvent &event);
