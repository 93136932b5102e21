#include "stats/statlookuppage.h"

StatLookupPage::StatLookupPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageStatLookup"));
}
