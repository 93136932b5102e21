#pragma once

#include <QByteArray>
#include <QWidget>

class QLabel;
class QPushButton;
class RichTextBox;
class UrlFetcher;

// The About box: who made HopWise, and the credits fetched from the update server each time the
// box opens. The object outlives closing the box (Forms keeps it for the run), and so does what
// it last fetched.
class FrmAbout : public QWidget
{
    Q_OBJECT
public:
    explicit FrmAbout(QWidget *parent = nullptr);

    // The load step runs before the box appears whenever it is shown after having been closed.
    void setVisible(bool visible) override;

    QByteArray thanks() const { return strThanks; }

public slots:
    void frmAbout_Form_Load();
    void frmAbout_cmdClose_Click();
    void frmAbout_cmdVelmora_Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void stretchBackdrop();

    QLabel *imgBG;
    QLabel *Label1;
    QLabel *Label2;
    RichTextBox *rtfThanks;
    QPushButton *cmdClose;
    QPushButton *cmdVelmora;
    UrlFetcher *iNet;

    // The credits document as last fetched.
    QByteArray strThanks;
};
