#include "room/UserListView.h"

#include <QBitmap>
#include <QFileInfo>
#include <QMouseEvent>
#include <QMovie>
#include <QEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

#include "room/RoomTexts.h"

namespace kel {

namespace {

const QColor kSelected(250, 197, 166);
const QColor kOdd(228, 231, 236);
const QColor kEven(239, 247, 249);
constexpr int kNickWidth = 150;

QString Q(const std::string& s) { return QString::fromStdString(s); }

QColor NickColor(int32_t c) {
    const uint32_t v = static_cast<uint32_t>(c);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>(v >> 8 & 0xFF), static_cast<int>(v >> 16 & 0xFF));
}

} // namespace

std::vector<QPixmap> LoadImageStrip(const std::string& file) {
    std::vector<QPixmap> cells;
    QImage img(Q(file));
    if (img.isNull() || img.height() <= 0) return cells;
    img = img.convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = img.pixel(0, 0);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (mask & 0xFFFFFF)) img.setPixel(x, y, 0);
    const int cell = img.height();
    for (int x = 0; x + cell <= img.width(); x += cell) cells.push_back(QPixmap::fromImage(img.copy(x, 0, cell, cell)));
    return cells;
}

QPixmap LoadMaskedBitmap(const std::string& file, QRgb mask) {
    QImage img(Q(file));
    if (img.isNull()) return {};
    img = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (mask & 0xFFFFFF)) img.setPixel(x, y, 0);
    return QPixmap::fromImage(img);
}

TUserListView::TUserListView(TUserList& list, QWidget* parent)
    : QAbstractScrollArea(parent), list_(list), header_(new QWidget(this)) {
    header_->setObjectName("header");
    header_->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setViewportMargins(0, kHeaderHeight, 0, 0);
    QFont f = font();
    f.setPointSize(9);
    setFont(f);
    list_.OnRowsChanged = [this] { RowsChanged(); };
}

TUserListView::~TUserListView() { list_.OnRowsChanged = nullptr; }

void TUserListView::SetRowHeight(int h) {
    row_height_ = std::max(16, h);
    UpdateScroll();
    viewport()->update();
}

void TUserListView::SetPathRes(const std::string& folder) {
    path_res_ = folder;
    movies_.clear();
    bitmaps_.clear();
    default_head_ = QPixmap(Q(folder + "默认头像.bmp"));
    forbid_chat_ = LoadMaskedBitmap(folder + "ForbidChat.bmp", qRgb(255, 0, 255));
    viewport()->update();
}

void TUserListView::RowsChanged() {
    // Keep the selection on the same user.
    selected_ = selected_id_ ? list_.IndexOf(selected_id_) : -1;
    UpdateScroll();
    viewport()->update();
}

