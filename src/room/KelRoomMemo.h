#pragma once
// The room banner: the luxury gifts of the room in one row, newest first,
// scrolling slowly to the left and standing still under the mouse. The
// view never scrolls by itself otherwise and shows no scroll bars.
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

#include "protocol/GiftEvent.h"
#include "room/ChatLine.h"
#include "room/KelRoomChatEdit.h"

namespace kel {

class TkelRoomMemo : public QWidget {
    Q_OBJECT
public:
    TkelRoomMemo(const TLineBuilder& lines, QWidget* parent = nullptr);

    // The room window's list of gift event records (8002, 20111).
    std::vector<TGiftEvent> LuXuryGiftList;
    // Stored for the room; the banner's drawing does not read them.
    std::string RoomMemo, RoomFontName;
    int32_t RoomFontColor = 0, RoomFontSize = 0;

    // Rebuilds the banner from LuXuryGiftList.
    void Refresh();
    TKelRoomChatEdit* WBMemo;

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void Step();
    const TLineBuilder& lines_;
    QTimer scroll_;
};

} // namespace kel
