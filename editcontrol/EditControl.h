#pragma once
// The editing control: a scroll area that shows and edits text, fast on texts of hundreds of
// megabytes. Its bytes read as Windows-1252 (one character per byte) or as UTF-8; it draws,
// moves and selects by character, while every position it reports is a byte offset. It stands where the view expects a rich edit control:
// its operations keep the Windows names the view uses, every change of the text by the user goes
// through them, and the view sees every key and character first through two hooks.

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "editcore/EditModel.h"
#include "editcore/TextFinder.h"
#include "editcore/WrapLayout.h"
#include "base/CharFormat.h"
#include "base/CharRange.h"
#include "base/Clipboard.h"

namespace quillory {

class GlyphTable;

// A key press as the key-down hook sees it (WM_KEYDOWN), auto-repeats included.
struct KeyDown {
    int key = 0;                      // Qt::Key
    Qt::KeyboardModifiers modifiers;  // Shift, Control, Alt...
    bool autoRepeat = false;          // a repeat of a held key
};

class EditControl : public QAbstractScrollArea, private EditModelListener {
    Q_OBJECT

public:
    explicit EditControl(QWidget* parent = nullptr);
    ~EditControl() override;

    // --- Text
    // Replaces the whole text by bytes up to the first 0 byte (WM_SETTEXT): caret at 0, nothing
    // to undo, not modified.
    void setText(std::string_view bytes);
    // The same without a copy: takes ownership of a block whose bytes [offset, offset + length)
    // are the text (up to the first 0 byte); the rest is room for edits: with offset 0 the bytes
    // after the text, otherwise [0, offset), so that typing at the caret's first place, 0, moves
    // nothing. Without the memory to take it, the control keeps its text and the block stays the
    // caller's (std::bad_alloc).
    void adoptWindowText(HeapBlock&& block, std::size_t length, std::size_t offset = 0);
    std::int64_t textLength() const { return m_model.length(); }
    // The bytes of [start, end) (clamped).
    std::string textRange(std::int64_t start, std::int64_t end) const;
    // Copies the bytes of [start, end) (clamped) to out; returns how many.
    std::int64_t textRange(std::int64_t start, std::int64_t end, char* out) const;
    // Calls visit with the whole text in order, in at most two pieces, without copying.
    void forEachTextPiece(const std::function<void(std::string_view)>& visit) const;
    // Copies the whole text, textLength() bytes, to out.
    void copyText(std::uint8_t* out) const;
    const TextBuffer& buffer() const { return m_model.text(); }
    // Called before anything changes the text or moves its bytes, for a reader on another thread
    // that must be done with them first.
    void setBeforeTextChange(std::function<void()> hook) { m_model.text().setBeforeChange(std::move(hook)); }
    // How the bytes read as characters. Switching reinterprets the same bytes: nothing changes
    // but what is drawn and where characters begin.
    void setEncoding(TextEncoding encoding);
    TextEncoding encoding() const { return m_model.encoding(); }
    // The character that holds pos: [its start, the next character's start).
    std::pair<std::int64_t, std::int64_t> characterAt(std::int64_t pos) const;

    // --- Selection (byte offsets; the caret is at the selection's end that moved last)
    std::int64_t selectionStart() const { return m_model.selectionStart(); }
    std::int64_t selectionEnd() const { return m_model.selectionEnd(); }
    std::int64_t caretPosition() const { return m_model.caret(); }
    // The selection as character positions, start <= end (EM_EXGETSEL).
    CharRange selection() const;
    // Selects [start, end) with the caret at end; end -1 means the text's end, start -1 only
    // removes the selection. The view scrolls to the caret unless the selection is hidden or
    // scrollToCaret is false.
    void select(std::int64_t start, std::int64_t end, bool scrollToCaret = true);
    // The selected bytes (EM_GETSELTEXT).
    std::string selectedText() const;
    // Replaces the selection (EM_REPLACESEL); an undoable replacement is one undo step.
    void replaceSelection(std::string_view bytes, bool canUndo = false);
    // Deletes the selection without touching the clipboard (WM_CLEAR); undoable.
    void clear();
    void copy();
    void cut();
    void paste();
    bool canPaste() const;
    // Hides or shows the selection (EM_HIDESELECTION); the selection itself stays.
    void hideSelection(bool hide);
    // Scrolls so that the row holding pos is the first one in view, as far as the end allows;
    // the selection stays. Far into a long line not laid out yet, this lays the line out up to
    // pos first, which takes time in proportion to the distance.
    void scrollToPosition(std::int64_t pos);
    // Whether scrollToPosition(pos) can go there at once (the rows there are known).
    bool isLaidOutTo(std::int64_t pos) const { return m_layout.isLaidOutTo(pos); }
    // Lays out up to budgetBytes more of the line holding pos; true once pos is reached.
    bool layOutTowards(std::int64_t pos, std::int64_t budgetBytes);

