#pragma once

class QWidget;

// Keeps the keyboard to what the player can see of an area drawn larger than its window may
// show. A control whose middle lies outside the area takes no focus and its shortcut is off
// until it is in sight again, when it gets back the focus policy and shortcut it had. Focus that
// sat on a control going out of sight moves to `home`.
namespace KeyboardReach {

// Follows the area from now on, at every change of its size.
void follow(QWidget *area, QWidget *home);

} // namespace KeyboardReach
