#include "room/SelectEmotion.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace kel {

// The paint box of the cells.
class TEmotionGrid : public QWidget {
public:
    explicit TEmotionGrid(TfrmSelectEmotion& owner) : QWidget(&owner), owner_(owner) {
        setFixedSize(TfrmSelectEmotion::kCols * TfrmSelectEmotion::kCell + 1,
                     TfrmSelectEmotion::kRows * TfrmSelectEmotion::kCell + 1);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        const int c = TfrmSelectEmotion::kCell;
        const auto& faces = owner_.Faces();
        for (int i = 0; i < TfrmSelectEmotion::kPerPage; ++i) {
            int face = owner_.page_ * TfrmSelectEmotion::kPerPage + i;
            if (face >= static_cast<int>(faces.size())) break;
            QPixmap pm = owner_.CellPicture(face);
            QRect cell((i % TfrmSelectEmotion::kCols) * c, (i / TfrmSelectEmotion::kCols) * c, c, c);
            if (!pm.isNull()) p.drawPixmap(cell.center() - QPoint(pm.width() / 2, pm.height() / 2), pm);
        }
        p.setPen(QColor(210, 210, 210));
        for (int x = 0; x <= TfrmSelectEmotion::kCols; ++x) p.drawLine(x * c, 0, x * c, height());
        for (int y = 0; y <= TfrmSelectEmotion::kRows; ++y) p.drawLine(0, y * c, width(), y * c);
        if (owner_.hover_ >= 0) {
            p.setPen(QColor(0, 128, 255));
            int i = owner_.hover_;
            p.drawRect((i % TfrmSelectEmotion::kCols) * c, (i / TfrmSelectEmotion::kCols) * c, c, c);
        }
    }
    int CellAt(QPoint pt) const {
        const int c = TfrmSelectEmotion::kCell;
        int col = pt.x() / c, row = pt.y() / c;
        if (pt.x() < 0 || pt.y() < 0 || col >= TfrmSelectEmotion::kCols || row >= TfrmSelectEmotion::kRows) return -1;
        return row * TfrmSelectEmotion::kCols + col;
    }
    void mouseMoveEvent(QMouseEvent* e) override { owner_.HoverCell(CellAt(e->position().toPoint())); }
    void leaveEvent(QEvent*) override { owner_.HoverCell(-1); }
    void mouseReleaseEvent(QMouseEvent* e) override { owner_.ClickCell(CellAt(e->position().toPoint())); }

private:
    TfrmSelectEmotion& owner_;
};

TfrmSelectEmotion::TfrmSelectEmotion(const TEmotion& emotions, QWidget* parent)
    : QWidget(parent, Qt::Popup), emotions_(emotions) {
    setWindowTitle("选择表情");
    setAttribute(Qt::WA_DeleteOnClose);
    setStyleSheet("TfrmSelectEmotion { background: #F4F7FB; border: 1px solid #8AA4C8; }");
    tbc1 = new QTabBar(this);
    const auto& groups = emotions_.Groups();
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
        if (groups[g].name.find("_interest") != std::string::npos) continue;
        groups_.push_back(g);
        tbc1->addTab(QString::fromStdString(groups[g].name));
    }
    pbImgs = new TEmotionGrid(*this);
    btnPrior = new QPushButton("上页", this);
    btnNext = new QPushButton("下页", this);
    lblPages = new QLabel(this);
    auto* nav = new QHBoxLayout;
    nav->addStretch();
    nav->addWidget(btnPrior);
    nav->addWidget(lblPages);
    nav->addWidget(btnNext);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    v->addWidget(tbc1);
    v->addWidget(pbImgs);
    v->addLayout(nav);

    pnlPreview = new QWidget(this);
    pnlPreview->setStyleSheet("background: white; border: 1px solid #8AA4C8;");
    pnlPreview->setFixedSize(84, 100);
    imgPreview = new QLabel(pnlPreview);
    imgPreview->setGeometry(2, 2, 80, 72);
    imgPreview->setAlignment(Qt::AlignCenter);
    labName = new QLabel(pnlPreview);
    labName->setGeometry(2, 76, 80, 22);
    labName->setAlignment(Qt::AlignCenter);
    pnlPreview->hide();

    connect(tbc1, &QTabBar::currentChanged, this, [this](int t) { ShowGroup(t); });
    connect(btnPrior, &QPushButton::clicked, this, [this] { ShowPage(page_ - 1); });
    connect(btnNext, &QPushButton::clicked, this, [this] { ShowPage(page_ + 1); });
    ShowGroup(0);
}

