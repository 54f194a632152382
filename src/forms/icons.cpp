#include "forms/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vantrel {

namespace {

// Everything is drawn on a 16 x 16 grid and scaled to the pixmap size.
const QColor kOutline(60, 60, 60);

void drawPage(QPainter& p) {
    QPainterPath page;
    page.moveTo(3, 1);
    page.lineTo(10, 1);
    page.lineTo(13, 4);
    page.lineTo(13, 15);
    page.lineTo(3, 15);
    page.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(10, 1), QPointF(10, 4));
    p.drawLine(QPointF(10, 4), QPointF(13, 4));
}

void drawTextLines(QPainter& p, int from, int to) {
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (int y = from; y <= to; y += 2) {
        p.drawLine(QPointF(5, y + 0.5), QPointF(11, y + 0.5));
    }
}

void drawPrinter(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(170, 170, 170));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 170, 60));
    p.drawRect(QRectF(11.5, 7.5, 2, 1.5));
}

// A sheet of paper with a few lines of text on it.
void drawSheet(QPainter& p, const QRectF& sheet) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    for (qreal y = sheet.top() + 2.5; y < sheet.bottom() - 1; y += 2) {
        p.drawLine(QPointF(sheet.left() + 2, y), QPointF(sheet.right() - 2, y));
    }
}

// A shield outline on the 16 x 16 grid.
QPainterPath shieldPath() {
    QPainterPath shield;
    shield.moveTo(8, 0.5);
    shield.lineTo(14.5, 3);
    shield.quadTo(14.5, 11.5, 8, 15.5);
    shield.quadTo(1.5, 11.5, 1.5, 3);
    shield.closeSubpath();
    return shield;
}

void drawPadlock(QPainter& p) {
    p.setPen(QPen(QColor(90, 90, 90), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
    p.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
    p.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
    p.setPen(QPen(QColor(120, 80, 10), 1));
    p.setBrush(QColor(230, 180, 50));
    p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7.5), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 50, 0));
    p.drawEllipse(QPointF(8, 10.5), 1.2, 1.2);
    p.drawRect(QRectF(7.5, 10.5, 1, 2.5));
}

void drawGear(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(160, 160, 170));
    p.save();
    p.translate(8, 8);
    for (int tooth = 0; tooth < 8; ++tooth) {
        p.drawRect(QRectF(-1.5, -7.5, 3, 4));
        p.rotate(45);
    }
    p.restore();
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2, 2);
}

