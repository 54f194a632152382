#pragma once

#include "session/prompts.h"
#include "session/session.h"

#include <QAbstractTableModel>

class QAbstractItemView;

#include <optional>

namespace vantrel {

// The session's record list as a table: column 0 is the record number, columns
// 1...6 the fields (a missing field shows empty). Row r is the session's row r;
// the model follows every change of the session through its observer calls, so
// views (and proxy models between them and this one) keep their selection.
class RecordTableModel : public QAbstractTableModel, private SessionObserver {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 7;

    RecordTableModel(Session& session, Prompts& prompts, QObject* parent = nullptr);
    ~RecordTableModel() override;

    // The record shown at `index` of this model; nullopt for an invalid index.
    std::optional<RecordId> recordId(const QModelIndex& index) const;
    // The index of a record in this model; invalid when the id is gone.
    QModelIndex indexOf(RecordId id, int column = 0) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The in-place edit of a record number; a new number sets the modified
    // flag, a text that cannot be stored is refused with a message and the
    // number stays.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    void recordsAboutToBeReset() override;
    void recordsReset() override;
    void recordAboutToBeInserted(std::size_t row) override;
    void recordInserted(std::size_t row) override;
    void recordAboutToBeRemoved(std::size_t row) override;
    void recordRemoved(std::size_t row) override;
    void recordChanged(std::size_t row) override;

    Session& session_;
    Prompts& prompts_;
};

// An index of a view's model, mapped through any proxy models down to the
// model at the bottom (for example a RecordTableModel), and back up.
QModelIndex ToSourceIndex(QModelIndex viewIndex);
QModelIndex ToViewIndex(const QAbstractItemModel* viewModel, QModelIndex sourceIndex);

// The record selected in a view of a RecordTableModel (through any proxies).
std::optional<RecordId> SelectedRecord(const QAbstractItemView& view);

} // namespace vantrel