const std::vector<TEmotionInfo>& TfrmSelectEmotion::Faces() const {
    static const std::vector<TEmotionInfo> none;
    if (groups_.empty()) return none;
    return emotions_.Groups()[static_cast<size_t>(groups_[static_cast<size_t>(group_)])].faces;
}

QPixmap TfrmSelectEmotion::CellPicture(int face_index) const {
    const auto& f = Faces()[static_cast<size_t>(face_index)];
    QImage img(QString::fromStdString(f.fixed_path));
    if (img.isNull()) img.load(QString::fromStdString(f.org_path));
    if (img.isNull()) return {};
    QPixmap pm = QPixmap::fromImage(img);
    if (f.fixed_path.size() > 4 && f.fixed_path.compare(f.fixed_path.size() - 4, 4, ".bmp") == 0) {
        // Bitmaps are masked by the colour of their lower-left pixel.
        pm.setMask(pm.createMaskFromColor(img.pixelColor(0, img.height() - 1), Qt::MaskInColor));
    }
    return pm.scaled(24, 24, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

int TfrmSelectEmotion::Pages() const {
    int n = static_cast<int>(Faces().size());
    return (n + kPerPage - 1) / kPerPage;
}

void TfrmSelectEmotion::ShowGroup(int tab) {
    group_ = (tab >= 0 && tab < static_cast<int>(groups_.size())) ? tab : 0;
    ShowPage(0);
}

void TfrmSelectEmotion::ShowPage(int page) {
    const int pages = Pages();
    page_ = std::clamp(page, 0, std::max(0, pages - 1));
    lblPages->setText(QString("%1/%2").arg(pages ? page_ + 1 : 0).arg(pages));
    btnPrior->setEnabled(page_ > 0);
    btnNext->setEnabled(page_ + 1 < pages);
    hover_ = -1;
    pnlPreview->hide();
    pbImgs->update();
}

void TfrmSelectEmotion::HoverCell(int index) {
    int face = page_ * kPerPage + index;
    if (index < 0 || face >= static_cast<int>(Faces().size())) {
        hover_ = -1;
        pnlPreview->hide();
        pbImgs->update();
        return;
    }
    hover_ = index;
    const auto& f = Faces()[static_cast<size_t>(face)];
    QPixmap big(QString::fromStdString(f.org_path));
    imgPreview->setPixmap(big);
    labName->setText(QString::fromStdString(f.tip));
    const int col = index % kCols;
    const QPoint grid = pbImgs->pos();
    if (col < 4)
        pnlPreview->move(grid.x() + pbImgs->width() - pnlPreview->width() - 2, grid.y() + 2);
    else if (col > 10)
        pnlPreview->move(grid.x() + 2, grid.y() + 2);
    if (col < 4 || col > 10) {
        pnlPreview->show();
        pnlPreview->raise();
    } else {
        pnlPreview->hide();
    }
    pbImgs->update();
}

void TfrmSelectEmotion::ClickCell(int index) {
    int face = page_ * kPerPage + index;
    if (index < 0 || index != hover_ || face >= static_cast<int>(Faces().size())) return;
    std::string picture = Faces()[static_cast<size_t>(face)].org_path;
    auto select = OnSelect;
    close();
    if (select) select(picture);
}

void TfrmSelectEmotion::PopupAt(QPoint pos) {
    adjustSize();
    QRect r(pos, size());
    if (QScreen* s = QGuiApplication::screenAt(pos)) {
        QRect avail = s->availableGeometry();
        if (r.right() > avail.right()) r.moveRight(avail.right());
        if (r.bottom() > avail.bottom()) r.moveBottom(avail.bottom());
        if (r.left() < avail.left()) r.moveLeft(avail.left());
        if (r.top() < avail.top()) r.moveTop(avail.top());
    }
    move(r.topLeft());
    show();
}

} // namespace kel
