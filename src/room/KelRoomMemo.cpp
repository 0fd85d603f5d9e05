#include "room/KelRoomMemo.h"

#include <QScrollBar>
#include <QVBoxLayout>

#include "room/RoomBanner.h"

namespace kel {

TkelRoomMemo::TkelRoomMemo(const TLineBuilder& lines, QWidget* parent) : QWidget(parent), lines_(lines) {
    WBMemo = new TKelRoomChatEdit(this);
    WBMemo->setLineWrapMode(QTextEdit::NoWrap);
    WBMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WBMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WBMemo->setFrameShape(QFrame::NoFrame);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(WBMemo);
    setFixedHeight(40);
    scroll_.setInterval(30);
    connect(&scroll_, &QTimer::timeout, this, [this] { Step(); });
}

void TkelRoomMemo::Refresh() {
    WBMemo->ClearText();
    WBMemo->setHtml(QString::fromStdString(BuildBannerHtml(LuXuryGiftList, lines_)));
    WBMemo->horizontalScrollBar()->setValue(0);
    scroll_.start();
}

void TkelRoomMemo::Step() {
    QScrollBar* bar = WBMemo->horizontalScrollBar();
    if (bar->maximum() <= 0) return;
    bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + 1);
}

void TkelRoomMemo::enterEvent(QEnterEvent*) { scroll_.stop(); }
void TkelRoomMemo::leaveEvent(QEvent*) {
    if (!LuXuryGiftList.empty()) scroll_.start();
}

} // namespace kel
