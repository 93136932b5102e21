#pragma once

#include <QWidget>

// The "Stat Lookup" page of the main window's tools tab control. Controls are placed in twips
// relative to the tab control, which this page covers.
class StatLookupPage : public QWidget
{
    Q_OBJECT
public:
    explicit StatLookupPage(QWidget *parent = nullptr);
};
