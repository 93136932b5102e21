#include "controls/changelabel.h"

ChangeLabel::ChangeLabel(QWidget *parent)
    : QLabel(parent)
{
    // Captions come from servers: never let them be read as markup.
    setTextFormat(Qt::PlainText);
}

ChangeLabel::ChangeLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

void ChangeLabel::setCaption(const QString &text)
{
    setText(text);
    emit changed();
}
