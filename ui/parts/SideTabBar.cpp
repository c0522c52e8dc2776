#include "ui/parts/SideTabBar.h"

#include <QStyleOptionTab>
#include <QStylePainter>

QSize TSideTabBar::tabSizeHint(int index) const
{
    QSize icon = iconSize();
    int textWidth = fontMetrics().horizontalAdvance(tabText(index));
    return QSize(std::max(textWidth, icon.width()) + 24, icon.height() + fontMetrics().height() + 22);
}

void TSideTabBar::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        painter.drawControl(QStyle::CE_TabBarTabShape, option);

        QRect r = tabRect(i);
        QSize icon = iconSize();
        QIcon::Mode mode = isTabEnabled(i) ? QIcon::Normal : QIcon::Disabled;
        QPixmap pixmap = tabIcon(i).pixmap(icon, devicePixelRatio(), mode);
        int top = r.top() + 8;
        painter.drawPixmap(r.center().x() - icon.width() / 2, top, pixmap);
        QRect text(r.left(), top + icon.height() + 3, r.width(), fontMetrics().height());
        painter.drawItemText(text, Qt::AlignHCenter | Qt::AlignTop, palette(), isTabEnabled(i), tabText(i),
                             QPalette::WindowText);
    }
}
