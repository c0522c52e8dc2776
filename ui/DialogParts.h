#pragma once

// Pieces the property dialogs and wizards share: their button rows, the
// outer layout, a label over its control, a browse button, and the way a
// refused entry is told.

#include <QString>

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
class QToolButton;
class QVBoxLayout;
class QWidget;
class TMessageService;

// OK and Cancel (btOK, btCancel), accepting and rejecting the dialog.
QDialogButtonBox* NewOkCancelBox(QDialog* dialog);

// A row of buttons standing at the right; a null entry leaves an 8-pixel
// gap, as between Next and Cancel.
QHBoxLayout* NewButtonRow(std::initializer_list<QWidget*> buttons);

// The property dialogs' outer layout: 12-pixel margins and spacing, the
// content over the buttons, the size fixed to what they need.
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
