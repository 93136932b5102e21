#include "controls/changelabel.h"

#include <QAccessibleWidget>

namespace {

// A value reads as what is shown, nothing included. Before there is a value, Qt would lend the
// empty label its caption's words, and a screen reader would read every caption twice.
class ValueAccessible : public QAccessibleWidget
{
public:
    explicit ValueAccessible(QWidget *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<const QLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *valueAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("ChangeLabel") && object && object->isWidgetType())
        return new ValueAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

void readValuesAsShown()
{
    static const bool installed = (QAccessible::installFactory(&valueAccessible), true);
    Q_UNUSED(installed)
}

} // namespace

ChangeLabel::ChangeLabel(QWidget *parent)
    : QLabel(parent)
{
    readValuesAsShown();
    // Captions come from servers: never let them be read as markup.
    setTextFormat(Qt::PlainText);
}

ChangeLabel::ChangeLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    readValuesAsShown();
    setTextFormat(Qt::PlainText);
}

void ChangeLabel::setCaption(const QString &text)
{
    setText(text);
    emit changed();
}
