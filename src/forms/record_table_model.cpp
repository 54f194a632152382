#include "forms/record_table_model.h"

#include "formats/record_rules.h"
#include "forms/qt_text.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>

#include <vector>

namespace vantrel {

namespace {

const char* const kHeaders[RecordTableModel::kColumnCount] = {
    "№", "Имя", "Пароль", "Ресурс", "Начало действия", "Окончание действия", "Описание"};

int toRow(std::size_t row) {
    return static_cast<int>(row);
}

} // namespace

RecordTableModel::RecordTableModel(Session& session, Prompts& prompts, QObject* parent)
    : QAbstractTableModel(parent), session_(session), prompts_(prompts) {
    session_.addObserver(this);
}

RecordTableModel::~RecordTableModel() {
    session_.removeObserver(this);
}

std::optional<RecordId> RecordTableModel::recordId(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this ||
        static_cast<std::size_t>(index.row()) >= session_.size()) {
        return std::nullopt;
    }
    return session_.idAt(static_cast<std::size_t>(index.row()));
}

QModelIndex RecordTableModel::indexOf(RecordId id, int column) const {
    const auto row = session_.rowOf(id);
    return row ? index(toRow(*row), column) : QModelIndex();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : toRow(session_.size());
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) ||
        static_cast<std::size_t>(index.row()) >= session_.size()) {
        return {};
    }
    const Record& record = session_.records()[static_cast<std::size_t>(index.row())];
    if (index.column() == 0) {
        return fromCp1251(record.number);
    }
    return fromCp1251(RecordFieldText(record, static_cast<std::size_t>(index.column() - 1)));
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
    const auto id = recordId(index);
    if (!id || index.column() != 0 || role != Qt::EditRole) {
        return false;
    }
    // The session reports the change (recordChanged), which emits dataChanged.
    return RunCommand(prompts_, [&] { session_.renumber(*id, toCp1251(value.toString())); });
}

void RecordTableModel::recordsAboutToBeReset() {
    beginResetModel();
}

void RecordTableModel::recordsReset() {
    endResetModel();
}

void RecordTableModel::recordAboutToBeInserted(std::size_t row) {
    beginInsertRows({}, toRow(row), toRow(row));
}

void RecordTableModel::recordInserted(std::size_t) {
    endInsertRows();
}

void RecordTableModel::recordAboutToBeRemoved(std::size_t row) {
    beginRemoveRows({}, toRow(row), toRow(row));
}

void RecordTableModel::recordRemoved(std::size_t) {
    endRemoveRows();
}

void RecordTableModel::recordChanged(std::size_t row) {
    emit dataChanged(index(toRow(row), 0), index(toRow(row), kColumnCount - 1),
                     {Qt::DisplayRole, Qt::EditRole});
}

QModelIndex ToSourceIndex(QModelIndex viewIndex) {
    while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(viewIndex.model())) {
        viewIndex = proxy->mapToSource(viewIndex);
    }
    return viewIndex;
}

QModelIndex ToViewIndex(const QAbstractItemModel* viewModel, QModelIndex sourceIndex) {
    std::vector<const QAbstractProxyModel*> proxies;
    for (auto* proxy = qobject_cast<const QAbstractProxyModel*>(viewModel); proxy != nullptr;
         proxy = qobject_cast<const QAbstractProxyModel*>(proxy->sourceModel())) {
        proxies.push_back(proxy);
    }
    for (auto at = proxies.rbegin(); at != proxies.rend(); ++at) {
        sourceIndex = (*at)->mapFromSource(sourceIndex);
    }
    return sourceIndex;
}

std::optional<RecordId> SelectedRecord(const QAbstractItemView& view) {
    const QModelIndexList rows = view.selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    const QModelIndex index = ToSourceIndex(rows.first());
    const auto* model = qobject_cast<const RecordTableModel*>(index.model());
    return model != nullptr ? model->recordId(index) : std::nullopt;
}

} // namespace vantrel
