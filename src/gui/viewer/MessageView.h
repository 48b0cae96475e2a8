#pragma once

#include "core/viewer/MessageText.h"

#include <QAbstractScrollArea>

// A read-only view of a MessageText that paints only the lines on screen,
// found through the text's line index: a file of any size is shown at once,
// and scrolling costs the same anywhere in it. One line is current (a band
// behind it); every occurrence of the highlighted text on screen is marked,
// the current one more strongly. Line numbers stand in a margin at the left.
//
// The vertical scroll bar counts lines, the horizontal one pixels.
class MessageView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit MessageView(QWidget *parent = nullptr);

    // The text must outlive the view or be replaced before it goes.
    void setText(const MessageText *text);
    void setHighlight(const MessageText::Needle &needle);

    qsizetype currentLine() const { return m_currentLine; }
    const MessageText::Hit &currentHit() const { return m_currentHit; }
    qsizetype firstVisibleLine() const;
    // Lines that fit the view whole (at least one).
    int visibleLines() const;

    // Makes a line current and scrolls it a third of the way down the view
    // (or, with onlyIfHidden, only when it is not wholly on screen now).
    void setCurrentLine(qsizetype line, bool onlyIfHidden = false);
    // Makes a hit current: its line becomes current and the hit is brought
    // on screen, across as well.
    void setCurrentHit(const MessageText::Hit &hit);

signals:
    void currentLineChanged(qsizetype line);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateScrollRanges();
    void widenTo(qsizetype columns);
    int lineHeight() const;
    int charWidth() const;
    int gutterWidth() const;
    int textAreaWidth() const;
    void scrollAcrossTo(qsizetype column, int width);
    void moveCurrentLine(qsizetype line);

    const MessageText *m_text = nullptr;
    MessageText::Needle m_needle;
    qsizetype m_currentLine = 1;
    MessageText::Hit m_currentHit;
    // The widest line seen whole so far, in columns (tabs make a line wider
    // than its bytes); the horizontal range grows to it.
    qsizetype m_widestColumns = 0;
    bool m_widening = false;
};
