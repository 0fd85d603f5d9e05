#pragma once
// TUserManage: the directory of the users present in one room. It owns one
// record per user, in arrival order, and keeps every attached list in step:
// a user added is offered to each list, a user removed leaves each list
// before his record is freed. Lists hold pointers to the directory's
// records and never free them. GUI thread only; no lock.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "protocol/UserRecord.h"

namespace kel {

// What the directory asks of an attached list.
class IUserListView {
public:
    virtual ~IUserListView() = default;
    // Offers a new user; the list's own add test decides.
    virtual void AddUser(TUserInfoUserMng* user) = 0;
    // Removes the user's row, if any.
    virtual void RemoveUser(int32_t user_id) = 0;
    // Runs the add test again for a user whose record (or the search) changed.
    virtual void Retest(TUserInfoUserMng* user) = 0;
    // The records changed in place: draw again.
    virtual void Repaint() = 0;
};

class TUserManage {
public:
    // Attaches a list and offers it every known user; false when it was
    // attached already.
    bool AttachView(IUserListView* view);
    void DetachView(IUserListView* view);

    // Copies a new user's record and offers it to every list. A user already
    // present changes nothing (his stored record is kept) and gives nullptr.
    TUserInfoUserMng* AddUser(const TUserInfoUserMng& user);
    // Takes the user out of every list, then frees his record.
    bool RemoveUser(int32_t user_id);

    size_t Count() const { return users_.size(); }
    TUserInfoUserMng* Items(size_t index) const { return users_[index].get(); }
    TUserInfoUserMng* FindUser(int32_t user_id) const;

    // MicState of the user, 0 for a user not present.
    uint8_t GetMicState(int32_t user_id) const;
    bool IsGuest(int32_t user_id) const;
    bool IsRegistered(int32_t user_id) const;

    void RefreshViews();
    // Every list re-tests every user (users with number 0 are left alone).
    void Refilter();

private:
    std::vector<std::unique_ptr<TUserInfoUserMng>> users_;
    std::unordered_map<int32_t, TUserInfoUserMng*> by_id_;
    std::vector<IUserListView*> views_;
};

} // namespace kel
