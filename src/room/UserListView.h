#pragma once
// TUserListView: draws one TUserList. Two columns, "昵称" (150) and "用户号"
// (80); rows of RowHeight pixels in alternating colours; per row the mic
// picture, the level picture (animated at half speed when the level has a
// .gif) and the head picture, then the nickname in the user's colour and
// the number. A left click selects the user (OnSelectUser), a right click
// asks for the pop-up menu (OnOperateUser with screen coordinates).
#include <QAbstractScrollArea>
#include <QPixmap>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "room/UserList.h"

class QMovie;

namespace kel {

class TUserListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    TUserListView(TUserList& list, QWidget* parent = nullptr);
    ~TUserListView() override;

    int RowHeight() const { return row_height_; }
    void SetRowHeight(int h);
    // The pictures: cells of the mic and head strips, and the folder of the
    // level icons ("<level>.gif", "<level>.bmp", "默认头像.bmp", "ForbidChat.bmp").
    void SetMicImgList(std::vector<QPixmap> cells) { mic_imgs_ = std::move(cells); viewport()->update(); }
    void SetHeadImgList(std::vector<QPixmap> cells) { head_imgs_ = std::move(cells); viewport()->update(); }
    void SetPathRes(const std::string& folder);

    std::function<void(int32_t AUserID)> OnSelectUser;
    std::function<void(int32_t AUserID, int X, int Y)> OnOperateUser;

    TUserList& List() { return list_; }
    int SelectedRow() const { return selected_; }
    // The row at a viewport position, or -1.
    int RowAt(QPoint viewport_pos) const;

    static constexpr int kHeaderHeight = 19;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RowsChanged();
    void PaintHeader(QWidget* on);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void UpdateScroll();
    QMovie* LevelMovie(const std::string& level);
    const QPixmap* LevelPicture(const std::string& level);

    TUserList& list_;
    QWidget* header_;
    int row_height_ = 18;
    int selected_ = -1;
    int32_t selected_id_ = 0;
    std::vector<QPixmap> mic_imgs_, head_imgs_;
    std::string path_res_;
    // One animation per level name, shared by the rows of that level.
    std::map<std::string, std::unique_ptr<QMovie>> movies_;
    std::map<std::string, QPixmap> bitmaps_;
    QPixmap default_head_, forbid_chat_;
};

// Cuts a horizontal strip of square cells (height = cell size) into
// pictures, the colour of its top-left pixel made transparent.
std::vector<QPixmap> LoadImageStrip(const std::string& file);
// A bitmap with magenta made transparent.
QPixmap LoadMaskedBitmap(const std::string& file, QRgb mask);

} // namespace kel
