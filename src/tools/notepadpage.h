#pragma once

#include <QString>
#include <QWidget>

class QTimer;
class RichTextBox;

// The "Notepad" page of the main window's tools tab control. Controls are placed in twips relative
// to the tab control, which this page covers.
class NotepadPage : public QWidget
{
    Q_OBJECT
public:
    // The notes are also saved this long after the player last changed them, so that a crash,
    // a kill or a lost session costs at most the last few seconds of typing.
    static constexpr int AutosaveDelayMs = 3000;

    explicit NotepadPage(QWidget *parent = nullptr);

    // rtfNotes reads the notes file; rtfNotes writes the notes file. A failed save is told to the
    // player and returns false, with the reason in lastSaveError().
    void loadNotes();
    bool saveNotes();
    QString lastSaveError() const { return m_saveError; }

    // The pause after a change before the autosave writes, for a last save that took saveMs: a
    // save blocks the window while it writes, so for very large notes the pause grows with it
    // and typing is never stopped for more than a tenth of the time.
    static int autosavePauseMs(qint64 saveMs);

    RichTextBox *notesBox() const { return rtfNotes; }
    // The notes file: "notes.doc" in the program directory.
    static QString notesFilePath();

private:
    bool readNotes();
    void tell(const QString &text);
    static QString asideName(const QString &path);

    RichTextBox *rtfNotes;
    QTimer *m_autosave;
    QString m_path;           // the file the notes were loaded from
    QString m_unreadablePath; // a notes file that could not be read, moved aside before a save
    QString m_saveError;
};
