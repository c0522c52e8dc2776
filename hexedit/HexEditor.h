#pragma once

// THexEditor: rows of hexadecimal digits with the bytes' characters beside
// them, edited in place or, in insert mode, by inserting and deleting bytes.
// The control paints its own cells from the bytes of a THexBuffer (a
// temporary file read through a 64 KiB window); no widget or item stands
// for a byte.

#include "hexedit/HexBuffer.h"
#include "hexedit/HexLayout.h"
#include "hexedit/HexTranslation.h"

#include <QAbstractScrollArea>
#include <QColor>

#include <array>
#include <vector>

class QIODevice;
class QPainter;
class THexEditor;

enum TCaretStyle { csFull, csLeftLine, csBottomLine };

// The colours of the control; each change repaints it.
class TColors {
public:
    explicit TColors(THexEditor* owner);

    QColor Background() const { return FBackground; }
    QColor PositionText() const { return FPositionText; }
    QColor PositionBackground() const { return FPositionBackground; }
    QColor ChangedText() const { return FChangedText; }
    QColor ChangedBackground() const { return FChangedBackground; }
    QColor CursorFrame() const { return FCursorFrame; }
    QColor Offset() const { return FOffset; }
    QColor OddColumn() const { return FOddColumn; }
    QColor EvenColumn() const { return FEvenColumn; }
    // Each of red, green and blue replaced by 255 minus it.
    QColor InvertedOddColumn() const { return Inverted(FOddColumn); }
    QColor InvertedEvenColumn() const { return Inverted(FEvenColumn); }

    void SetBackground(const QColor& color);
    void SetPositionText(const QColor& color) { Set(FPositionText, color); }
    void SetPositionBackground(const QColor& color) { Set(FPositionBackground, color); }
    void SetChangedText(const QColor& color) { Set(FChangedText, color); }
    void SetChangedBackground(const QColor& color) { Set(FChangedBackground, color); }
    void SetCursorFrame(const QColor& color) { Set(FCursorFrame, color); }
    void SetOffset(const QColor& color) { Set(FOffset, color); }
    void SetOddColumn(const QColor& color) { Set(FOddColumn, color); }
    void SetEvenColumn(const QColor& color) { Set(FEvenColumn, color); }

    static QColor Inverted(const QColor& color);

private:
    void Set(QColor& field, const QColor& color);

    THexEditor* FOwner;
    QColor FBackground;
    QColor FPositionText{Qt::white};
    QColor FPositionBackground{0x80, 0, 0};
    QColor FChangedText{0x80, 0, 0};
    QColor FChangedBackground{0xFF, 0xFF, 0xA8};
    QColor FCursorFrame{0, 0, 0x80};
    QColor FOffset{Qt::black};
    QColor FOddColumn{0, 0, 0xFF};
    QColor FEvenColumn{0, 0, 0x80};
};

