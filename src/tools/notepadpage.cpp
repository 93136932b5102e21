#include "tools/notepadpage.h"

#include "controls/design.h"
#include "controls/notice.h"
#include "controls/richtextbox.h"
#include "controls/twips.h"
#include "core/programdir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

NotepadPage::NotepadPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageNotepad"));

    rtfNotes = new RichTextBox(this);
    rtfNotes->setObjectName(QStringLiteral("rtfNotes"));
    rtfNotes->setAccessibleName(tr("Notes"));
    const QFont font = Design::font();
    rtfNotes->setFont(font);
    rtfNotes->document()->setDefaultFont(font);
    Twips::place(rtfNotes, 120, 480, 11535, 2055);

    m_autosave = new QTimer(this);
    m_autosave->setObjectName(QStringLiteral("autosave"));
    m_autosave->setSingleShot(true);
    m_autosave->setInterval(AutosaveDelayMs);
    // Restarted at every change: the save waits for a pause in the typing, not a fixed beat.
    connect(rtfNotes, &QTextEdit::textChanged, m_autosave, qOverload<>(&QTimer::start));
    connect(m_autosave, &QTimer::timeout, this, &NotepadPage::saveNotes);
}

QString NotepadPage::notesFilePath()
{
    return ProgramDir::file(QStringLiteral("notes.doc"));
}

void NotepadPage::loadNotes()
{
    m_path = notesFilePath();
    m_unreadablePath.clear();
    if (!readNotes()) {
        // The player's only copy of the notes must not be written over by an empty box: it is
        // moved aside at the next save, which then writes a fresh file.
        m_unreadablePath = m_path;
        rtfNotes->clear();
        tell(tr("Your notes file %1 could not be read (%2). It will be kept as %3 when the notes "
                "are next saved.")
                 .arg(QDir::toNativeSeparators(m_path), rtfNotes->lastError(),
                      QFileInfo(asideName(m_path)).fileName()));
    }
    // Loading changed the box, not the notes: nothing is waiting to be saved.
    m_autosave->stop();
}

bool NotepadPage::readNotes()
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink()) {
        // First start: an empty box, and the first save creates the file.
        rtfNotes->clear();
        return true;
    }
    return rtfNotes->LoadFile(m_path);
}

bool NotepadPage::saveNotes()
{
    m_autosave->stop();
    m_saveError.clear();
    if (m_path.isEmpty())
        m_path = notesFilePath();

    if (!m_unreadablePath.isEmpty()) {
        const QFileInfo info(m_unreadablePath);
        if (info.exists() || info.isSymLink()) {
            const QString aside = asideName(m_unreadablePath);
            // QDir::rename moves folders as well as files.
            if (!QDir().rename(m_unreadablePath, aside)) {
                m_saveError = tr("the unreadable notes file %1 could not be moved aside")
                                  .arg(QDir::toNativeSeparators(m_unreadablePath));
                tell(tr("Your notes were not saved: %1.").arg(m_saveError));
                return false;
            }
        }
        m_unreadablePath.clear();
    }

    QElapsedTimer took;
    took.start();
    const bool saved = rtfNotes->SaveFile(m_path);
    m_autosave->setInterval(autosavePauseMs(took.elapsed()));
    if (!saved) {
        m_saveError = tr("%1: %2").arg(QDir::toNativeSeparators(m_path), rtfNotes->lastError());
        tell(tr("Your notes could not be saved to %1").arg(m_saveError));
        return false;
    }
    return true;
}

int NotepadPage::autosavePauseMs(qint64 saveMs)
{
    return int(qBound(qint64(AutosaveDelayMs), saveMs * 10, qint64(600000)));
}

QString NotepadPage::asideName(const QString &path)
{
    const QString base = path + QStringLiteral(".unreadable");
    QString candidate = base;
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
}

void NotepadPage::tell(const QString &text)
{
    // The page may be a hidden tab: the message goes under the nearest thing on screen.
    QWidget *anchor = rtfNotes;
    while (anchor->parentWidget() && !anchor->isVisible())
        anchor = anchor->parentWidget();
    Notice::show(anchor, text);
}
