#include "room/SetMicOrder.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "room/MicControl.h"

namespace kel {

namespace {

// Colours of the user lists, from their BGR values.
QColor Bgr(uint32_t v) { return QColor(v & 0xff, (v >> 8) & 0xff, (v >> 16) & 0xff); }
const QColor kOddRow = Bgr(15525860);
const QColor kEvenRow = Bgr(16381935);

} // namespace

TMicOrderList::TMicOrderList(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(2);
    setHeaderLabels({"昵称", "用户号"});
    header()->resizeSection(0, 155);
    header()->resizeSection(1, 120);
    setRootIsDecorated(false);
    setFont(QFont("宋体", 9));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setStyleSheet("QTreeWidget::item:selected { background: rgb(250, 197, 166); }");
}

void TMicOrderList::Fill(const std::vector<TUserInfoUserMng>& users) {
    users_ = users;
    Paint();
}

void TMicOrderList::Paint() {
    clear();
    for (size_t i = 0; i < users_.size(); ++i) {
        auto* item = new QTreeWidgetItem(this);
        item->setText(0, QString::fromStdString(users_[i].NickName));
        item->setText(1, QString::number(users_[i].UserID));
        item->setForeground(0, Bgr(static_cast<uint32_t>(users_[i].NickColor)));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
        for (int c = 0; c < 2; ++c) item->setBackground(c, i % 2 ? kEvenRow : kOddRow);
    }
}

void TMicOrderList::Drop(int from, int onto) {
    std::vector<int32_t> ids = Order();
    DropQueueRow(ids, from, onto);
    std::vector<TUserInfoUserMng> moved;
    for (int32_t id : ids)
        for (const auto& u : users_)
            if (u.UserID == id) moved.push_back(u);
    users_ = std::move(moved);
    Paint();
}

std::vector<int32_t> TMicOrderList::Order() const {
    std::vector<int32_t> ids;
    for (const auto& u : users_) ids.push_back(u.UserID);
    return ids;
}

void TMicOrderList::dropEvent(QDropEvent* e) {
    // Only a list view is dropped here; the rows move by our own rule.
    if (e->source() != this) return e->ignore();
    const int from = currentItem() ? indexOfTopLevelItem(currentItem()) : -1;
    QTreeWidgetItem* target = itemAt(e->position().toPoint());
    Drop(from, target ? indexOfTopLevelItem(target) : -1);
    e->setDropAction(Qt::IgnoreAction);
    e->accept();
}

TFormSetMicOrder::TFormSetMicOrder(const std::vector<TUserInfoUserMng>& queued, QWidget* parent) : QDialog(parent) {
    setObjectName("FormSetMicOrder");
    setWindowTitle("排麦顺序调整");
    auto* v = new QVBoxLayout(this);
    Label1 = new QLabel("通过鼠标拖动用户在列表的位置来调整顺序", this);
    v->addWidget(Label1);
    ListView1 = new TMicOrderList(this);
    ListView1->setObjectName("ListView1");
    ListView1->Fill(queued);
    v->addWidget(ListView1, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    btnOK = new QPushButton("确认", this);
    btnCancel = new QPushButton("取消", this);
    row->addWidget(btnOK);
    row->addWidget(btnCancel);
    v->addLayout(row);
    connect(btnOK, &QPushButton::clicked, this, [this] { done(1); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(2); });
    resize(300, 320);
}

} // namespace kel
