#pragma once
// TSubMenu: the user pop-up menu. Its 17 items are made once in their
// order; Prepare shows, hides and re-captions them for one target; a click
// reports the item with the menu's UserID through MenuEvent.
#include <QMenu>

#include <array>
#include <functional>

#include "room/SubMenuItems.h"

namespace kel {

class TSubMenu : public QMenu {
    Q_OBJECT
public:
    explicit TSubMenu(QWidget* parent = nullptr);

    int32_t UserID = 0;
    std::function<void(TSubMenu& Sender, int32_t AUserID, SubMenuEnum AMenuEnum)> MenuEvent;

    void Prepare(const TSubMenuState& state);
    QAction* Item(SubMenuEnum e) const { return actions_[static_cast<size_t>(e)]; }

private:
    std::array<QAction*, kSubMenuValues> actions_{};
};

} // namespace kel
