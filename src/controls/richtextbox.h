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

    // Reads an RTF file into the box, replacing its content. Returns false (and leaves the box as
    // it was) when the file cannot be read.
    bool LoadFile(const QString &path);
    // Writes the box's whole content as RTF. Returns false when the file cannot be written.
    bool SaveFile(const QString &path);

    // The content as an RTF document, and the content replaced from one.
    QByteArray textRTF() const;
    void setTextRTF(const QByteArray &rtf);
};
