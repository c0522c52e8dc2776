// THexEditor worked through its keys, with the builder's settings: 8 bytes
// per line in groups of 2, decimal offsets, ASCII characters, insert mode
// allowed.

#include "hexedit/HexEditor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <memory>

namespace {

class HexEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Editor.SetBytesPerLine(8);
        Editor.SetBytesPerColumn(2);
        Editor.SetOffsetDisplay(odDec);
        Editor.SetTranslation(ttASCII);
        Editor.SetAllowInsertMode(true);
        Editor.resize(400, 200);
    }

    void Load(QByteArray bytes)
    {
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        ASSERT_TRUE(Editor.LoadFromStream(stream));
    }

    QByteArray Data()
    {
        QByteArray bytes;
        QBuffer stream(&bytes);
        stream.open(QIODevice::WriteOnly);
        EXPECT_TRUE(Editor.SaveToStream(stream));
        return bytes;
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&Editor, key, modifiers);
    }

    THexEditor Editor;
};

TEST_F(HexEditorTest, EmptyDataShowsOffsetZeroAndTakesDigitsOnlyInInsertMode)
{
    Load(QByteArray());
    EXPECT_EQ(Editor.RowCount(), 1);
    EXPECT_TRUE(Editor.RowText(0).startsWith(QStringLiteral("0:")));
    QTest::keyClicks(&Editor, QStringLiteral("41"));
    EXPECT_EQ(Editor.DataSize(), 0);
    Key(Qt::Key_Insert);
    ASSERT_TRUE(Editor.InsertMode());
    QTest::keyClicks(&Editor, QStringLiteral("4"));
    EXPECT_EQ(Data(), QByteArray("\x40", 1));
    QTest::keyClicks(&Editor, QStringLiteral("1"));
    QTest::keyClicks(&Editor, QStringLiteral("4a"));
    // No zero byte is left behind after the last digit typed.
    EXPECT_EQ(Data(), QByteArray("\x41\x4A", 2));
}

TEST_F(HexEditorTest, RowShowsDigitsInGroupsAndMaskedCharacters)
{
    Load(QByteArray("\x41\x09\xE9\x42\x00\x01\x02\x03\x04", 9));
    EXPECT_EQ(Editor.RowText(0), QStringLiteral("0: 4109 E942 0001 0203 A..B...."));
    EXPECT_EQ(Editor.RowText(1), QStringLiteral("8: 04 ."));
}

TEST_F(HexEditorTest, OverwrittenBytesStayMarkedUntilInsertModeOrNewData)
{
    Load(QByteArray("\x00\x11\x22", 3));
    QTest::keyClicks(&Editor, QStringLiteral("F"));
    EXPECT_EQ(Data(), QByteArray("\xF0\x11\x22", 3));
    EXPECT_TRUE(Editor.IsChanged(0));
    EXPECT_FALSE(Editor.IsChanged(1));
    // The same value again is no change.
    Key(Qt::Key_Right);
    QTest::keyClicks(&Editor, QStringLiteral("1"));
    EXPECT_FALSE(Editor.IsChanged(1));
    Key(Qt::Key_Insert);
    EXPECT_FALSE(Editor.IsChanged(0));
    Key(Qt::Key_Insert);
    Editor.SetCaret(2);
    QTest::keyClicks(&Editor, QStringLiteral("3"));
    EXPECT_TRUE(Editor.IsChanged(2));
    Load(QByteArray("\x00\x11\x22", 3));
    EXPECT_FALSE(Editor.IsChanged(2));
}

TEST_F(HexEditorTest, BackspaceInOverwriteModeOnlyMoves)
{
    Load(QByteArray("\x01\x02\x03", 3));
    Editor.SetCaret(2);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Data(), QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(Editor.CaretPosition(), 1);
    EXPECT_TRUE(Editor.CaretOnSecondDigit());
    Key(Qt::Key_Delete);
    EXPECT_EQ(Data().size(), 3);
}

TEST_F(HexEditorTest, InsertModeDeletesAtTheCaretBeforeItAndTheSelection)
{
    Load(QByteArray("abcdefgh", 8));
    Key(Qt::Key_Insert);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Data(), QByteArray("bcdefgh"));
    Editor.SetCaret(3);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Data(), QByteArray("bcefgh"));
    EXPECT_EQ(Editor.CaretPosition(), 2);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Editor.SelStart(), 2);
    EXPECT_EQ(Editor.SelEnd(), 3);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Data(), QByteArray("bcgh"));
    EXPECT_EQ(Editor.SelStart(), -1);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Data(), QByteArray("bcg"));
}

TEST_F(HexEditorTest, CharactersTypedAfterTabGoThroughTheTranslation)
{
    Load(QByteArray("xyz"));
    Key(Qt::Key_Tab);
    EXPECT_TRUE(Editor.CaretInCharacters());
    QTest::keyClicks(&Editor, QStringLiteral("A"));
    // Above the lower half there is no byte to type in ASCII.
    QKeyEvent eacute(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)));
    QApplication::sendEvent(&Editor, &eacute);
    EXPECT_EQ(Data(), QByteArray("Ayz"));
    EXPECT_EQ(Editor.CaretPosition(), 1);
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_FALSE(Editor.CaretInCharacters());
}

