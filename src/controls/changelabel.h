#pragma once

#include <QLabel>

// A label that tells when its caption is written, for code that reacts to what another handler
// wrote into it. Writing the caption it already shows counts too: the writer has new data that
// happens to read the same, and what depends on it must be worked out again.
class ChangeLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ChangeLabel(QWidget *parent = nullptr);
    explicit ChangeLabel(const QString &text, QWidget *parent = nullptr);

    void setCaption(const QString &text);
    QString caption() const { return text(); }

signals:
    void changed();
};
