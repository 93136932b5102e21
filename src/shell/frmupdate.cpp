#include "shell/frmupdate.h"

#include "controls/design.h"
#include "core/desktop.h"
#include "core/endpoints.h"
#include "shell/forms.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

FrmUpdate::FrmUpdate(const QString &version, const QString &newest, QWidget *parent)
    : QWidget(parent)
    , m_version(version)
    , m_newest(newest)
{
    // A fixed dialog frame: title and close box, no minimise or maximise, no resizing.
    Design::setUpWindow(this, "frmUpdate", QStringLiteral("Update HopWise"),
                        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint,
                        Design::Closing::Unloads, true, {2775, 1215});

    imgBG = Design::backdrop(this, QStringLiteral(":/hopwise/update-backdrop.jpg"));

    const QString design = QStringLiteral("Your Version: ");
    lblVersion = Design::create<QLabel>(this, "lblVersion", design, 120, 120, 2415, 255);
    lblNewest = Design::create<QLabel>(this, "lblNewest", design, 120, 360, 2415, 255);
    Design::whiteText(lblVersion);
    Design::whiteText(lblNewest);
    cmdUpdate = Design::create<QPushButton>(this, "cmdUpdate", tr("Update"), 120, 720, 975, 375);
    cmdLater = Design::create<QPushButton>(this, "cmdLater", tr("Later"), 1680, 720, 975, 375);
    connect(cmdUpdate, &QPushButton::clicked, this, &FrmUpdate::frmUpdate_cmdUpdate_Click);
    connect(cmdLater, &QPushButton::clicked, this, &FrmUpdate::frmUpdate_cmdLater_Click);

    Design::centreOnScreen(this);

    frmUpdate_Form_Load();
}

void FrmUpdate::frmUpdate_Form_Load()
{
    const QSize outer = frameGeometry().size();
    imgBG->setGeometry(0, 0, outer.width(), outer.height());
    lblVersion->setText(QStringLiteral("Your Version: ") + m_version);
    // Only a well-formed version gets this far, so the text shown is a version number.
    lblNewest->setText(QStringLiteral("Newest Version: ") + m_newest.trimmed());
}

void FrmUpdate::frmUpdate_cmdUpdate_Click()
{
    // The user's browser fetches the installer; HopWise does not wait for it.
    const QString installer = Endpoints::current().installerUrl();
    if (!Desktop::openUrl(QUrl(installer))) {
        // Ending now would leave the player with neither the new version nor the old one: the
        // address goes where it can be copied into a browser by hand.
        QMessageBox box(QMessageBox::Information, windowTitle(),
                        tr("No web browser could be started. The new version can be downloaded "
                           "from this address:\n\n%1")
                            .arg(installer),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("msgInstallerAddress"));
        box.setTextFormat(Qt::PlainText);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        box.exec();
    }
    Forms::endProgram();
}

void FrmUpdate::frmUpdate_cmdLater_Click()
{
    close();
    Forms::showMain();
}
