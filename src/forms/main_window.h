#pragma once

#include "forms/qt_progress.h"
#include "session/file_commands.h"
#include "session/main_commands.h"
#include "session/prompts.h"
#include "session/session.h"

#include <QMainWindow>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>

class QAction;
class QLabel;
class QMenu;
class QTableView;
class QToolBar;

namespace vantrel {

class ExpiryMarks;
class FileWatch;
class RecordFilterProxy;
class RecordListActions;
class RecordTableModel;
class SearchField;

// The main window: menu mmMain, toolbar tbMain, the record list lvMain and the
// status bar sbMain. It owns the file commands over the session and asks
// everything through the given Prompts. The rules live in
// session/main_commands.h and session/file_commands.h; this class wires them.
// What is selected belongs to the list view; commands take it as a record id.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    TfmMain(Session& session, Prompts& prompts, QWidget* parent = nullptr);
    ~TfmMain() override;

    FileCommands& fileCommands() { return files_; }

    // The login dialog, shown (not modally) whenever this window becomes active
    // while nobody is logged in.
    void setLoginDialog(QWidget* dialog) { loginDialog_ = dialog; }
    // What ends the program once the close sequence allows it (the close box
    // and Exit); by default it ends the event loop.
    void setProgramEnder(std::function<void()> end) { endProgram_ = std::move(end); }
    // What stores the generator options at the start of every close attempt.
    void setGeneratorOptionsSaver(std::function<void()> save) {
        saveGeneratorOptions_ = std::move(save);
    }

    // The record selected in the list, if any.
    std::optional<RecordId> selectedRecord() const;
    // Selects the record and scrolls to it; nullopt (or a gone id) clears the
    // selection.
    void selectRecord(std::optional<RecordId> id);

    const PasswordColumn& passwordColumn() const { return passwordColumn_; }
    bool toolbarFlat() const { return toolbarFlat_; }

    // The commands (also reachable through the actions).
    void FileOpenCmdExecute();
    void FileSaveCmdExecute();
    void FileSaveAsCmdExecute();
    void PrinterPrprtsExecute();
    void CsvImportExecute();
    void CsvExportExecute();
    void ExitExecute();
    void RcrdAddExecute();
    void RcrdEditExecute();
    void RcrdDeleteExecute();
    void SiteEnterExecute();
    void ShowEulaExecute();
    void ShowAboutExecute();
    void ShowPwdExecute();
    void PwdReportExecute();
    void ProtectCmdExecute();
    void NGeneratorClick();
    void NFlattbMainClick();
    void lvMainColumnClick(int column);
    void FormActivate();
    // Looks whether the current file changed on disk (the watcher of the file
    // and its folder and every activation of the window call it): reads it
    // again, keeping the selected record, or notes that the next write asks.
    // Then watches the current file.
    void lookAtDisk();
    // Empties the search field (before a lock: the typed text may be part of
    // a secret).
    void clearSearch();
    // After the list was emptied: drops the copies of cell texts that Qt
    // keeps from the last drawing (the delegate's data of its last cell, the
    // style's layout of its last item).
    void forgetDrawnTexts();
    // After a login and an unlock: says in the status bar how many records end
    // within the warning days or have ended; a click on it shows only them.
    void showExpiryNote();
    void SettingsExecute();

signals:
    // The command "Заблокировать" (Ctrl+L).
    void lockRequested();
    // The settings window stored new values.
    void settingsChanged();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createActions();
    void createMenu();
    void createToolbar();
    void createList();
    // The search field, the list's copy commands and their status-bar notes.
    void createListTools();
    void showShownCount();
    QAction* addCommand(const char* name, const char* caption, const char* hint,
                        const QKeySequence& shortcut, const QIcon& icon);
    QAction* addMenuItem(QMenu* menu, const char* name, QAction* command, bool visible = true);
    void openEditor(const EditorRequest& request);
    void layoutColumns();
    // After an open: names the file's conflict copies (once per file and run).
    void noteConflictCopies(const std::filesystem::path& file);
    // The fixed width of the "№" column in the list's font.
    int numberColumnWidth() const;

    Session& session_;
    Prompts& prompts_;
    FileCommands files_;
    QtProgress progress_{this};
    RecordTableModel* model_ = nullptr;
    RecordFilterProxy* filter_ = nullptr;
    ExpiryMarks* marks_ = nullptr;
    SearchField* search_ = nullptr;
    RecordListActions* listActions_ = nullptr;
    QLabel* shownCount_ = nullptr;
    QLabel* clipboardCount_ = nullptr;
    QLabel* expiryNote_ = nullptr;
    QTableView* lvMain_ = nullptr;
    QToolBar* tbMain_ = nullptr;
    QWidget* loginDialog_ = nullptr;
    QAction* flatItem_ = nullptr;
    PasswordColumn passwordColumn_;
    bool toolbarFlat_ = true;
    FileWatch* watch_ = nullptr;
    // The files whose conflict copies were named in this run.
    std::set<std::filesystem::path> copiesNamed_;
    std::function<void()> endProgram_;
    std::function<void()> saveGeneratorOptions_;
};

} // namespace vantrel
