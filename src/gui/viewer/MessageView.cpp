#include "MessageView.h"

#include "core/viewer/DisplayLine.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {
constexpr int TextMargin = 6;
// Hits are looked for on screen only this far into the shown lines, so that
// a line of many megabytes does not make every paint search all of it.
constexpr qsizetype HighlightReach = 4 << 20;

int digitsOf(qsizetype n)
{
    int digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

QColor blend(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
        float(a.greenF() * (1 - share) + b.greenF() * share), float(a.blueF() * (1 - share) + b.blueF() * share));
}
} // namespace

MessageView::MessageView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void MessageView::setText(const MessageText *text)
{
    m_text = text;
    m_currentLine = 1;
    m_currentHit = {};
    m_widestColumns = text ? text->longestLine() : 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollRanges();
    viewport()->update();
}

void MessageView::setHighlight(const MessageText::Needle &needle)
{
    m_needle = needle;
    m_currentHit = {};
    viewport()->update();
}

int MessageView::lineHeight() const
{
    return std::max(1, fontMetrics().height());
}

int MessageView::charWidth() const
{
    return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('M')));
}

int MessageView::gutterWidth() const
{
    const qsizetype lines = m_text ? m_text->lineCount() : 1;
    return charWidth() * (digitsOf(lines) + 2);
}

int MessageView::textAreaWidth() const
{
    return std::max(1, viewport()->width() - gutterWidth() - TextMargin);
}

qsizetype MessageView::firstVisibleLine() const
{
    return qsizetype(verticalScrollBar()->value()) + 1;
}

int MessageView::visibleLines() const
{
    return std::max(1, viewport()->height() / lineHeight());
}

void MessageView::updateScrollRanges()
{
    const qsizetype lines = m_text ? m_text->lineCount() : 1;
    const int rows = visibleLines();
    QScrollBar *down = verticalScrollBar();
    down->setRange(0, int(std::clamp<qsizetype>(lines - rows, 0, INT_MAX)));
    down->setPageStep(rows);
    down->setSingleStep(1);
    QScrollBar *across = horizontalScrollBar();
    const qint64 width = qint64(m_widestColumns) * charWidth() + TextMargin;
    across->setRange(0, int(std::clamp<qint64>(width - textAreaWidth(), 0, INT_MAX / 2)));
    across->setPageStep(textAreaWidth());
    across->setSingleStep(charWidth());
}

void MessageView::widenTo(qsizetype columns)
{
    if (columns <= m_widestColumns)
        return;
    m_widestColumns = columns;
    // Not while painting: a scroll bar that appears resizes the viewport.
    if (!m_widening) {
        m_widening = true;
        QTimer::singleShot(0, this, [this] {
            m_widening = false;
            updateScrollRanges();
        });
    }
}

void MessageView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void MessageView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollRanges();
}

void MessageView::setCurrentLine(qsizetype line, bool onlyIfHidden)
{
    if (!m_text)
        return;
    line = std::clamp<qsizetype>(line, 1, m_text->lineCount());
    const qsizetype first = firstVisibleLine();
    const bool shown = line >= first && line < first + visibleLines();
    if (!(onlyIfHidden && shown))
        verticalScrollBar()->setValue(int(std::max<qsizetype>(0, line - 1 - visibleLines() / 3)));
    if (line != m_currentLine) {
        m_currentLine = line;
        emit currentLineChanged(line);
    }
    viewport()->update();
}

void MessageView::setCurrentHit(const MessageText::Hit &hit)
{
    m_currentHit = hit;
    if (!m_text || !hit.found()) {
        viewport()->update();
        return;
    }
    const qsizetype line = m_text->lineOf(hit.offset);
    setCurrentLine(line, true);
    // Across: the hit's columns in its line, found by turning the line into
    // text up to the hit's end.
    const qsizetype start = m_text->lineStart(line);
    const QByteArrayView bytes = m_text->lineBytes(line);
    const qsizetype from = hit.offset - start;
    const qsizetype to = std::min(bytes.size(), hit.offset + hit.length - start);
    const qsizetype column = displayColumns(bytes.first(from), m_text->kind());
    const qsizetype width = displayColumns(bytes.first(to), m_text->kind()) - column;
    scrollAcrossTo(column, int(std::min<qsizetype>(width, 200)) * charWidth());
}

void MessageView::scrollAcrossTo(qsizetype column, int width)
{
    QScrollBar *across = horizontalScrollBar();
    const qint64 x = qint64(column) * charWidth();
    const int area = textAreaWidth();
    if (x >= across->value() && x + width <= across->value() + area)
        return;
    if (x + width <= area)
        across->setValue(0);
    else
        across->setValue(int(std::clamp<qint64>(x - area / 3, 0, across->maximum())));
}

void MessageView::moveCurrentLine(qsizetype line)
{
    if (!m_text)
        return;
    setCurrentLine(line, true);
    // A line that was not fully shown is brought just into view at the
    // edge it was crossing, as arrows in any text view do.
    const qsizetype first = firstVisibleLine();
    if (m_currentLine < first)
        verticalScrollBar()->setValue(int(m_currentLine - 1));
    else if (m_currentLine >= first + visibleLines())
        verticalScrollBar()->setValue(int(m_currentLine - visibleLines()));
}

