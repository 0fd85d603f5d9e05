#include "room/SubMenu.h"

namespace kel {

TSubMenu::TSubMenu(QWidget* parent) : QMenu(parent) {
    setObjectName("TSubMenu");
    for (SubMenuEnum e : kSubMenuOrder) {
        QAction* a = IsSeparator(e) ? addSeparator() : addAction(QString::fromUtf8(SubMenuCaption(e).Normal));
        actions_[static_cast<size_t>(e)] = a;
        if (!IsSeparator(e))
            connect(a, &QAction::triggered, this, [this, e] {
                if (MenuEvent) MenuEvent(*this, UserID, e);
            });
    }
}

void TSubMenu::Prepare(const TSubMenuState& state) {
    for (SubMenuEnum e : kSubMenuOrder) {
        QAction* a = actions_[static_cast<size_t>(e)];
        a->setVisible(state.IsVisible(e));
        if (!IsSeparator(e)) a->setText(QString::fromStdString(state.Caption(e)));
    }
}

} // namespace kel
