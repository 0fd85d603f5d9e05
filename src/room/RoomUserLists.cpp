#include "room/RoomUserLists.h"

#include <cctype>

#include "config/RightQuery.h"

namespace kel {

namespace {

constexpr const char* kPatterns[4] = {"用户(%d)", "管理(%d)", "麦序(%d)", "隐身(%d)"};

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// ASCII letters only: the other bytes of UTF-8 text stay as they are.
std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Fill(const char* pattern, int count) {
    std::string p(pattern);
    p.replace(p.find("%d"), 2, std::to_string(count));
    return p;
}

} // namespace

TRoomUserLists::TRoomUserLists(TUserManage& directory) : directory_(directory) {
    for (int p = 0; p < 4; ++p) captions_[p] = Fill(kPatterns[p], 0);

    user_.OnAddEvent = [this](TUserInfoUserMng* u, int count, bool& ok) {
        if (u->Hidden == 0 && MatchesSearch(*u)) {
            SetCaption(kUser, count + 1);
        } else {
            ok = false;
            if (u->Hidden == 0) SetCaption(kUser, count);
        }
    };
    manager_.OnAddEvent = [this](TUserInfoUserMng* u, int count, bool& ok) {
        if (u->ManagerLevel > 0 && MatchesSearch(*u)) SetCaption(kManager, count + 1);
        else ok = false;
    };
    mic_order_.OnAddEvent = [this](TUserInfoUserMng* u, int count, bool& ok) {
        if (u->MicState == 6) SetCaption(kMicOrder, count + 1);
        else ok = false;
    };
    hide_.OnAddEvent = [this](TUserInfoUserMng* u, int count, bool& ok) {
        if (u->Hidden != 0 && MatchesSearch(*u)) SetCaption(kHide, count + 1);
        else ok = false;
    };
    user_.OnDelEvent = [this](int32_t, int count) { SetCaption(kUser, count); };
    manager_.OnDelEvent = [this](int32_t, int count) { SetCaption(kManager, count); };
    mic_order_.OnDelEvent = [this](int32_t, int count) { SetCaption(kMicOrder, count); };
    hide_.OnDelEvent = [this](int32_t, int count) { SetCaption(kHide, count); };

    directory_.AttachView(&user_);
    directory_.AttachView(&manager_);
    directory_.AttachView(&mic_order_);
    directory_.AttachView(&hide_);
}

TRoomUserLists::~TRoomUserLists() {
    directory_.DetachView(&user_);
    directory_.DetachView(&manager_);
    directory_.DetachView(&mic_order_);
    directory_.DetachView(&hide_);
}

TUserList& TRoomUserLists::List(Page page) {
    switch (page) {
    case kManager: return manager_;
    case kMicOrder: return mic_order_;
    case kHide: return hide_;
    default: return user_;
    }
}

void TRoomUserLists::SetSearchText(const std::string& text) {
    search_ = Trim(text);
    directory_.Refilter();
}

bool TRoomUserLists::MatchesSearch(const TUserInfoUserMng& user) const {
    if (search_.empty()) return true;
    const std::string needle = Lower(search_);
    return Lower(Trim(user.NickName)).find(needle) != std::string::npos ||
           std::to_string(user.UserID).find(needle) != std::string::npos;
}

void TRoomUserLists::ClearMicOrder() {
    mic_order_.Clear();
    if (captions_[kMicOrder] == "麦序") return;
    captions_[kMicOrder] = "麦序";
    if (OnCaptionChanged) OnCaptionChanged(kMicOrder, captions_[kMicOrder]);
}

bool TRoomUserLists::HiddenTabVisible(int32_t rights) { return TRightQuery::HasRight(rights, 9); }

void TRoomUserLists::SetCaption(Page page, int count) {
    std::string text = Fill(kPatterns[page], count);
    if (text == captions_[page]) return;
    captions_[page] = std::move(text);
    if (OnCaptionChanged) OnCaptionChanged(page, captions_[page]);
}

} // namespace kel
