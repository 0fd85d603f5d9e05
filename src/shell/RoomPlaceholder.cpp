#include "shell/RoomPlaceholder.h"

#include <QLabel>
#include <QVBoxLayout>

#include "foundation/kelUtils.h"

namespace kel {

TfrmRoomPlaceholder::TfrmRoomPlaceholder(const RoomEntryAnswer& entry, uint32_t room_server_ip, QWidget* owner)
    : QWidget(owner, Qt::Window), entry_(entry), room_server_ip_(room_server_ip) {
    setObjectName("TfrmChatMulti");
    setAttribute(Qt::WA_DeleteOnClose);
    const QString name = QString::fromStdString(entry.Room.RoomName);
    setWindowTitle(name.isEmpty() ? QString::number(entry.Room.RoomID) : name);
    auto* info = new QLabel(this);
    info->setObjectName("lblRoomInfo");
    info->setTextFormat(Qt::PlainText); // room texts come from the server
    info->setAlignment(Qt::AlignCenter);
    info->setText(QString("%1 (%2)\n%3\n\n房间服务器 %4，房间票据 %5")
                      .arg(name)
                      .arg(entry.Room.RoomID)
                      .arg(QString::fromStdString(entry.Room.Description))
                      .arg(QString::fromStdString(AddressToText(room_server_ip)))
                      .arg(entry.RoomTicket));
    auto* v = new QVBoxLayout(this);
    v->addWidget(info);
    resize(640, 420);
}

} // namespace kel