    // --- Undo and modified flag
    bool canUndo() const { return m_model.canUndo(); }
    // Reverts the last action; a second Undo redoes it.
    void undo();
    void emptyUndoBuffer() { m_model.emptyUndoBuffer(); }
    bool isModified() const { return m_model.modified(); }
    void setModified(bool modified) { m_model.setModified(modified); }

    // --- Appearance
    // The control's one character format. Set applies the fields named in mask.
    CharFormat defaultCharFormat() const { return m_format; }
    void setDefaultCharFormat(const CharFormat& format);
    // COLORREF 0x00BBGGRR.
    void setBackgroundColor(std::uint32_t colorRef);
    std::uint32_t backgroundColor() const { return m_background; }
    // Mouse selections extend by whole words when on.
    void setAutoWordSelection(bool on) { m_autoWordSelection = on; }
    bool autoWordSelection() const { return m_autoWordSelection; }
    // Wrap lines at the window's width, or show each line on one row.
    void setWordWrap(bool wrapToWindow);
    bool wordWrap() const { return m_wordWrap; }
    bool overwriteMode() const { return m_overwrite; }
    void setOverwriteMode(bool on);

    // --- Limits and find
    std::int64_t textLimit() const { return m_model.limit(); }
    void setTextLimit(std::int64_t limit) { m_model.setLimit(limit); }
    // Finds needle from `from`; the control's selection is unchanged.
    std::optional<FoundRange> findText(std::string_view needle, std::int64_t from, const FindOptions& options);
    // Replaces every match of needle, searched forward from the start, by replacement as one undo
    // step; the caret ends after the last replacement. Returns how many were replaced.
    std::int64_t replaceAll(std::string_view needle, std::string_view replacement, const FindOptions& options);
    // The same in two halves: the plan only reads the text (on another thread, while the control
    // does not change), applying it replaces. See EditModel::planReplaceAll.
    std::optional<ReplacePlan> planReplaceAll(std::string_view needle, std::string_view replacement,
                                              const FindOptions& options, WorkProgress* progress) const
    {
        return m_model.planReplaceAll(needle, replacement, options, progress);
    }
    std::int64_t applyReplaceAll(ReplacePlan&& plan);
    // The text, to read (on another thread too, while the control does not change).
    const TextBuffer& textBuffer() const { return m_model.text(); }

    // --- Services
    // Takes the keyboard focus.
    void takeFocus() { setFocus(Qt::OtherFocusReason); }
    // The clipboard used by Copy, Cut and Paste; the system's when none is set.
    void setClipboard(IClipboard* clipboard) { m_clipboard = clipboard; }

    // --- Hooks for the view, called before the control acts; true consumes the event.
    // Every key press, including repeats.
    std::function<bool(const KeyDown&)> keyDownHook;
    // Every character a key press or the input method produces: the Unicode character for
    // printable ones, 8 Backspace, 9 Tab, 13 Enter, 10 Ctrl+Enter, 0 Ctrl+2.
    std::function<bool(char32_t)> charHook;

    // --- For tests and the benchmark
    // The first visible row's start.
    std::int64_t topRowStart() const { return m_top; }
    // Rows that fit the viewport wholly (at least 1).
    int visibleRows() const;
    // The caret rectangle in viewport coordinates.
    QRect caretRect();
    // The caret position nearest to a viewport point.
    std::int64_t hitTest(QPoint point);
    // Lays out more of long lines now (what idle time does); true when nothing is left.
    bool layoutIdleStep();
    WrapLayout& layout() { return m_layout; }
    const GlyphTable& glyphs() const { return *m_glyphs; }
    std::size_t memoryBytes() const { return m_model.memoryBytes(); }

signals:
    void selectionChanged();
    void textChanged(qint64 offset, qint64 removed, qint64 inserted);
    void modifiedChanged(bool modified);
    void undoAvailableChanged(bool available);
    void overwriteModeChanged(bool overwrite);
    // The first visible row now starts at rowStart.
    void topRowChanged(qint64 rowStart);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool viewportEvent(QEvent* event) override;

private:
    // EditModelListener
    void onTextChanged(const TextChange& change) override;
    void onSelectionChanged() override;
    void onModifiedChanged(bool modified) override;
    void onUndoAvailableChanged(bool available) override;

