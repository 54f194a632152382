#include "forms/record_edit_icons.h"

#include <QPainter>
#include <QPixmap>

#include <functional>

namespace vantrel {

namespace {

QIcon themeOr(const char* name, const std::function<void(QPainter&)>& draw) {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    if (!icon.isNull()) {
        return icon;
    }
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(40, 40, 40));
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

// A sheet of paper with a few lines of text on it.
void drawSheet(QPainter& painter, const QRect& sheet) {
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    for (int y = sheet.top() + 3; y < sheet.bottom() - 1; y += 2) {
        painter.drawLine(sheet.left() + 2, y, sheet.right() - 2, y);
    }
}

} // namespace

QIcon copyIcon() {
    return themeOr("edit-copy", [](QPainter& painter) {
        drawSheet(painter, QRect(1, 1, 9, 11));
        drawSheet(painter, QRect(6, 4, 9, 11));
    });
}

QIcon pasteIcon() {
    return themeOr("edit-paste", [](QPainter& painter) {
        painter.setBrush(QColor(190, 150, 90));
        painter.drawRect(QRect(1, 2, 11, 13));
        painter.setBrush(QColor(120, 120, 120));
        painter.drawRect(QRect(4, 0, 5, 3));
        drawSheet(painter, QRect(6, 6, 9, 9));
    });
}

QIcon calendarIcon() {
    return themeOr("x-office-calendar", [](QPainter& painter) {
        painter.setBrush(Qt::white);
        painter.drawRect(QRect(1, 2, 14, 13));
        painter.fillRect(QRect(2, 3, 13, 3), QColor(200, 40, 40));
        for (int x = 4; x < 15; x += 3) {
            for (int y = 8; y < 15; y += 3) {
                painter.drawPoint(x, y);
            }
        }
    });
}

} // namespace vantrel
