#pragma once
// TFormSetMicOrder: the dialog "排麦顺序调整" in which a manager drags the
// queued users into a new order. Its list is filled once from the queue and
// does not follow the directory afterwards.
#include <QDialog>
#include <QTreeWidget>

#include <cstdint>
#include <vector>

#include "protocol/UserRecord.h"

class QLabel;
class QPushButton;

namespace kel {

// The queue list: a row dropped on another moves as DropQueueRow says.
class TMicOrderList : public QTreeWidget {
    Q_OBJECT
public:
    explicit TMicOrderList(QWidget* parent = nullptr);
    void Fill(const std::vector<TUserInfoUserMng>& users);
    // Row `from` dropped on row `onto` (-1: below the last row).
    void Drop(int from, int onto);
    std::vector<int32_t> Order() const;

protected:
    void dropEvent(QDropEvent* e) override;

private:
    void Paint();
    std::vector<TUserInfoUserMng> users_;
};

class TFormSetMicOrder : public QDialog {
    Q_OBJECT
public:
    TFormSetMicOrder(const std::vector<TUserInfoUserMng>& queued, QWidget* parent = nullptr);
    // The user numbers in the list's current order.
    std::vector<int32_t> GetOrder() const { return ListView1->Order(); }

    QLabel* Label1;
    TMicOrderList* ListView1;
    QPushButton *btnOK, *btnCancel;
};

} // namespace kel