    // Input (EditControlInput.cpp)
    bool handleNavigationKey(const QKeyEvent* event);
    // Sends the characters of a key press through the hook and the default handling; false when it has none.
    bool emitCharacters(const QKeyEvent* event);
    void handleCharacter(char32_t c);
    // The bytes that stand for character c in the text's encoding.
    std::string encodeCharacter(char32_t c) const;
    // Puts the caret at pos, at a character's start: one inside a character goes to its end when
    // moving forward, to its start otherwise.
    void moveCaretTo(std::int64_t pos, bool extend, bool keepDesiredX = false);
    // Up/Down/Page keys: the caret to the row `rows` away at the remembered x; scrollView moves the view too.
    void moveCaretByRows(int rows, bool scrollView, bool extend);
    // Where End puts the caret on a row.
    std::int64_t rowEndCaret(std::int64_t row);
    std::int64_t wordLeft(std::int64_t pos) const;
    std::int64_t wordRight(std::int64_t pos) const;
    std::pair<std::int64_t, std::int64_t> wordAt(std::int64_t pos) const;
    std::int64_t rowsMoved(std::int64_t rowStart, int rows);
    void extendMouseSelection(QPoint point);
    void autoScrollStep();

    // Scrolling and layout (EditControl.cpp)
    void resetView();  // back to the top, before a whole new text
    void applyFont();
    void updateWrapWidth();
    void setTop(std::int64_t rowStart);
    void announceTop();  // topRowChanged when the top row moved since last told
    void clampTop();
    void ensureCaretVisible();
    void scrollRows(int rows);
    void updateScrollBars();
    void onVerticalAction(int action);
    void onVerticalValue(int value);
    void onHorizontalValue(int value);
    void scheduleIdleLayout();
    int textLeft() const { return 2; }  // left margin inside the viewport, px

    // Painting (EditControlPaint.cpp)
    struct VisibleRow;
    void paintRow(QPainter& painter, std::int64_t rowStart, int y, std::int64_t selStart, std::int64_t selEnd);
    void findVisiblePart(VisibleRow& row);
    WrapLayout::Step stepIn(const VisibleRow& row, std::int64_t pos, std::int64_t atX) const;
    std::pair<std::int64_t, std::int64_t> selectionSpan(const VisibleRow& row, std::int64_t selStart,
                                                        std::int64_t selEnd);
    void noteRowWidth(const VisibleRow& row);

    EditModel m_model;                                       // text, selection, undo, modified flag
    WrapLayout m_layout;                                     // rows of m_model's text
    std::unique_ptr<GlyphTable> m_glyphs;                    // the format's font measured for the screen
    CharFormat m_format;                                     // the one character format
    std::uint32_t m_background = 0xFFFFFF;                   // COLORREF of the background
    bool m_autoWordSelection = false;                        // mouse selections extend by words
    bool m_wordWrap = true;                                  // wrap at the viewport's width
    bool m_overwrite = false;                                // typing replaces the byte at the caret
    bool m_selectionHidden = false;                          // EM_HIDESELECTION
    std::int64_t m_top = 0;                                  // start of the first visible row
    std::int64_t m_shownTop = 0;                             // m_top as topRowChanged last told it
    std::int64_t m_xOffset = 0;                              // horizontal scroll, px (no wrap)
    std::int64_t m_desiredX = -1;                            // x that Up/Down keep, 1/64 px; -1: the caret's
    std::int64_t m_vScale = 1;                               // bytes per vertical scroll bar unit
    std::int64_t m_hScale = 1;                               // px per horizontal scroll bar unit
    std::int64_t m_widestRow = 0;                            // widest row painted so far, px (no wrap)
    bool m_settingScrollBars = false;                        // the scroll bars are being set by the control
    bool m_caretOn = true;                                   // blink phase
    QBasicTimer m_blink;                                     // caret blinking
    QTimer m_idleLayout;                                     // lays out long lines while the user does nothing
    QTimer m_autoScroll;                                     // scrolls while a drag selection is outside the view
    QPoint m_lastMouse;                                      // last drag position, viewport coordinates
    bool m_dragging = false;                                 // left button held after a press in the text
    bool m_wordDrag = false;                                 // the drag extends by words (double-click)
    std::pair<std::int64_t, std::int64_t> m_dragWord{0, 0};  // the word the drag began in
    QString m_preedit;                                       // input-method text being composed, shown at the caret
    IClipboard* m_clipboard = nullptr;                       // Copy/Cut/Paste; null: the system's
    std::unique_ptr<IClipboard> m_systemClipboard;           // the system's, made on first use
};

}  // namespace quillory
