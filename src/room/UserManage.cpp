#include "room/UserManage.h"

#include <algorithm>

namespace kel {

bool TUserManage::AttachView(IUserListView* view) {
    if (!view || std::find(views_.begin(), views_.end(), view) != views_.end()) return false;
    views_.push_back(view);
    for (auto& u : users_) view->AddUser(u.get());
    return true;
}

void TUserManage::DetachView(IUserListView* view) {
    std::erase(views_, view);
}

TUserInfoUserMng* TUserManage::AddUser(const TUserInfoUserMng& user) {
    if (by_id_.contains(user.UserID)) return nullptr;
    users_.push_back(std::make_unique<TUserInfoUserMng>(user));
    TUserInfoUserMng* rec = users_.back().get();
    by_id_[rec->UserID] = rec;
    for (auto* v : views_) v->AddUser(rec);
    return rec;
}

bool TUserManage::RemoveUser(int32_t user_id) {
    auto it = by_id_.find(user_id);
    if (it == by_id_.end()) return false;
    for (auto* v : views_) v->RemoveUser(user_id);
    const TUserInfoUserMng* rec = it->second;
    by_id_.erase(it);
    std::erase_if(users_, [rec](const auto& p) { return p.get() == rec; });
    return true;
}

TUserInfoUserMng* TUserManage::FindUser(int32_t user_id) const {
    auto it = by_id_.find(user_id);
    return it == by_id_.end() ? nullptr : it->second;
}

uint8_t TUserManage::GetMicState(int32_t user_id) const {
    const auto* u = FindUser(user_id);
    return u ? u->MicState : 0;
}

bool TUserManage::IsGuest(int32_t user_id) const {
    const auto* u = FindUser(user_id);
    return u && u->UserType == 1 && u->ManagerLevel < 1;
}

bool TUserManage::IsRegistered(int32_t user_id) const {
    const auto* u = FindUser(user_id);
    return u && u->UserType == 2 && u->ManagerLevel < 1;
}

void TUserManage::RefreshViews() {
    for (auto* v : views_) v->Repaint();
}

void TUserManage::Refilter() {
    for (auto* v : views_)
        for (auto& u : users_)
            if (u->UserID != 0) v->Retest(u.get());
}

} // namespace kel