void MessageView::keyPressEvent(QKeyEvent *event)
{
    const qsizetype page = std::max(1, visibleLines() - 1);
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        moveCurrentLine(m_currentLine - 1);
        break;
    case Qt::Key_Down:
        moveCurrentLine(m_currentLine + 1);
        break;
    case Qt::Key_PageUp:
        verticalScrollBar()->setValue(verticalScrollBar()->value() - int(page));
        moveCurrentLine(m_currentLine - page);
        break;
    case Qt::Key_PageDown:
        verticalScrollBar()->setValue(verticalScrollBar()->value() + int(page));
        moveCurrentLine(m_currentLine + page);
        break;
    case Qt::Key_Home:
        if (control)
            moveCurrentLine(1);
        horizontalScrollBar()->setValue(0);
        break;
    case Qt::Key_End:
        if (control && m_text)
            moveCurrentLine(m_text->lineCount());
        break;
    case Qt::Key_Left:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void MessageView::mousePressEvent(QMouseEvent *event)
{
    if (m_text && event->button() == Qt::LeftButton) {
        const qsizetype line = firstVisibleLine() + qsizetype(event->position().y()) / lineHeight();
        if (line <= m_text->lineCount())
            moveCurrentLine(line);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void MessageView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    if (!m_text)
        return;
    const QFontMetrics metrics = fontMetrics();
    const int height = lineHeight();
    const int charW = charWidth();
    const int gutter = gutterWidth();
    const int across = horizontalScrollBar()->value();
    const qsizetype firstColumn = across / charW;
    const qsizetype columnLimit = firstColumn + textAreaWidth() / charW + 2;

    const qsizetype first = firstVisibleLine();
    const qsizetype last = std::min(m_text->lineCount(), first + visibleLines());
    const qsizetype rangeStart = m_text->lineStart(first);
    const qsizetype rangeEnd = std::min(m_text->lineEnd(last), rangeStart + HighlightReach);
    const std::vector<MessageText::Hit> hits = m_text->hitsWithin(m_needle, rangeStart, rangeEnd);

    const QPalette &colours = palette();
    const QColor hitColour(255, 236, 120);
    const QColor currentHitColour(255, 150, 50);
    const QColor currentLineColour = blend(colours.color(QPalette::Base), colours.color(QPalette::Highlight), 0.15);
    const QRect textArea(gutter, 0, viewport()->width() - gutter, viewport()->height());

    auto hit = hits.begin();
    for (qsizetype line = first; line <= last; ++line) {
        const int y = int(line - first) * height;
        const qsizetype start = m_text->lineStart(line);
        const QByteArrayView bytes = m_text->lineBytes(line);
        const DisplayLine shown = displayLine(bytes, m_text->kind(), firstColumn, columnLimit);
        if (shown.endByte() == bytes.size())
            widenTo(shown.columns.back());
        // The text is drawn from the first column on screen, not from the
        // line's start; a column's x is measured on the shown text, so that
        // a wider character moves what follows it.
        const int textX = gutter + TextMargin + int(shown.firstColumn * charW) - across;
        const auto xOf = [&](qsizetype column) {
            if (column <= shown.firstColumn)
                return textX - int(shown.firstColumn - column) * charW;
            return textX + metrics.horizontalAdvance(shown.text.left(column - shown.firstColumn));
        };

        painter.setClipRect(textArea);
        if (line == m_currentLine)
            painter.fillRect(QRect(gutter, y, textArea.width(), height), currentLineColour);
        // Hits reaching into this line (one may run on over several lines).
        while (hit != hits.end() && hit->offset + hit->length <= start)
            ++hit;
        for (auto h = hit; h != hits.end() && h->offset <= start + bytes.size(); ++h) {
            const qsizetype from = std::max(h->offset, start) - start;
            const qsizetype to = std::min(h->offset + h->length, start + bytes.size()) - start;
            if (to <= from || to <= shown.firstByte || from > shown.endByte())
                continue;
            const int x0 = xOf(shown.columnOf(from));
            const int x1 = xOf(shown.columnOf(to));
            const bool current = m_currentHit.found() && h->offset == m_currentHit.offset;
            painter.fillRect(QRect(x0, y, std::max(x1 - x0, 2), height), current ? currentHitColour : hitColour);
        }
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(QPoint(textX, y + metrics.ascent()), shown.text);
        painter.setClipping(false);

        // The line's number, right-aligned in the margin.
        const QRect number(0, y, gutter - charW / 2, height);
        painter.fillRect(QRect(0, y, gutter, height), colours.color(QPalette::AlternateBase));
        painter.setPen(colours.color(line == m_currentLine ? QPalette::Text : QPalette::PlaceholderText));
        painter.drawText(number, Qt::AlignRight | Qt::AlignVCenter, QString::number(line));
    }
    // The margin goes on below the last line.
    const int below = int(last - first + 1) * height;
    if (below < viewport()->height())
        painter.fillRect(QRect(0, below, gutter, viewport()->height() - below), colours.color(QPalette::AlternateBase));
}
