#include "tools/notepadpage.h"

NotepadPage::NotepadPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageNotepad"));
}

void NotepadPage::loadNotes() {}

void NotepadPage::saveNotes() {}
