// The Room program: the global objects in their order, the login window or
// the launcher's two enciphered arguments, then the room hall until it
// closes; the global objects go in reverse order.
#include <QApplication>
#include <QDir>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <string>

#include "config/ChatCFG.h"
#include "config/RightQuery.h"
#include "config/SetSkin.h"
#include "foundation/kelDebug.h"
#include "foundation/kelUtils.h"
#include "platform/AppFolder.h"
#include "protocol/Encrypt.h"
#include "shell/LaunchArgs.h"
#include "shell/Login.h"
#include "shell/OwnUser.h"
#include "shell/QtLoop.h"
#include "shell/RoomHall.h"
#include "shell/SkinApply.h"
#include "shell/SkinMessage.h"

namespace {

// The hidden audio settings form; the audio pipeline fills it later.
class TfrmAudio : public QWidget {
public:
    TfrmAudio() { setObjectName("TfrmAudio"); }
};

struct Globals {
    // Made in this order and freed in reverse: the log, the cipher, the
    // configuration with the server list, the skins, the rights.
    std::unique_ptr<kel::TSetSkin> skins;
    Globals() {
        kel::Log("Room: start");
        kel::CreateGlobalEncrypt();
        kel::GlobalChatCFG = new kel::TkelChatCFG(kel::ApplicationFolder());
        kel::GlobalChatCFG->Load([](const std::string& host) { return kel::ResolveHost(host); });
        skins = std::make_unique<kel::TSetSkin>(kel::ApplicationFolder());
        kel::ConnectSkins(*skins);
        kel::GlobalRightQuery = new kel::TRightQuery;
    }
    ~Globals() {
        delete kel::GlobalRightQuery;
        kel::GlobalRightQuery = nullptr;
        skins.reset();
        delete kel::GlobalChatCFG;
        kel::GlobalChatCFG = nullptr;
        kel::FreeGlobalEncrypt();
        QDir(QDir::tempPath() + QString("/kelroom-skin-%1").arg(getpid())).removeRecursively();
        kel::Log("Room: end");
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("聊天室");
    QApplication::setQuitOnLastWindowClosed(false);
    Globals globals;
    kel::QtLoop loop;
    kel::TOwnUser& own = kel::OwnUser();

    if (kel::IsLauncherMode(std::vector<std::string>(argv + 1, argv + argc))) {
        try {
            const kel::TLaunchUser u = kel::DecodeLaunchArguments(argv[1], argv[2]);
            own.UserID = u.user_id;
            own.PasswordDigest = u.digest;
        } catch (const std::exception& e) {
            // A launcher that sends what cannot be deciphered gets a clear
            // answer instead of a hall running on garbage.
            std::fprintf(stderr, "Room: %s\n", e.what());
            kel::TSkinMessage::ShowMessage(nullptr, QString("启动参数无效：%1").arg(e.what()));
            return 1;
        }
    } else {
        kel::TfrmLogin login(loop, *kel::GlobalChatCFG, own);
        if (login.exec() != QDialog::Accepted) return 0;
    }

    kel::TfrmRoomHall hall(loop, *kel::GlobalChatCFG, own, globals.skins.get());
    TfrmAudio audio;
    QObject::connect(&hall, &kel::TfrmRoomHall::HallClosed, &app, &QApplication::quit, Qt::QueuedConnection);
    hall.show();
    return app.exec();
}
