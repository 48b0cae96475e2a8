#include "Form4.h"

#include "MessageView.h"
#include "core/app/AppFailure.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <QEventLoop>
#include <QPointer>

#include <algorithm>
#include <memory>
#include <thread>
#include <utility>

namespace {
// Files from this size on are read on a thread of their own.
constexpr qint64 ReadAsideFrom = 8 << 20;

QString titleFor(const QString &fileName, TextKind kind)
{
    return QStringLiteral("%1 - %2").arg(
        fileName, kind == TextKind::Unicode ? QStringLiteral("Decoded Message") : QStringLiteral("Message"));
}
} // namespace

Form4::Form4(QWidget *owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Message"));
    setWindowIcon(QApplication::windowIcon());

    m_view = new MessageView(this);
    m_view->setObjectName(QStringLiteral("MessageView1"));
    m_view->setText(&m_text);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Label1"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    connect(m_view, &MessageView::currentLineChanged, this, [this] { updateStatus(); });
    setFocusProxy(m_view);

    // About a hundred columns by forty lines, within the screen.
    const QFontMetrics metrics(m_view->font());
    QSize size(metrics.horizontalAdvance(QLatin1Char('M')) * 110, metrics.height() * 42);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
    updateStatus();
}

Form4 *Form4::find()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *viewer = qobject_cast<Form4 *>(window))
            return viewer;
    }
    return nullptr;
}

Form4 *Form4::showMessage(const QString &path, TextKind kind, qint64 line, const QString &highlight)
{
    Form4 *viewer = find();
    if (!viewer) {
        viewer = new Form4;
        viewer->setAttribute(Qt::WA_DeleteOnClose);
    }
    viewer->showResult(path, kind, line, highlight);
    return viewer;
}

qsizetype Form4::currentLine() const
{
    return m_view->currentLine();
}

MessageText::Hit Form4::currentHit() const
{
    return m_view->currentHit();
}

QString Form4::statusText() const
{
    return m_status->text();
}

void Form4::load(const QString &path, TextKind kind)
{
    const QFileInfo file(path);
    const bool same = path == m_path && kind == m_text.kind() && m_loadError.isEmpty() && file.size() == m_fileSize
        && file.lastModified() == m_fileModified;
    if (same)
        return;
    m_path = path;
    m_fileSize = file.size();
    m_fileModified = file.lastModified();
    m_loadError.clear();
    // The view lets go of the old text before it is replaced.
    m_view->setText(nullptr);
    m_text = MessageText(QByteArray(), kind);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (m_fileSize < ReadAsideFrom) {
        try {
            m_text = MessageText::fromFile(path, kind);
        } catch (const AppFailure &failure) {
            m_loadError = failure.description();
        }
    } else {
        // A large file is read (and decoded) on a thread of its own while
        // the window keeps answering; a request that comes meanwhile waits
        // for its turn.
        struct Loaded
        {
            MessageText text;
            QString error;
        };
        auto loaded = std::make_shared<Loaded>();
        QEventLoop wait;
        std::thread reader([loaded, path, kind, &wait] {
            try {
                loaded->text = MessageText::fromFile(path, kind);
            } catch (const AppFailure &failure) {
                loaded->error = failure.description();
            } catch (const std::exception &failure) {
                loaded->error = QString::fromLocal8Bit(failure.what());
            }
            QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
        });
        m_loading = true;
        const QPointer<Form4> self(this);
        wait.exec();
        reader.join();
        if (!self) {
            QGuiApplication::restoreOverrideCursor();
            return;
        }
        m_loading = false;
        m_text = std::move(loaded->text);
        m_loadError = loaded->error;
    }
    QGuiApplication::restoreOverrideCursor();
    m_view->setText(&m_text);
    setWindowTitle(titleFor(file.fileName(), kind));
}

void Form4::showResult(const QString &path, TextKind kind, qint64 line, const QString &highlight)
{
    if (m_loading) {
        m_waiting = Request { path, kind, line, highlight };
        return;
    }
    // Up first, laid out at its size, so that the line and the hit are
    // placed in the view as it will be seen (and a large file is read with
    // the window already there).
    show();
    raise();
    activateWindow();
    layout()->activate();
    const QPointer<Form4> self(this);
    load(path, kind);
    if (!self)
        return;
    if (m_waiting) {
        // The latest request made while the file was read wins.
        const Request next = *std::exchange(m_waiting, std::nullopt);
        showResult(next.path, next.kind, next.line, next.highlight);
        return;
    }
    m_highlight = highlight;
    m_needle = m_text.needle(highlight);
    m_view->setHighlight(m_needle);
    m_view->setCurrentLine(line);
    // The result's own occurrence: the first that starts on its line.
    const qsizetype start = m_text.lineStart(m_view->currentLine());
    const qsizetype end = m_text.lineEnd(m_view->currentLine());
    for (const MessageText::Hit &hit : m_text.hitsWithin(m_needle, start, end)) {
        if (hit.offset >= start) {
            m_view->setCurrentHit(hit);
            break;
        }
    }
    updateStatus();
}

void Form4::goToHit(const MessageText::Hit &hit)
{
    if (!hit.found()) {
        updateStatus(m_highlight.isEmpty() ? QString() : QStringLiteral("\"%1\" not found").arg(m_highlight));
        return;
    }
    m_view->setCurrentHit(hit);
    updateStatus(hit.wrapped ? QStringLiteral("Search went round the end") : QString());
}

void Form4::findNext()
{
    if (m_loading)
        return;
    const MessageText::Hit current = m_view->currentHit();
    const qsizetype line = m_view->currentLine();
    const bool onLine = current.found() && m_text.lineOf(current.offset) == line;
    goToHit(m_text.findNext(m_needle, onLine ? current.offset + 1 : m_text.lineStart(line)));
}

void Form4::findPrevious()
{
    if (m_loading)
        return;
    const MessageText::Hit current = m_view->currentHit();
    const qsizetype line = m_view->currentLine();
    const bool onLine = current.found() && m_text.lineOf(current.offset) == line;
    goToHit(m_text.findPrevious(m_needle, onLine ? current.offset : m_text.lineStart(line)));
}

void Form4::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F3 && event->modifiers() == Qt::NoModifier)
        findNext();
    else if (event->key() == Qt::Key_F3 && event->modifiers() == Qt::ShiftModifier)
        findPrevious();
    else if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

void Form4::updateStatus(const QString &note)
{
    QString text = m_loadError.isEmpty()
        ? QStringLiteral("Line %1 of %2").arg(m_view->currentLine()).arg(m_text.lineCount())
        : m_loadError;
    if (!note.isEmpty())
        text += QStringLiteral("    ") + note;
    m_status->setText(text);
}
