#include "shell/SkinApply.h"

#include <QApplication>
#include <QDir>
#include <QString>

#include <unistd.h>

#include "config/SetSkin.h"

namespace kel {

std::string SkinImageFolder(int index) {
    return (QDir::tempPath() + QString("/kelroom-skin-%1/%2").arg(getpid()).arg(index)).toStdString();
}

bool ApplySkinToApplication(const TSkinData& skin, int index) {
    const std::string folder = SkinImageFolder(index);
    const bool ok = skin.ExtractImages(folder);
    if (qApp) qApp->setStyleSheet(QString::fromStdString(skin.StyleSheetFor(folder)));
    return ok;
}

void ConnectSkins(TSetSkin& skins) {
    skins.SetOnApply([](const TSkinData& skin, int index) { ApplySkinToApplication(skin, index); });
}

} // namespace kel
