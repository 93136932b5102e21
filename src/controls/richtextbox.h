#pragma once

#include <QByteArray>
#include <QString>
#include <QTextEdit>

// A rich-text box whose file format is RTF, read and written by HopWise's own codec.
// Text set or inserted through this class is always plain text: nothing in it is read as markup.
class RichTextBox : public QTextEdit
{
    Q_OBJECT
public:
    explicit RichTextBox(QWidget *parent = nullptr);

    // The whole content as plain text.
    QString text() const;

    // Selection start: a character offset into text(). Setting it collapses the selection there.
    int selStart() const;
    void setSelStart(int position);
    // Replaces the selection (or inserts at the insertion point) with plain text, in the format
    // at that point.
    void setSelText(const QString &text);

    // Reads an RTF file into the box, replacing its content; a file that is not RTF reads as
    // plain text. Returns false (and leaves the box as it was) when the file cannot be read or
    // holds neither (binary data).
    bool LoadFile(const QString &path);
    // Writes the box's whole content as RTF, atomically: the file is either the new content or
    // what it was before. Returns false when the file cannot be written.
    bool SaveFile(const QString &path);
    // Why the last LoadFile or SaveFile failed.
    QString lastError() const { return m_lastError; }

    // The content as an RTF document, and the content replaced from one (or from plain text when
    // the data is not RTF). Only text and character formats are ever read: nothing in the data
    // can load a resource.
    QByteArray textRTF() const;
    void setTextRTF(const QByteArray &rtf);

private:
    QString m_lastError;
};
