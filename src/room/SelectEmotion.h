#pragma once
// The emoticon picker: one tab per emoticon group (not the "_interest"
// ones), pages of 15 x 6 cells of 30 pixels, a preview of the hovered
// emoticon beside the grid, and a click that hands the emoticon's picture
// to the owner and closes. It is a pop-up, so losing activation closes it.
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "config/Emotion.h"

namespace kel {

class TEmotionGrid;

class TfrmSelectEmotion : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCols = 15;
    static constexpr int kRows = 6;
    static constexpr int kCell = 30;
    static constexpr int kPerPage = kCols * kRows;

    TfrmSelectEmotion(const TEmotion& emotions, QWidget* parent = nullptr);

    // The picture path of the chosen emoticon.
    std::function<void(const std::string& picture)> OnSelect;

    // Placed at `pos` and moved so that it stays on the screen.
    void PopupAt(QPoint pos);

    int Page() const { return page_; }
    int Pages() const;
    void ShowPage(int page);
    void ShowGroup(int tab);
    // Hover and click on a cell of the page (as the mouse does).
    void HoverCell(int index);
    void ClickCell(int index);

    QTabBar* tbc1;
    QPushButton* btnPrior;
    QPushButton* btnNext;
    QLabel* lblPages;
    QWidget* pnlPreview;
    QLabel* imgPreview;
    QLabel* labName;

private:
    friend class TEmotionGrid;
    const std::vector<TEmotionInfo>& Faces() const;
    QPixmap CellPicture(int face_index) const;

    const TEmotion& emotions_;
    std::vector<int> groups_;  // catalogue group of each tab
    int group_ = 0;
    int page_ = 0;
    int hover_ = -1;
    TEmotionGrid* pbImgs;
};

} // namespace kel