class THexEditor : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit THexEditor(QWidget* parent = nullptr);
    ~THexEditor() override;

    // Replaces the data with the stream's bytes from its start; the caret
    // goes to the first digit. Answers true; a failure leaves no data and
    // raises.
    bool LoadFromStream(QIODevice& stream);
    // Writes every byte at the stream's position; false on failure.
    bool SaveToStream(QIODevice& stream) const;

    TColors& Colors() { return FColors; }
    int64_t DataSize() const { return FBuffer.Size(); }
    uint8_t Byte(int64_t pos) { return FBuffer.Byte(pos); }
    const THexBuffer& Buffer() const { return FBuffer; }
    int64_t RowCount() const;

    bool ShowMarkerColumn() const { return FLayout.ShowMarkerColumn; }
    void SetShowMarkerColumn(bool show);
    int BytesPerLine() const { return FLayout.BytesPerLine; }
    // 1 to 256, else "Invalid BytesPerLine argument".
    void SetBytesPerLine(int count);
    int BytesPerColumn() const { return FLayout.BytesPerColumn; }
    void SetBytesPerColumn(int count);
    QChar OffsetSeparator() const { return FLayout.OffsetSeparator; }
    void SetOffsetSeparator(QChar separator);
    TOffsetDisplayStyle OffsetDisplay() const { return FLayout.OffsetDisplay; }
    void SetOffsetDisplay(TOffsetDisplayStyle style);
    TCaretStyle CaretStyle() const { return FCaretStyle; }
    void SetCaretStyle(TCaretStyle style);
    bool FocusFrame() const { return FFocusFrame; }
    void SetFocusFrame(bool frame);
    TTranslationType Translation() const { return FTranslation; }
    void SetTranslation(TTranslationType translation);
    bool MaskWhiteSpaces() const { return FMaskWhiteSpaces; }
    void SetMaskWhiteSpaces(bool mask);
    QChar MaskChar() const { return FMaskChar; }
    void SetMaskChar(QChar mask);
    bool SwapNibbles() const { return FLayout.SwapNibbles; }
    void SetSwapNibbles(bool swap);
    bool AllowInsertMode() const { return FAllowInsertMode; }
    void SetAllowInsertMode(bool allow);
    bool NoSizeChange() const { return FNoSizeChange; }
    void SetNoSizeChange(bool fixed);
    bool AutoCaretMode() const { return FAutoCaretMode; }
    void SetAutoCaretMode(bool automatic) { FAutoCaretMode = automatic; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool want) { FWantTabs = want; }
    bool ReadOnlyView() const { return FReadOnlyView; }
    void SetReadOnlyView(bool readOnly) { FReadOnlyView = readOnly; }
    // Kept for saving to a file, which this control's users do not do.
    bool CreateBackup() const { return FCreateBackup; }
    void SetCreateBackup(bool create) { FCreateBackup = create; }
    QString BackupExtension() const { return FBackupExtension; }
    void SetBackupExtension(const QString& extension) { FBackupExtension = extension; }

    // Insert mode counts only while it is allowed and sizes may change.
    bool InsertMode() const;
    void SetInsertMode(bool insert);

    // The caret: the byte, and whether it stands in the character area and
    // on the second digit of the byte.
    int64_t CaretPosition() const { return FCaret; }
    bool CaretInCharacters() const { return FInChars; }
    bool CaretOnSecondDigit() const { return FSecondDigit; }
    void SetCaret(int64_t pos, bool inCharacters = false, bool secondDigit = false);

    bool IsChanged(int64_t pos) const;
    int64_t SelStart() const { return FSelStart; }
    int64_t SelEnd() const { return FSelEnd; }
    // Outside the data: "Invalid SelStart", "Invalid SelEnd".
    void SetSelStart(int64_t pos);
    void SetSelEnd(int64_t pos);
    void ClearSelection();

    // Row of bookmark 0 to 9, -1 when unset; above 9: "SetMarker : Invalid
    // marker index".
    int64_t Marker(int index) const;
    void SetMarker(int index, int64_t row);

    // The cell texts of a row: offset, digits and characters as shown.
    QString RowText(int64_t row);
    int RowHeight() const { return FRowHeight; }
    int CharWidth() const { return FCharWidth; }
    int64_t TopRow() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class TColors;

    void Recalculate();
    void UpdateScrollBars();
    void Changed();
    int64_t LastCaretPosition() const;
    int VisibleRows() const;
    int ColumnX(int column) const;
    int ColumnAt(int x) const;
    int CaretColumn() const;
    void MakeCaretVisible();
    void MoveCaret(int64_t pos, bool secondDigit, bool extend);
    void Step(int digits, bool extend);
    bool HandleMovement(QKeyEvent* event);
    bool HandleEditing(QKeyEvent* event);
    void TypeDigit(QChar typed);
    void TypeChar(QChar typed);
    void ReplaceSelectionOrInsert(uint8_t byte);
    void DeleteRange(int64_t first, int64_t last);
    void OverwriteByte(int64_t pos, uint8_t value);
    void UpdateAccessibleText();
    // The steps of paintEvent.
    void PaintRow(QPainter& painter, int64_t row, int y, const QRect& area, const QFont& markerFont,
                  const QColor& fontColor);
    void PaintMarker(QPainter& painter, const QRect& rect, int64_t row, const QFont& markerFont);
    void PaintByte(QPainter& painter, const QRect& textRect, const THexLayout::TCell& cell, int64_t pos,
                   const QColor& fontColor);
    void PaintCaret(QPainter& painter, int y);

    THexBuffer FBuffer;
    TColors FColors;
    THexLayout FLayout;
    int FOffsetLength = 0;
    std::vector<int> FColumnX; // left edge of each column, and the right edge
    int FCharWidth = 8;
    int FRowHeight = 16;

    TCaretStyle FCaretStyle = csFull;
    bool FFocusFrame = true;
    TTranslationType FTranslation = ttAnsi;
    bool FMaskWhiteSpaces = true;
    QChar FMaskChar = u'.';
    bool FAllowInsertMode = false;
    bool FNoSizeChange = false;
    bool FAutoCaretMode = true;
    bool FWantTabs = true;
    bool FReadOnlyView = false;
    bool FCreateBackup = true;
    QString FBackupExtension = QStringLiteral(".bak");
    bool FInsertMode = false;

    int64_t FCaret = 0;
    bool FInChars = false;
    bool FSecondDigit = false;
    int64_t FSelStart = -1;
    int64_t FSelEnd = -1;
    int64_t FSelAnchor = -1;
    bool FMouseSelecting = false;
    std::vector<bool> FChanged;
    std::array<int64_t, 10> FMarkers;
};
