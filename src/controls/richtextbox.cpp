#include "controls/richtextbox.h"

#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QFile>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>

RichTextBox::RichTextBox(QWidget *parent)
    : QTextEdit(parent)
{
    // Pasted text arrives as plain text: HTML from the clipboard could name remote images.
    setAcceptRichText(false);
}

QString RichTextBox::text() const
{
    return document()->toPlainText();
}

int RichTextBox::selStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::setSelStart(int position)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(qBound(0, position, document()->characterCount() - 1));
    setTextCursor(cursor);
}

void RichTextBox::setSelText(const QString &text)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
}

bool RichTextBox::LoadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lastError = file.errorString();
        return false;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_lastError = file.errorString();
        return false;
    }
    if (!RtfReader::isRtfOrText(content)) {
        m_lastError = tr("The file is neither rich text nor text");
        return false;
    }
    m_lastError.clear();
    setTextRTF(content);
    return true;
}

bool RichTextBox::SaveFile(const QString &path)
{
    // Written beside the file and renamed over it: a crash or a full disk during the write
    // leaves the previous file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_lastError = file.errorString();
        return false;
    }
    const QByteArray rtf = textRTF();
    if (file.write(rtf) != rtf.size() || !file.commit()) {
        m_lastError = file.errorString();
        file.cancelWriting();
        return false;
    }
    m_lastError.clear();
    return true;
}

QByteArray RichTextBox::textRTF() const
{
    return RtfWriter::write(document());
}

void RichTextBox::setTextRTF(const QByteArray &rtf)
{
    RtfReader::read(rtf, document());
    // The insertion point goes to the start, in the format of the text there.
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
}
