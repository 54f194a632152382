#include "forms/record_filter_proxy.h"

#include "session/expiry.h"

#include "forms/record_table_model.h"

namespace vantrel {

RecordFilterProxy::RecordFilterProxy(Session& session, RecordTableModel* source, QObject* parent)
    : QSortFilterProxyModel(parent), session_(session) {
    // Connected before the proxy's own handlers (which setSourceModel makes),
    // so a new or changed record is kept before the proxy filters it.
    connect(source, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { keepShown(first, last); });
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                keepShown(topLeft.row(), bottomRight.row());
            });
    setSourceModel(source);
}

void RecordFilterProxy::keepShown(int firstRow, int lastRow) {
    if (!filtering()) {
        return;
    }
    for (int row = firstRow; row <= lastRow; ++row) {
        kept_.insert(session_.idAt(static_cast<std::size_t>(row)));
    }
}

void RecordFilterProxy::setSearchText(const QString& text) {
    search_ = RecordSearch(text.toStdString());
    kept_.clear();
    // One layout change: hiding rows one range at a time is slow in a large list.
    invalidate();
}

void RecordFilterProxy::setEndingOnly(bool endingOnly) {
    endingOnly_ = endingOnly;
    kept_.clear();
    invalidate();
}

bool RecordFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    // Rows of the table model are the session's rows.
    const auto row = static_cast<std::size_t>(sourceRow);
    const Record& record = session_.records()[row];
    if (kept_.contains(session_.idAt(row))) {
        return true;
    }
    if (endingOnly_ && RecordExpiry(record, LocalToday()).state == ExpiryState::None) {
        return false;
    }
    return search_.matches(record);
}

} // namespace vantrel