TEST_F(HexEditorTest, BookmarkPastTheShrunkenEndMovesNothing)
{
    Load(QByteArray(40, 'x'));
    Editor.SetCaret(33);
    Key(Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Editor.Marker(3), 4);
    Editor.SetCaret(0);
    Key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(Editor.CaretPosition(), 32);
    Key(Qt::Key_Insert);
    Editor.SetCaret(0);
    Editor.SetSelStart(0);
    Editor.SetSelEnd(29);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(Editor.DataSize(), 10);
    Editor.SetCaret(5);
    Key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(Editor.CaretPosition(), 5);
}

TEST_F(HexEditorTest, MovementKeysStopAtTheDataAndTheRow)
{
    Load(QByteArray(20, 'x'));
    Key(Qt::Key_End);
    EXPECT_EQ(Editor.CaretPosition(), 7);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    // The short last row stops the caret on its last byte.
    EXPECT_EQ(Editor.CaretPosition(), 19);
    Key(Qt::Key_Home);
    EXPECT_EQ(Editor.CaretPosition(), 16);
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Editor.CaretPosition(), 0);
    Key(Qt::Key_Left);
    EXPECT_EQ(Editor.CaretPosition(), 0);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Editor.CaretPosition(), 19);
}

TEST_F(HexEditorTest, PropertiesRefuseValuesOutsideTheirRange)
{
    Load(QByteArray("abc"));
    try {
        Editor.SetBytesPerLine(257);
        ADD_FAILURE();
    } catch (const EHexEditorError& e) {
        EXPECT_STREQ(e.what(), "Invalid BytesPerLine argument");
    }
    try {
        Editor.SetMarker(10, 0);
        ADD_FAILURE();
    } catch (const EHexEditorError& e) {
        EXPECT_STREQ(e.what(), "SetMarker : Invalid marker index");
    }
    EXPECT_THROW(Editor.SetSelStart(3), EHexEditorError);
    EXPECT_THROW(Editor.SetSelEnd(-1), EHexEditorError);
    EXPECT_EQ(Editor.BytesPerLine(), 8);
}

TEST_F(HexEditorTest, HundredMegabytesScrollToTheEndWithOneWindowReadPerPaint)
{
    Load(QByteArray(100 * 1024 * 1024, '\x5A'));
    Editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Editor));
    auto readsOfOnePaint = [this] {
        int64_t before = Editor.Buffer().ReadCount();
        Editor.viewport()->repaint();
        return Editor.Buffer().ReadCount() - before;
    };
    EXPECT_LE(readsOfOnePaint(), 1);
    Editor.setFocus();
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_LE(readsOfOnePaint(), 1);
    EXPECT_EQ(Editor.CaretPosition(), 100 * 1024 * 1024 - 1);
    EXPECT_EQ(Editor.verticalScrollBar()->value(), Editor.verticalScrollBar()->maximum());
    for (int page = 0; page < 5; ++page) {
        Key(Qt::Key_PageUp);
        EXPECT_LE(readsOfOnePaint(), 1);
    }
    // Nothing anywhere near the whole buffer was ever read.
    EXPECT_LT(Editor.Buffer().ReadCount(), 40);
    // A screen reader gets the rows on screen, not the buffer.
    QStringList rows = Editor.accessibleDescription().split(u'\n');
    EXPECT_GE(rows.size(), 1);
    EXPECT_LE(rows.size(), Editor.viewport()->height() / Editor.RowHeight() + 1);
    EXPECT_TRUE(rows.front().contains(QStringLiteral("5A5A 5A5A")));
}

}

namespace {

TEST(HexEditorFocusTest, TabSwitchesAreasAndCtrlTabLeavesTheControl)
{
    QWidget window;
    auto* editor = new THexEditor(&window);
    auto* after = new QWidget(&window);
    after->setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(editor, after);
    QByteArray bytes("ab");
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    editor->LoadFromStream(stream);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_TRUE(editor->CaretInCharacters());
    QTest::keyClick(editor, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(after->hasFocus());
}

}

namespace {

TEST_F(HexEditorTest, MouseDragSelectsAndAPressClearsTheSelection)
{
    Load(QByteArray(16, 'x'));
    const int w = Editor.CharWidth();
    const int y = Editor.RowHeight() / 2;
    // Offset "0:" (2w), the bookmark column (w), then byte 0's digits;
    // byte 3's first digit lies after a group of two bytes and its gap.
    QPointF byte0(3.5 * w, y);
    QPointF byte3(10.5 * w, y);
    QWidget* area = Editor.viewport();
    QMouseEvent press(QEvent::MouseButtonPress, byte0, area->mapToGlobal(byte0), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(area, &press);
    QMouseEvent move(QEvent::MouseMove, byte3, area->mapToGlobal(byte3), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &move);
    EXPECT_EQ(Editor.SelStart(), 0);
    EXPECT_EQ(Editor.SelEnd(), 3);
    EXPECT_EQ(Editor.CaretPosition(), 3);
    QMouseEvent again(QEvent::MouseButtonPress, byte0, area->mapToGlobal(byte0), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(area, &again);
    EXPECT_EQ(Editor.SelStart(), -1);
    EXPECT_EQ(Editor.CaretPosition(), 0);
}

}
