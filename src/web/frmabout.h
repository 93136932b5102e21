#pragma once

#include <QWidget>

// The About box: who made HopWise, and the credits fetched from the update server.
class FrmAbout : public QWidget
{
    Q_OBJECT
public:
    explicit FrmAbout(QWidget *parent = nullptr);
};
