#include "forms/record_table_model.h"

#include "forms/qt_text.h"
#include "storage/main_commands.h"

namespace vantrel {

namespace {

const char* const kHeaders[RecordTableModel::kColumnCount] = {
    "№", "Имя", "Пароль", "Ресурс", "Начало действия", "Окончание действия", "Описание"};

} // namespace

RecordTableModel::RecordTableModel(ProgramState& state, Prompts& prompts, QObject* parent)
    : QAbstractTableModel(parent), state_(state), prompts_(prompts) {}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(state_.records.size());
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) ||
        static_cast<std::size_t>(index.row()) >= state_.records.size()) {
        return {};
    }
    const Record& record = state_.records[static_cast<std::size_t>(index.row())];
    if (index.column() == 0) {
        return fromCp1251(record.number);
    }
    const auto field = static_cast<std::size_t>(index.column() - 1);
    return field < record.fields.size() ? fromCp1251(record.fields[field]) : QString();
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount) {
        return {};
    }
    return QString::fromUtf8(kHeaders[section]);
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool RecordTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::EditRole) {
        return false;
    }
    const bool stored = RunCommand(prompts_, [&] {
        RenameRecord(state_, static_cast<std::size_t>(index.row()), toCp1251(value.toString()));
    });
    if (stored) {
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    }
    return stored;
}

void RecordTableModel::refresh() {
    beginResetModel();
    endResetModel();
}

} // namespace vantrel
