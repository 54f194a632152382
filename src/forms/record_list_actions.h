#pragma once

#include "session/prompts.h"
#include "session/session.h"

#include <QObject>

#include <optional>
#include <string>

class QAbstractItemView;
class QAction;
class QMenu;

namespace vantrel {

// The record list's own commands: copying the selected record's name (Ctrl+B),
// password (Ctrl+C) or resource through the ClipboardGuard, and opening the
// resource in the browser when it is a web address or a host name. They are
// offered in the list's context menu, and their shortcuts work while the list
// has the focus (an editor inside the list keeps its own Ctrl+C).
class RecordListActions : public QObject {
    Q_OBJECT
public:
    // `view` already shows a RecordTableModel (through any proxies).
    // `prompts` shows what goes wrong when the resource is opened.
    RecordListActions(const Session& session, Prompts& prompts, QAbstractItemView* view);

    // Enables the commands that the selected record has something for.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(const char* name, const char* caption, const QKeySequence& shortcut);
    const Record* selectedRecord() const;
    std::string field(int field) const; // 1251; empty without a selection
    void copyField(int field);

    const Session& session_;
    Prompts& prompts_;
    QAbstractItemView* view_;
    QMenu* menu_ = nullptr;
    QAction* copyName_ = nullptr;
    QAction* copyPassword_ = nullptr;
    QAction* copyResource_ = nullptr;
    QAction* openResource_ = nullptr;
};

} // namespace vantrel
