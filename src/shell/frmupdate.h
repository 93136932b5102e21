#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The update prompt: offers the newer version the version check found.
class FrmUpdate : public QWidget
{
    Q_OBJECT
public:
    // `version` is the running one; `newest` the update server's version file as fetched.
    FrmUpdate(const QString &version, const QString &newest, QWidget *parent = nullptr);

public slots:
    void frmUpdate_Form_Load();
    void frmUpdate_cmdUpdate_Click();
    void frmUpdate_cmdLater_Click();

private:
    QLabel *imgBG;
    QLabel *lblVersion;
    QLabel *lblNewest;
    QPushButton *cmdUpdate;
    QPushButton *cmdLater;

    QString m_version;
    QString m_newest;
};
