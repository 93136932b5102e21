#pragma once

#include <QLabel>

// A label that shows a value: read by a screen reader as exactly what it shows, nothing when it
// shows nothing. A plain label lends an empty value the words of the caption whose buddy it is,
// and a screen reader would read every caption twice before a value arrives.
class ValueLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ValueLabel(const QString &text, QWidget *parent = nullptr);
};
