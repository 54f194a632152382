#include "forms/expiry_marks.h"

#include "forms/record_table_model.h"
#include "session/date_text.h"
#include "session/expiry.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

namespace vantrel {

namespace {

constexpr int kDateCheckMs = 60 * 1000;
// The warm colour the "ends soon" rows lean towards, whatever the theme.
const QColor kWarmTint(255, 176, 32);

// `from` moved towards `to` by `share` (0 … 1).
QColor blend(const QColor& from, const QColor& to, double share) {
    const auto mix = [share](int a, int b) { return static_cast<int>(a + (b - a) * share + 0.5); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                  mix(from.blue(), to.blue()));
}

// Both marks come from the list's own colours, so that the theme's text stays
// readable on them in a light and in a dark theme alike: the tint is the base
// warmed a little, the dimmed text lies between the text and the base.
QColor expiringBackground(const QPalette& palette) {
    return blend(palette.color(QPalette::Base), kWarmTint, 0.3);
}

QColor expiredText(const QPalette& palette) {
    return blend(palette.color(QPalette::Text), palette.color(QPalette::Base), 0.45);
}

} // namespace

ExpiryMarks::ExpiryMarks(const Session& session, QAbstractItemModel* source, Clock clock,
                         QObject* parent)
    : QIdentityProxyModel(parent), session_(session), clock_(std::move(clock)), today_(clock_()) {
    setSourceModel(source);
    timer_.setInterval(kDateCheckMs);
    connect(&timer_, &QTimer::timeout, this, &ExpiryMarks::checkDate);
    timer_.start();
}

void ExpiryMarks::checkDate() {
    const auto today = clock_();
    if (today == today_) {
        return;
    }
    today_ = today;
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::FontRole, Qt::ForegroundRole, Qt::BackgroundRole, Qt::ToolTipRole});
    }
}

QVariant ExpiryMarks::data(const QModelIndex& index, int role) const {
    if (role != Qt::FontRole && role != Qt::ForegroundRole && role != Qt::BackgroundRole &&
        role != Qt::ToolTipRole) {
        return QIdentityProxyModel::data(index, role);
    }
    const QModelIndex bottom = ToSourceIndex(index);
    if (!bottom.isValid() || static_cast<std::size_t>(bottom.row()) >= session_.size()) {
        return QIdentityProxyModel::data(index, role);
    }
    const Expiry expiry =
        RecordExpiry(session_.records()[static_cast<std::size_t>(bottom.row())], today_);
    if (expiry.state == ExpiryState::Expired) {
        switch (role) {
        case Qt::FontRole: {
            QFont font = QGuiApplication::font();
            font.setStrikeOut(true);
            return font;
        }
        case Qt::ForegroundRole:
            return QBrush(expiredText(QGuiApplication::palette()));
        case Qt::ToolTipRole:
            return QStringLiteral("Срок действия истёк");
        default:
            break;
        }
    } else if (expiry.state == ExpiryState::Expiring) {
        if (role == Qt::BackgroundRole) {
            return QBrush(expiringBackground(QGuiApplication::palette()));
        }
        if (role == Qt::ToolTipRole) {
            return QStringLiteral("Срок действия истекает ") +
                   QString::fromStdString(WriteDateText(*expiry.endDate));
        }
    }
    return QIdentityProxyModel::data(index, role);
}

} // namespace vantrel
