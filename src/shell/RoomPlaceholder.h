#pragma once
// The window of an entered room until the room window proper exists: it is
// titled with the room's name and holds what the entry answer handed over,
// so the hall's one-window-per-room rule already applies to it.
#include <QWidget>

#include "protocol/RoomEntryMessages.h"

class QLabel;

namespace kel {

class TfrmRoomPlaceholder : public QWidget {
    Q_OBJECT
public:
    TfrmRoomPlaceholder(const RoomEntryAnswer& entry, uint32_t room_server_ip, QWidget* owner);

    int32_t RoomID() const { return entry_.Room.RoomID; }
    const RoomEntryAnswer& Entry() const { return entry_; }

private:
    RoomEntryAnswer entry_;
    uint32_t room_server_ip_;
};

} // namespace kel
