#include "controls/richtextbox.h"

#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
#ifdef Q_OS_UNIX
    // Opened without waiting and looked at before a byte is read: a FIFO would block the open
    // until a writer came, and a device such as /dev/zero never ends. Checking the name first
    // would leave a gap in which the file could be swapped.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = qt_error_string(errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        m_lastError = tr("It is not a regular file");
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_lastError = file.errorString();
        return false;
    }
#else
    if (!QFileInfo(path).isFile()) {
        m_lastError = tr("It is not a regular file");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_lastError = file.errorString();
        return false;
    }
#endif
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
    // Small content only reaches the buffer in write(); the disk's answer comes with the flush.
    // QSaveFile::commit() does not look at that answer and would rename a short or empty file
    // over the notes, so it is asked here first.
    if (file.write(rtf) != rtf.size() || !file.flush() || !file.commit()) {
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
