#pragma once

#include "storage/program_state.h"
#include "storage/prompts.h"

#include <QAbstractTableModel>

namespace vantrel {

// The record list of the main window as a table: column 0 is the record
// number, columns 1...6 the fields (a missing field shows empty). It reads
// state.records directly, so it stays light at any number of records; whoever
// changes the list calls refresh().
class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 7;

    RecordTableModel(ProgramState& state, Prompts& prompts, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The in-place edit of a record number; a text that cannot be stored is
    // refused with a message and the number stays.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The list was changed from outside (load, sort, add, edit, delete).
    void refresh();

private:
    ProgramState& state_;
    Prompts& prompts_;
};

} // namespace vantrel
