#include "PointerCues.h"

#include "core/app/PathTools.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

PointerCues::PointerCues(QWidget *window, const QCursor *hand)
    : QObject(window)
    , m_window(window)
    , m_hand(hand ? *hand : QCursor(Qt::PointingHandCursor))
{ }

void PointerCues::addHandTarget(QWidget *control)
{
    control->setProperty("tollervanePointer", QStringLiteral("hand"));
    control->setMouseTracking(true);
    control->installEventFilter(this);
}

void PointerCues::addDefaultTarget(QWidget *control)
{
    control->setProperty("tollervanePointer", QStringLiteral("default"));
    control->setMouseTracking(true);
    control->installEventFilter(this);
    // A list reports moves on its viewport.
    if (auto *view = qobject_cast<QAbstractItemView *>(control)) {
        view->viewport()->setProperty("tollervanePointer", QStringLiteral("default"));
        view->viewport()->setMouseTracking(true);
        view->viewport()->installEventFilter(this);
    }
}

void PointerCues::cue(const QCursor &shape)
{
    if (!m_window || m_window->cursor().shape() == Qt::WaitCursor)
        return;
    m_window->setCursor(shape);
}

bool PointerCues::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove || event->type() == QEvent::HoverMove) {
        const QString kind = watched->property("tollervanePointer").toString();
        if (kind == QStringLiteral("hand"))
            cue(m_hand);
        else if (kind == QStringLiteral("default"))
            cue(QCursor(Qt::ArrowCursor));
    }
    return QObject::eventFilter(watched, event);
}

std::optional<QCursor> loadHandPointer(const QString &programFolder)
{
    const QString handFile = PathTools::join(programFolder, QStringLiteral("HAND-M.CUR"));
    if (!PathTools::FileExists(handFile))
        return std::nullopt;
    const QPixmap image(handFile);
    if (image.isNull())
        return std::nullopt;
    // The fingertip of a hand drawn in the usual way.
    return QCursor(image, image.width() * 11 / 32, image.height() / 32);
}

PointerCues *installPointerCues(QWidget *window, const QCursor *hand, const QStringList &defaultTargetNames)
{
    auto *cues = new PointerCues(window, hand);
    const QList<QPushButton *> buttons = window->findChildren<QPushButton *>();
    for (QPushButton *button : buttons)
        cues->addHandTarget(button);
    cues->addDefaultTarget(window);
    for (const QString &name : defaultTargetNames) {
        if (auto *target = window->findChild<QWidget *>(name))
            cues->addDefaultTarget(target);
    }
    return cues;
}
