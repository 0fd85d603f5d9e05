#include "room/UserList.h"

namespace kel {

void TUserList::AddUser(TUserInfoUserMng* user) {
    bool ok = true;
    if (OnAddEvent) OnAddEvent(user, RowCount(), ok);
    if (!ok) return;
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(FindInsertIndex(*user)), user);
    Changed();
}

void TUserList::RemoveUser(int32_t user_id) {
    const int i = IndexOf(user_id);
    if (i >= 0) {
        rows_.erase(rows_.begin() + i);
        Changed();
    }
    // Told even when no row matched, so that a tab caption stays right.
    if (OnDelEvent) OnDelEvent(user_id, RowCount());
}

void TUserList::Retest(TUserInfoUserMng* user) {
    if (!user || user->UserID == 0) return;
    if (IndexOf(user->UserID) >= 0) {
        bool ok = true;
        if (OnAddEvent) OnAddEvent(user, RowCount() - 1, ok);
        if (!ok) RemoveUser(user->UserID);
    } else {
        AddUser(user);
    }
}

void TUserList::Repaint() { Changed(); }

void TUserList::Clear() {
    rows_.clear();
    Changed();
}

int TUserList::IndexOf(int32_t user_id) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i]->UserID == user_id) return static_cast<int>(i);
    return -1;
}

size_t TUserList::FindInsertIndex(const TUserInfoUserMng& user) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i]->SortRank > user.SortRank || rows_[i]->UserID == user.UserID) return i;
    return rows_.size();
}

size_t TOrderList::FindInsertIndex(const TUserInfoUserMng& user) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i]->MicOrder > user.MicOrder || rows_[i]->UserID == user.UserID) return i;
    return rows_.size();
}

void TUserList::Changed() {
    if (OnRowsChanged) OnRowsChanged();
}

} // namespace kel
