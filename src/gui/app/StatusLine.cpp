#include "StatusLine.h"
#include "core/app/CountText.h"

#include <QHBoxLayout>
#include <QLabel>

StatusLine::StatusLine(QWidget *parent)
    : QWidget(parent)
    , m_message(new QLabel(this))
    , m_files(new QLabel(this))
{
    setObjectName(QStringLiteral("StatusLine"));
    m_message->setTextFormat(Qt::PlainText);
    m_files->setTextFormat(Qt::PlainText);
    m_files->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_files);
    setListedFiles(0);
}

void StatusLine::say(const QString &message)
{
    m_message->setText(message);
    m_lastFollow.start();
}

void StatusLine::follow(const std::function<QString()> &message)
{
    if (m_lastFollow.isValid() && m_lastFollow.elapsed() < 100)
        return;
    say(message());
}

void StatusLine::setListedFiles(qsizetype count)
{
    m_files->setText(CountText::counted(count, QStringLiteral("file listed"), QStringLiteral("files listed")));
}

QString StatusLine::text() const
{
    if (m_message->text().isEmpty())
        return m_files->text();
    return m_message->text() + QStringLiteral(" | ") + m_files->text();
}
