#include "shell/SkinMessage.h"

#include <QPushButton>

namespace kel {

namespace {
TSkinMessage::Responder& TheResponder() {
    static TSkinMessage::Responder r;
    return r;
}

bool Run(QWidget* parent, const QString& text, const QString& caption, bool has_cancel) {
    if (TheResponder()) return TheResponder()(caption, text, has_cancel);
    QMessageBox box(parent);
    box.setObjectName("bsSkinMessage1");
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(has_cancel ? QMessageBox::Question : QMessageBox::Information);
    QPushButton* ok = box.addButton("确定", QMessageBox::AcceptRole);
    if (has_cancel) box.addButton("取消", QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.exec();
    return box.clickedButton() == ok;
}
} // namespace

void TSkinMessage::ShowMessage(QWidget* parent, const QString& text, const QString& caption) {
    Run(parent, text, caption, false);
}

bool TSkinMessage::Confirm(QWidget* parent, const QString& text, const QString& caption) {
    return Run(parent, text, caption, true);
}

void TSkinMessage::SetResponder(Responder r) { TheResponder() = std::move(r); }

} // namespace kel