void TUserListView::UpdateScroll() {
    const int total = list_.RowCount() * row_height_;
    verticalScrollBar()->setRange(0, std::max(0, total - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(row_height_);
}

void TUserListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    header_->setGeometry(frameWidth(), frameWidth(), width() - 2 * frameWidth(), kHeaderHeight);
    UpdateScroll();
}

QMovie* TUserListView::LevelMovie(const std::string& level) {
    // A level name from the network names a file only when it is a plain name.
    if (!IsPlainFileName(level)) return nullptr;
    auto it = movies_.find(level);
    if (it != movies_.end()) return it->second.get();
    std::unique_ptr<QMovie> m;
    const QString path = Q(path_res_ + level + ".gif");
    if (QFileInfo(path).isFile()) {
        m = std::make_unique<QMovie>(path);
        if (m->isValid()) {
            m->setSpeed(50);
            connect(m.get(), &QMovie::frameChanged, viewport(), [this] { viewport()->update(); });
            m->start();
        } else {
            m.reset();
        }
    }
    QMovie* raw = m.get();
    movies_[level] = std::move(m);
    return raw;
}

const QPixmap* TUserListView::LevelPicture(const std::string& level) {
    if (IsPlainFileName(level)) {
        auto it = bitmaps_.find(level);
        if (it == bitmaps_.end()) it = bitmaps_.emplace(level, QPixmap(Q(path_res_ + level + ".bmp"))).first;
        if (!it->second.isNull()) return &it->second;
    }
    return default_head_.isNull() ? nullptr : &default_head_;
}

int TUserListView::RowAt(QPoint pos) const {
    const int y = pos.y() + verticalScrollBar()->value();
    if (y < 0) return -1;
    const int row = y / row_height_;
    return row < list_.RowCount() ? row : -1;
}

bool TUserListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == header_ && event->type() == QEvent::Paint) {
        PaintHeader(header_);
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// The two column titles above the rows.
void TUserListView::PaintHeader(QWidget* on) {
    {
        QPainter hp(on);
        const QRect hr = on->rect();
        hp.fillRect(hr, palette().button());
        hp.setPen(palette().color(QPalette::Mid));
        hp.drawLine(hr.bottomLeft(), hr.bottomRight());
        hp.drawLine(hr.left() + kNickWidth, hr.top() + 2, hr.left() + kNickWidth, hr.bottom() - 2);
        hp.setPen(palette().color(QPalette::ButtonText));
        hp.drawText(hr.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, "昵称");
        hp.drawText(hr.adjusted(kNickWidth + 4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, "用户号");
    }
}

void TUserListView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int w = viewport()->width();
    const int off = verticalScrollBar()->value();
    // Bands below the last row keep the alternation going.
    const int bands = static_cast<int>(std::lround((viewport()->height() - 19) / double(row_height_))) + 1;
    for (int k = 0; k <= bands + 1; ++k) {
        const int top = 2 + k * row_height_ - (off % row_height_) - row_height_;
        p.fillRect(0, top, w, row_height_, (k % 2) ? kEven : kOdd);
    }
    const int first = off / row_height_;
    for (int i = first; i < list_.RowCount(); ++i) {
        const int top = i * row_height_ - off;
        if (top > viewport()->height()) break;
        const TUserInfoUserMng* u = list_.Row(i);
        const QRect row(0, top, w, row_height_);
        p.fillRect(row, i == selected_ ? kSelected : (i % 2 ? kOdd : kEven));
        const int L = 1, T = top + (row_height_ - 16) / 2;
        const int mic_index = u->MicState != 0 ? u->MicState + 1 : u->IdleMicImage;
        // Indexes from the network are checked against the strips.
        if (mic_index >= 0 && static_cast<size_t>(mic_index) < mic_imgs_.size())
            p.drawPixmap(L, T, mic_imgs_[static_cast<size_t>(mic_index)]);
        if (u->HeadIndex >= 0 && static_cast<size_t>(u->HeadIndex) < head_imgs_.size())
            p.drawPixmap(L + 36, T, head_imgs_[static_cast<size_t>(u->HeadIndex)]);
        const std::string level = u->LevelName;
        if (QMovie* m = LevelMovie(level)) p.drawPixmap(L + 18, T, m->currentPixmap());
        else if (const QPixmap* pm = LevelPicture(level)) p.drawPixmap(L + 18, T, *pm);
        if (u->ChatForbidden && !forbid_chat_.isNull()) p.drawPixmap(L + 44, T + 8, forbid_chat_);
        p.setPen(NickColor(u->NickColor));
        const QRect nick(L + 55, top, kNickWidth - 57, row_height_);
        p.drawText(nick, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(Q(u->NickName).trimmed(), Qt::ElideRight, nick.width()));
        p.setPen(Qt::black);
        p.drawText(QRect(kNickWidth + 1, top, w - kNickWidth - 1, row_height_), Qt::AlignVCenter | Qt::AlignLeft,
                   QString::number(u->UserID));
    }
}

void TUserListView::mousePressEvent(QMouseEvent* event) {
    const Qt::MouseButtons b = event->buttons();
    const bool plain = event->modifiers() == Qt::NoModifier;
    const int row = RowAt(event->position().toPoint());
    if (row < 0 || !plain || (b != Qt::RightButton && b != Qt::LeftButton)) return;
    selected_ = row;
    selected_id_ = list_.Row(row)->UserID;
    viewport()->update();
    const int32_t id = selected_id_;
    if (b == Qt::RightButton) {
        const QPoint g = event->globalPosition().toPoint();
        if (OnOperateUser) OnOperateUser(id, g.x(), g.y());
    } else if (OnSelectUser) {
        OnSelectUser(id);
    }
}

} // namespace kel
