#pragma once

#include "session/record_search.h"
#include "session/session.h"

#include <QSortFilterProxyModel>

#include <unordered_set>

namespace vantrel {

class RecordTableModel;

// The record list as the search field filters it. It only hides rows: order,
// numbers and data are the table model's. A record added or changed while a
// search is active stays shown until the search text changes, so the user sees
// what was just done.
class RecordFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    RecordFilterProxy(Session& session, RecordTableModel* source, QObject* parent = nullptr);

    void setSearchText(const QString& text);
    // Shows only the records that have ended or end within the warning days
    // (session/expiry.h), on top of the search.
    void setEndingOnly(bool endingOnly);
    bool endingOnly() const { return endingOnly_; }
    bool filtering() const { return !search_.empty() || endingOnly_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void keepShown(int firstRow, int lastRow);

    Session& session_;
    RecordSearch search_;
    std::unordered_set<RecordId> kept_;
    bool endingOnly_ = false;
};

} // namespace vantrel
