#pragma once

// A tab bar for tabs on the left whose captions and images stay upright
// (Qt turns them on their side), with the image above the caption.

#include <QTabBar>

class TSideTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit TSideTabBar(QWidget* parent = nullptr) : QTabBar(parent) {}

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
};