void drawIcon(QPainter& p, CommandIcon kind) {
    switch (kind) {
    case CommandIcon::Open: {
        p.setPen(QPen(QColor(150, 110, 20), 1));
        p.setBrush(QColor(240, 200, 80));
        QPainterPath back;
        back.moveTo(1.5, 3.5);
        back.lineTo(6.5, 3.5);
        back.lineTo(7.5, 4.5);
        back.lineTo(13.5, 4.5);
        back.lineTo(13.5, 13.5);
        back.lineTo(1.5, 13.5);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(QColor(255, 225, 120));
        QPainterPath flap;
        flap.moveTo(1.5, 13.5);
        flap.lineTo(4.0, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.5, 13.5);
        flap.closeSubpath();
        p.drawPath(flap);
        break;
    }
    case CommandIcon::Save:
        p.setPen(QPen(QColor(20, 50, 120), 1));
        p.setBrush(QColor(50, 100, 200));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 9, 6));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 50, 120));
        p.drawRect(QRectF(9, 11, 1.5, 3));
        break;
    case CommandIcon::Print:
        drawPrinter(p);
        break;
    case CommandIcon::PrinterSetup:
        drawPrinter(p);
        p.setPen(QPen(QColor(40, 80, 180), 2));
        p.drawLine(QPointF(9, 15), QPointF(15, 9));
        break;
    case CommandIcon::Exit: {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(QColor(180, 120, 60));
        p.drawRect(QRectF(1.5, 1.5, 8, 13));
        p.setPen(QPen(QColor(200, 30, 30), 2));
        p.drawLine(QPointF(6, 8), QPointF(14, 8));
        p.drawLine(QPointF(11, 5), QPointF(14, 8));
        p.drawLine(QPointF(11, 11), QPointF(14, 8));
        break;
    }
    case CommandIcon::RecordAdd:
        drawPage(p);
        drawTextLines(p, 5, 7);
        p.setPen(QPen(QColor(30, 150, 40), 2.5));
        p.drawLine(QPointF(11, 8.5), QPointF(11, 15));
        p.drawLine(QPointF(7.75, 11.75), QPointF(14.25, 11.75));
        break;
    case CommandIcon::RecordEdit: {
        drawPage(p);
        drawTextLines(p, 5, 11);
        p.setPen(QPen(QColor(120, 70, 0), 1));
        p.setBrush(QColor(250, 170, 40));
        QPainterPath pencil;
        pencil.moveTo(7, 14);
        pencil.lineTo(7.5, 11.5);
        pencil.lineTo(14, 5);
        pencil.lineTo(16, 7);
        pencil.lineTo(9.5, 13.5);
        pencil.closeSubpath();
        p.drawPath(pencil);
        break;
    }
    case CommandIcon::RecordDelete:
        drawPage(p);
        drawTextLines(p, 5, 11);
        p.setPen(QPen(QColor(210, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7, 8), QPointF(14, 15));
        p.drawLine(QPointF(14, 8), QPointF(7, 15));
        break;
    case CommandIcon::ShowPasswords: {
        QPainterPath eye;
        eye.moveTo(0.5, 8);
        eye.quadTo(8, -1.5, 15.5, 8);
        eye.quadTo(8, 17.5, 0.5, 8);
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawPath(eye);
        p.setBrush(QColor(40, 110, 200));
        p.drawEllipse(QPointF(8, 8), 3.2, 3.2);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(8, 8), 1.4, 1.4);
        break;
    }
    case CommandIcon::Site:
        p.setPen(QPen(QColor(20, 70, 140), 1));
        p.setBrush(QColor(90, 160, 230));
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 8), 3, 6.5);
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
        break;
    case CommandIcon::Licence:
        drawPage(p);
        drawTextLines(p, 5, 13);
        break;
    case CommandIcon::About: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 100, 200));
        p.drawEllipse(QPointF(8, 8), 7, 7);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 4.5), 1.3, 1.3);
        p.drawRect(QRectF(6.9, 6.8, 2.2, 6));
        break;
    }
    case CommandIcon::History:
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
        p.drawLine(QPointF(8, 8), QPointF(11, 10));
        break;
    case CommandIcon::Copy:
        drawSheet(p, QRectF(1.5, 1.5, 8, 10));
        drawSheet(p, QRectF(6.5, 4.5, 8, 10));
        break;
    case CommandIcon::Paste:
        p.setPen(QPen(kOutline, 1));
        p.setBrush(QColor(190, 150, 90));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(QRectF(4.5, 0.5, 4, 3));
        drawSheet(p, QRectF(6.5, 6.5, 8, 8));
        break;
    case CommandIcon::Calendar:
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 2.5, 13, 12));
        p.fillRect(QRectF(2, 3, 12.5, 3), QColor(200, 40, 40));
        for (int x = 4; x < 15; x += 3) {
            for (int y = 8; y < 15; y += 3) {
                p.drawPoint(QPointF(x, y));
            }
        }
        break;
    case CommandIcon::PasswordReport: {
        // A shield with a tick.
        p.setPen(QPen(QColor(20, 80, 40), 1));
        p.setBrush(QColor(90, 180, 110));
        p.drawPath(shieldPath());
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5)}));
        break;
    }
    case CommandIcon::Protect:
        // A blue shield with a keyhole.
        p.setPen(QPen(QColor(20, 50, 120), 1));
        p.setBrush(QColor(70, 120, 210));
        p.drawPath(shieldPath());
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 6.5), 1.8, 1.8);
        p.drawPolygon(
            QPolygonF({QPointF(7.2, 7.5), QPointF(8.8, 7.5), QPointF(9.5, 12), QPointF(6.5, 12)}));
        break;
    case CommandIcon::Settings:
        drawGear(p);
        break;
    case CommandIcon::Lock:
        drawPadlock(p);
        break;
    }
}

QPixmap drawPixmap(CommandIcon kind, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    drawIcon(painter, kind);
    return pixmap;
}

const char* themeName(CommandIcon kind) {
    switch (kind) {
    case CommandIcon::Open:
        return "document-open";
    case CommandIcon::Save:
        return "document-save";
    case CommandIcon::Print:
        return "document-print";
    case CommandIcon::PrinterSetup:
        return "document-print-preview";
    case CommandIcon::Exit:
        return "application-exit";
    case CommandIcon::RecordAdd:
        return "document-new";
    case CommandIcon::RecordEdit:
        return "document-properties";
    case CommandIcon::RecordDelete:
        return "edit-delete";
    case CommandIcon::ShowPasswords:
        return "dialog-password";
    case CommandIcon::Site:
        return "internet-web-browser";
    case CommandIcon::Licence:
        return "text-x-generic";
    case CommandIcon::About:
        return "help-about";
    case CommandIcon::History:
        return "document-open-recent";
    case CommandIcon::Copy:
        return "edit-copy";
    case CommandIcon::Paste:
        return "edit-paste";
    case CommandIcon::Calendar:
        return "x-office-calendar";
    case CommandIcon::PasswordReport:
        return "security-medium";
    case CommandIcon::Protect:
        return "security-high";
    case CommandIcon::Settings:
        return "preferences-system";
    case CommandIcon::Lock:
        return "system-lock-screen";
    }
    return "";
}

} // namespace

QIcon builtInIcon(CommandIcon kind) {
    QIcon icon;
    icon.addPixmap(drawPixmap(kind, 16));
    icon.addPixmap(drawPixmap(kind, 32));
    return icon;
}

QIcon commandIcon(CommandIcon kind) {
    return QIcon::fromTheme(QString::fromLatin1(themeName(kind)), builtInIcon(kind));
}

} // namespace vantrel
