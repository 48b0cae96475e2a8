#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class QLabel;

// The line along the bottom of the main window: what the last command did,
// or how far the running one has got, and always how many files are listed.
class StatusLine : public QWidget
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent = nullptr);

    // Shows a message at once.
    void say(const QString &message);
    // Shows a message of a running command, at most ten times a second;
    // the message is only put together when it is shown.
    void follow(const std::function<QString()> &message);
    void setListedFiles(qsizetype count);

    // The whole line as shown: the message, then the file count.
    QString text() const;

private:
    QLabel *m_message;
    QLabel *m_files;
    QElapsedTimer m_lastFollow;
};
