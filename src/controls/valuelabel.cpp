#include "controls/valuelabel.h"

#include <QAccessibleWidget>

namespace {

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
    if (className == QLatin1String("ValueLabel") && object && object->isWidgetType())
        return new ValueAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

ValueLabel::ValueLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    static const bool installed = (QAccessible::installFactory(&valueAccessible), true);
    Q_UNUSED(installed)
    // Values come from servers: never let them be read as markup.
    setTextFormat(Qt::PlainText);
}
