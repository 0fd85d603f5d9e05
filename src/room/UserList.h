#pragma once
// TUserList: the rows of one user list, without drawing. The directory
// offers users; the add event decides whether a user belongs here; rows are
// kept ordered by SortRank (lower first, equal ranks in arrival order).
// TOrderList orders by MicOrder instead (the mic queue). The widget that
// draws a list observes its rows through OnRowsChanged.
#include <cstdint>
#include <functional>
#include <vector>

#include "room/UserManage.h"

namespace kel {

class TUserList : public IUserListView {
public:
    // PUser, the current row count, and bOk which the handler may clear.
    using TAddEvent = std::function<void(TUserInfoUserMng* PUser, int count, bool& bOk)>;
    // The removed number and the remaining row count.
    using TDelEvent = std::function<void(int32_t AUserID, int Count)>;

    TAddEvent OnAddEvent;
    TDelEvent OnDelEvent;
    // Rows were added, removed or need drawing again.
    std::function<void()> OnRowsChanged;

    void AddUser(TUserInfoUserMng* user) override;
    void RemoveUser(int32_t user_id) override;
    void Retest(TUserInfoUserMng* user) override;
    void Repaint() override;
    void Clear();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    TUserInfoUserMng* Row(int index) const { return rows_[static_cast<size_t>(index)]; }
    // Row index of the user, or -1.
    int IndexOf(int32_t user_id) const;

protected:
    // Where a new row goes: before the first row with a greater rank or the
    // same user number; the end if there is none.
    virtual size_t FindInsertIndex(const TUserInfoUserMng& user) const;

    std::vector<TUserInfoUserMng*> rows_;

private:
    void Changed();
};

class TOrderList : public TUserList {
protected:
    // By MicOrder (signed), equal positions in arrival order.
    size_t FindInsertIndex(const TUserInfoUserMng& user) const override;
};

} // namespace kel
