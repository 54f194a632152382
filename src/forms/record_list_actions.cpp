#include "forms/record_list_actions.h"

#include "formats/record_rules.h"
#include "forms/clipboard_guard.h"
#include "forms/icons.h"
#include "forms/qt_text.h"
#include "forms/record_table_model.h"
#include "forms/site.h"
#include "session/resource_address.h"

#include <QAbstractItemView>
#include <QAction>
#include <QKeyEvent>
#include <QMenu>

namespace vantrel {

RecordListActions::RecordListActions(const Session& session, Prompts& prompts,
                                     QAbstractItemView* view)
    : QObject(view), session_(session), prompts_(prompts), view_(view) {
    menu_ = new QMenu(view);
    menu_->setObjectName(QStringLiteral("pmList"));
    copyName_ = addAction("ListCopyName", "Копировать имя", QKeySequence(Qt::CTRL | Qt::Key_B));
    copyPassword_ =
        addAction("ListCopyPwd", "Копировать пароль", QKeySequence(Qt::CTRL | Qt::Key_C));
    copyResource_ = addAction("ListCopyResource", "Копировать ресурс", QKeySequence());
    openResource_ = addAction("ListOpenResource", "Открыть ресурс", QKeySequence());
    for (QAction* copy : {copyName_, copyPassword_, copyResource_}) {
        copy->setIcon(commandIcon(CommandIcon::Copy));
    }
    openResource_->setIcon(commandIcon(CommandIcon::Site));
    connect(copyName_, &QAction::triggered, this, [this] { copyField(kFieldName); });
    connect(copyPassword_, &QAction::triggered, this, [this] { copyField(kFieldPassword); });
    connect(copyResource_, &QAction::triggered, this, [this] { copyField(kFieldResource); });
    connect(openResource_, &QAction::triggered, this, [this] {
        if (const auto address = ResourceAddress(field(kFieldResource))) {
            RunCommand(prompts_, [&address] { OpenAddress(fromCp1251(*address)); });
        }
    });

    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        refresh();
        menu_->popup(view_->viewport()->mapToGlobal(at));
    });
    // The view's own Ctrl+C would copy the current cell past the guard.
    view_->installEventFilter(this);

    const auto update = [this] { refresh(); };
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, update);
    connect(view_->model(), &QAbstractItemModel::dataChanged, this, update);
    connect(view_->model(), &QAbstractItemModel::modelReset, this, update);
    connect(view_->model(), &QAbstractItemModel::rowsRemoved, this, update);
    refresh();
}

QAction* RecordListActions::addAction(const char* name, const char* caption,
                                      const QKeySequence& shortcut) {
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    view_->addAction(action);
    menu_->addAction(action);
    return action;
}

const Record* RecordListActions::selectedRecord() const {
    const auto id = SelectedRecord(*view_);
    return id ? session_.find(*id) : nullptr;
}

std::string RecordListActions::field(int field) const {
    const Record* record = selectedRecord();
    return record != nullptr ? RecordFieldText(*record, static_cast<std::size_t>(field))
                             : std::string();
}

void RecordListActions::copyField(int field) {
    ClipboardGuard::instance().copy(fromCp1251(this->field(field)));
}

void RecordListActions::refresh() {
    copyName_->setEnabled(!field(kFieldName).empty());
    copyPassword_->setEnabled(!field(kFieldPassword).empty());
    copyResource_->setEnabled(!field(kFieldResource).empty());
    const bool address = ResourceAddress(field(kFieldResource)).has_value();
    openResource_->setVisible(address);
    openResource_->setEnabled(address);
}

bool RecordListActions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vantrel
