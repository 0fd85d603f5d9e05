// The Room program: the global objects in their order, the login window or
// the launcher's two enciphered arguments, then the room hall until it
// closes; the global objects go in reverse order.
#include <QApplication>
#include <QDir>
#include <QWidget>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/ChatCFG.h"
#include "config/SetSkin.h"
#include "shell/Login.h"
#include "shell/OwnUser.h"
#include "shell/QtLoop.h"
#include "shell/RoomHall.h"
#include "shell/SkinApply.h"
#include "shell/SkinMessage.h"
#include "shell/Startup.h"

namespace {

// The hidden audio settings form; the audio pipeline fills it later.
class TfrmAudio : public QWidget {
public:
    TfrmAudio() { setObjectName("TfrmAudio"); }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kel::kAppTitle);
    QApplication::setQuitOnLastWindowClosed(false);

    const kel::TLaunchArgs launch = kel::ParseLaunchArgs(std::vector<std::string>(argv + 1, argv + argc));
    int rc = 0;
    {
        kel::TAppGlobals globals({});
        kel::ConnectSkins(*kel::GlobalSetSkin);
        kel::QtLoop loop;
        kel::TOwnUser& own = kel::OwnUser();
        bool go = true;
        if (launch.mode == kel::TLaunchMode::Launcher) {
            if (!launch.error.empty()) {
                std::fprintf(stderr, "Room: %s\n", launch.error.c_str());
                kel::TSkinMessage::ShowMessage(nullptr, QString::fromStdString(launch.error));
                go = false;
                rc = 1;
            }
            own.UserID = launch.user_id;
            own.PasswordDigest = launch.pwd_digest;
        } else {
            kel::TfrmLogin login(loop, *kel::GlobalChatCFG, own);
            go = login.exec() == QDialog::Accepted;
        }
        if (go) {
            kel::TfrmRoomHall hall(loop, *kel::GlobalChatCFG, own, kel::GlobalSetSkin);
            TfrmAudio audio;
            QObject::connect(&hall, &kel::TfrmRoomHall::HallClosed, &app, &QApplication::quit, Qt::QueuedConnection);
            hall.show();
            rc = app.exec();
        }
    }
    QDir(QDir::tempPath() + QString("/kelroom-skin-%1").arg(getpid())).removeRecursively();
    return rc;
}
