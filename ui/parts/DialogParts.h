#pragma once

// Pieces the property dialogs and wizards share: their button rows, the
// outer layout, a label over its control, a browse button, and the way a
// refused entry is told.

#include <QString>
#include <QStyle>

#include <initializer_list>
#include <optional>
#include <string>

class QBoxLayout;
class QDialog;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QHBoxLayout;
class QLayout;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class QWidget;
class TMessageService;

// OK and Cancel (btOK, btCancel), accepting and rejecting the dialog.
QDialogButtonBox* NewOkCancelBox(QDialog* dialog);

// A row of buttons standing at the right; a null entry leaves an 8-pixel
// gap, as between Next and Cancel.
QHBoxLayout* NewButtonRow(std::initializer_list<QWidget*> buttons);

// A push button with its object name and, unless null, a standard icon.
QPushButton* NewPushButton(const QString& text, const char* objectName, QWidget* parent,
                           QStyle::StandardPixmap icon = QStyle::SP_CustomBase);

// One part of a dialog's column: a widget or a layout, and its stretch.
struct TDialogPart {
    TDialogPart(QWidget* widget, int stretch = 0) : Widget(widget), Stretch(stretch) {}
    TDialogPart(QLayout* layout, int stretch = 0) : Layout(layout), Stretch(stretch) {}
    QWidget* Widget = nullptr;
    QLayout* Layout = nullptr;
    int Stretch;
};

// The dialog's parts top to bottom, with these margins and spacing; the
// size is fixed to what they need.
QVBoxLayout* LayOutFixedDialog(QDialog* dialog, int margin, int spacing, std::initializer_list<TDialogPart> parts);

// The property dialogs' outer layout: 12-pixel margins and spacing, the
// content over the buttons.
QVBoxLayout* LayOutPropertyDialog(QDialog* dialog, QLayout* content, QWidget* buttons);

// A column of controls with their labels above them, 4 pixels apart.
QVBoxLayout* NewLabelColumn();
// The label (the control's buddy) and the control at the column's end, 6
// pixels below what stands there already.
void AddLabelled(QVBoxLayout* column, const QString& label, QWidget* control, QWidget* buddy = nullptr,
                 int stretch = 0);

// A grid of labelled rows, 8 pixels apart either way; its labels stand at
// the top left of their cells, level with the first line of a tall control.
QGridLayout* NewFormGrid();
QLabel* NewGridLabel(const char* text, QWidget* buddy, QWidget* parent);

// The folder button beside a path, reachable by Tab; the tip names it for
// the screen reader too.
QToolButton* NewBrowseButton(const char* objectName, const QString& tip, QWidget* parent);

// Shows the message in the error box and gives false, for the checks of OK.
bool RefuseEntry(TMessageService* messages, const char* message);

// The edit's text in the code page, or nullopt after telling the author
// which character it cannot hold.
std::optional<std::string> EnteredAnsi(const QLineEdit* edit, TMessageService* messages);
