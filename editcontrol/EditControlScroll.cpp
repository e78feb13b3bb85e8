// Scrolling: the top row, the rows a page holds, keeping the caret in view, and the scroll bars,
// whose units stay below 2^30 however long the text.
#include <QScrollBar>
#include <algorithm>

#include "editcontrol/EditControl.h"
#include "editcontrol/GlyphTable.h"

namespace quillory {

namespace {

// The scroll bars count in units that stay below 2^30, so an int never overflows.
std::int64_t unitsScale(std::int64_t extent)
{
    return extent / (std::int64_t{1} << 30) + 1;
}

}  // namespace

int EditControl::visibleRows() const
{
    return std::max(1, viewport()->height() / m_glyphs->lineHeight());
}

void EditControl::setTop(std::int64_t rowStart)
{
    m_top = rowStart;
    updateScrollBars();
    viewport()->update();
    announceTop();
}

void EditControl::announceTop()
{
    if (m_top == m_shownTop)
        return;
    m_shownTop = m_top;
    emit topRowChanged(m_top);
}

bool EditControl::layOutTowards(std::int64_t pos, std::int64_t budgetBytes)
{
    pos = std::clamp<std::int64_t>(pos, 0, m_model.length());
    if (!m_layout.isLaidOutTo(pos))
        m_layout.extendCheckpoints(m_model.text().lineOf(pos), budgetBytes);
    return m_layout.isLaidOutTo(pos);
}

void EditControl::scrollToPosition(std::int64_t pos)
{
    m_top = m_layout.rowStart(std::clamp<std::int64_t>(pos, 0, m_model.length()));
    clampTop();
    setTop(m_top);
}

std::int64_t EditControl::rowsMoved(std::int64_t rowStart, int rows)
{
    for (; rows > 0; --rows) {
        const auto next = m_layout.nextRow(rowStart);
        if (!next)
            break;
        rowStart = *next;
    }
    for (; rows < 0; ++rows) {
        const auto prev = m_layout.prevRow(rowStart);
        if (!prev)
            break;
        rowStart = *prev;
    }
    return rowStart;
}

void EditControl::clampTop()
{
    // The last row may come up to the bottom of the view, not further.
    std::int64_t row = m_top;
    int below = 0;
    for (; below < visibleRows() - 1; ++below) {
        const auto next = m_layout.nextRow(row);
        if (!next)
            break;
        row = *next;
    }
    if (below < visibleRows() - 1)
        m_top = rowsMoved(m_top, below - (visibleRows() - 1));
}

void EditControl::scrollRows(int rows)
{
    m_top = rowsMoved(m_top, rows);
    clampTop();
    setTop(m_top);
}

void EditControl::ensureCaretVisible()
{
    const std::int64_t caret = m_model.caret();
    const std::int64_t caretRow = m_layout.rowStart(caret);
    if (caretRow < m_top) {
        m_top = caretRow;
    } else {
        std::int64_t row = m_top;
        bool visible = row == caretRow;
        for (int i = 1; i < visibleRows() && !visible; ++i) {
            const auto next = m_layout.nextRow(row);
            if (!next)
                break;
            row = *next;
            visible = row == caretRow;
        }
        if (!visible)
            m_top = rowsMoved(caretRow, -(visibleRows() - 1));
    }
    if (!m_wordWrap) {
        const std::int64_t x = m_layout.xOf(caretRow, caret) / 64;
        const int width = viewport()->width() - textLeft() - 4;
        if (x < m_xOffset)
            m_xOffset = std::max<std::int64_t>(0, x - width / 3);
        else if (x > m_xOffset + width)
            m_xOffset = x - width * 2 / 3;
    }
    setTop(m_top);
}

void EditControl::updateScrollBars()
{
    m_settingScrollBars = true;
    QScrollBar* v = verticalScrollBar();
    const std::int64_t length = m_model.length();
    m_vScale = unitsScale(length);
    // At the end when the last row is in view: the thumb then sits at the bottom.
    std::int64_t row = m_top;
    bool atEnd = true;
    for (int i = 0; i < visibleRows(); ++i) {
        const auto next = m_layout.nextRow(row);
        if (!next)
            break;
        if (i == visibleRows() - 1)
            atEnd = false;
        row = *next;
    }
    const std::int64_t pageBytes = std::max<std::int64_t>(1, row - m_top);
    if (m_top == 0 && atEnd) {
        v->setRange(0, 0);
    } else {
        const auto maximum = static_cast<int>(length / m_vScale);
        v->setRange(0, maximum);
        v->setPageStep(static_cast<int>(std::clamp<std::int64_t>(pageBytes / m_vScale, 1, maximum)));
        v->setSingleStep(1);
        if (!v->isSliderDown())
            v->setValue(atEnd ? maximum : static_cast<int>(m_top / m_vScale));
    }
    if (!m_wordWrap) {
        QScrollBar* h = horizontalScrollBar();
        const std::int64_t extent = std::max<std::int64_t>(m_widestRow - viewport()->width() + 16, m_xOffset);
        m_hScale = unitsScale(extent);
        h->setRange(0, static_cast<int>(std::max<std::int64_t>(0, extent) / m_hScale));
        h->setPageStep(std::max(1, viewport()->width()));
        h->setSingleStep(std::max(1, m_glyphs->spaceWidth()));
        h->setValue(static_cast<int>(m_xOffset / m_hScale));
    }
    m_settingScrollBars = false;
}

void EditControl::onVerticalAction(int action)
{
    int rows = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: rows = 1; break;
    case QAbstractSlider::SliderSingleStepSub: rows = -1; break;
    case QAbstractSlider::SliderPageStepAdd: rows = visibleRows() - 1; break;
    case QAbstractSlider::SliderPageStepSub: rows = -(visibleRows() - 1); break;
    default: return;
    }
    m_settingScrollBars = true;  // the step is made in rows, not in scroll bar units
    scrollRows(rows == 0 ? 1 : rows);
    m_settingScrollBars = true;
    verticalScrollBar()->setSliderPosition(verticalScrollBar()->value());
    m_settingScrollBars = false;
}

void EditControl::onVerticalValue(int value)
{
    if (m_settingScrollBars)
        return;
    const QScrollBar* v = verticalScrollBar();
    std::int64_t target = std::int64_t{value} * m_vScale;
    if (value >= v->maximum())
        target = m_model.length();
    m_top = m_layout.rowStart(std::min(target, m_model.length()));
    clampTop();
    if (v->isSliderDown()) {
        viewport()->update();
        scheduleIdleLayout();
        announceTop();
    } else {
        setTop(m_top);
    }
}

void EditControl::onHorizontalValue(int value)
{
    if (m_settingScrollBars)
        return;
    m_xOffset = std::int64_t{value} * m_hScale;
    viewport()->update();
}

// ---------------------------------------------------------------- idle layout

}  // namespace quillory
