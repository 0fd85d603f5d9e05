#pragma once
// The four user lists of a room window and the rules that fill them:
//   lv_User      every user who is not hidden and matches the search;
//   lv_Manager   managers (ManagerLevel > 0) matching the search;
//   lv_MicOrder  users waiting in the mic queue (MicState 6), never searched;
//   lv_Hide      hidden users matching the search; its tab is shown only to
//                a user with right 9.
// Each list's tab caption carries its row count ("用户(3)").
#include <array>
#include <functional>
#include <string>

#include "room/UserList.h"

namespace kel {

class TRoomUserLists {
public:
    enum Page { kUser = 0, kManager = 1, kMicOrder = 2, kHide = 3 };

    explicit TRoomUserLists(TUserManage& directory);
    ~TRoomUserLists();
    TRoomUserLists(const TRoomUserLists&) = delete;
    TRoomUserLists& operator=(const TRoomUserLists&) = delete;

    TUserList& lv_User() { return user_; }
    TUserList& lv_Manager() { return manager_; }
    TOrderList& lv_MicOrder() { return mic_order_; }
    TUserList& lv_Hide() { return hide_; }
    TUserList& List(Page page);

    // Empties the queue list (its caption reads "麦序") before the queue is
    // filled again in a new order.
    void ClearMicOrder();
    // The search box changed: keep the trimmed text and re-test everybody.
    void SetSearchText(const std::string& text);
    const std::string& SearchText() const { return search_; }
    // Empty search, or the lower-cased search text inside the trimmed,
    // lower-cased nickname or inside the decimal user number.
    bool MatchesSearch(const TUserInfoUserMng& user) const;

    const std::string& Caption(Page page) const { return captions_[page]; }
    // A caption changed (the page and its new text).
    std::function<void(Page, const std::string&)> OnCaptionChanged;

    static bool HiddenTabVisible(int32_t rights);

private:
    void SetCaption(Page page, int count);

    TUserManage& directory_;
    TUserList user_;
    TUserList manager_;
    TOrderList mic_order_;
    TUserList hide_;
    std::string search_;
    std::array<std::string, 4> captions_;
};

} // namespace kel
