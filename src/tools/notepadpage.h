#pragma once

#include <QWidget>

// The "Notepad" page of the main window's tools tab control. Controls are placed in twips relative
// to the tab control, which this page covers.
class NotepadPage : public QWidget
{
    Q_OBJECT
public:
    explicit NotepadPage(QWidget *parent = nullptr);

    // rtfNotes reads the notes file; rtfNotes writes the notes file.
    void loadNotes();
    void saveNotes();
};
