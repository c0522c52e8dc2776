#pragma once

// A check list made of real check boxes, one under the other in a frame.
// Item views do not tell the accessibility bus whether an item is checked,
// so a screen reader could not read the platforms of a file; check boxes
// can, and each is reached by the keyboard.

#include <QFrame>

#include <vector>

class QCheckBox;
class QVBoxLayout;

class TCheckList : public QFrame {
    Q_OBJECT
public:
    explicit TCheckList(QWidget* parent = nullptr);

    // Appends an unchecked item carrying the number.
    void AddItem(const QString& text, int data = 0);
    void Clear();
    int Count() const { return int(FItems.size()); }
    QCheckBox* Item(int index) const { return FItems.at(index); }
    bool IsChecked(int index) const;
    void SetChecked(int index, bool checked);
    int Data(int index) const { return FData.at(index); }

signals:
    // Whenever an item changes, by the author or by the program.
    void ItemToggled(int index);

private:
    QVBoxLayout* FLayout;
    std::vector<QCheckBox*> FItems;
    std::vector<int> FData;
};
