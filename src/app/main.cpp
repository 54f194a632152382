#include "app/application.h"
#include "app/startup.h"
#include "base/process_hardening.h"
#include "formats/program_folders.h"
#include "forms/main_window.h"
#include "forms/program_lock.h"
#include "forms/user_pwd.h"
#include "session/session.h"

#include <cstdio>

// Vantrel Lite takes no command-line arguments of its own.
int main(int argc, char** argv) {
    vantrel::WipeFreedMemory(argv);
    vantrel::HardenProcess();
    if (const auto message = vantrel::MissingDisplayMessage()) {
        std::fprintf(stderr, "%s\n", message->c_str());
        return 1;
    }
    vantrel::VantrelApplication app(argc, argv);
    vantrel::PrepareSettingsFolder(vantrel::SettingsFolderForThisRun(),
                                   vantrel::RunningProgramDirectory());

    vantrel::Session session;
    vantrel::TfmMain fmMain(session, app.prompts());
    vantrel::TfmUserPwd fmUserPwd(session, fmMain.fileCommands(), app.prompts(), &fmMain);
    fmUserPwd.hide();
    fmMain.setLoginDialog(&fmUserPwd);
    vantrel::ProgramLock lock(fmMain, session, app.prompts());
    lock.listenTo(QDBusConnection::sessionBus(), QDBusConnection::systemBus());
    QObject::connect(&fmUserPwd, &vantrel::TfmUserPwd::loggedIn, &fmMain, [&] {
        lock.applySettings();
        fmMain.showExpiryNote();
    });
    fmMain.show();
    // Without a window manager nothing activates the window by itself; the
    // activation is what brings up the login dialog.
    fmMain.activateWindow();
    return app.exec();
}
