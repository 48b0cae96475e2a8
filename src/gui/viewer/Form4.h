#pragma once

#include "core/extract/TextKind.h"
#include "core/viewer/MessageText.h"

#include <QDateTime>
#include <QString>
#include <QWidget>

#include <optional>

class MessageView;
class QLabel;

// The message viewer: one message file, read-only, as its 8-bit text or its
// decoded text (as the results it is opened from were read), scrolled to a
// result's line with the result's text highlighted. F3 and Shift+F3 go to
// the next and previous occurrence of that text (round the end), Escape
// closes. One viewer serves every request: showing another result reuses it,
// and the file is read again only when another file (or kind, or a changed
// file) is asked for, so that following a list row by row costs a scroll.
// A large file is read and decoded on a thread of its own while the window
// keeps answering.
//
// Its controls: MessageView1 (the text) and Label1 (the status line "Line L
// of N", and what a search found or did not).
class Form4 : public QWidget
{
    Q_OBJECT

public:
    // A window of its own. Given an owner, it stays above it and ends with it.
    explicit Form4(QWidget *owner = nullptr);

    // The open viewer, if there is one.
    static Form4 *find();
    // The open viewer, or a new one that goes when it is closed, showing the
    // result.
    static Form4 *showMessage(const QString &path, TextKind kind, qint64 line, const QString &highlight);

    QString filePath() const { return m_path; }
    TextKind kind() const { return m_text.kind(); }
    const MessageText &text() const { return m_text; }
    qsizetype lineCount() const { return m_text.lineCount(); }
    qsizetype currentLine() const;
    QString highlight() const { return m_highlight; }
    MessageText::Hit currentHit() const;
    QString statusText() const;

public slots:
    // Shows the file (read again only when it is not the one shown) at the
    // line, from 1, making it current, with the text highlighted; the first
    // occurrence of the text in that line becomes the current hit. Brings
    // the window up.
    void showResult(const QString &path, TextKind kind, qint64 line, const QString &highlight);
    void findNext();
    void findPrevious();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void load(const QString &path, TextKind kind);
    void goToHit(const MessageText::Hit &hit);
    void updateStatus(const QString &note = QString());

    struct Request
    {
        QString path;
        TextKind kind;
        qint64 line;
        QString highlight;
    };

    MessageText m_text;
    QString m_path;
    // A large file is being read; the last result asked for meanwhile.
    bool m_loading = false;
    std::optional<Request> m_waiting;
    // What the shown file was when it was read (a changed file is read again).
    qint64 m_fileSize = -1;
    QDateTime m_fileModified;
    QString m_loadError;
    QString m_highlight;
    MessageText::Needle m_needle;
    MessageView *m_view = nullptr;
    QLabel *m_status = nullptr;
};
