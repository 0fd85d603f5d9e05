#pragma once
// The skinned message box every window uses (caption "提示"). Texts are
// always shown as plain text: many come from the server. Window tests
// install a responder that records each box and answers it instead of
// running a modal loop.
#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace kel {

class TSkinMessage {
public:
    static constexpr const char* kCaption = "提示";

    // An information box with OK.
    static void ShowMessage(QWidget* parent, const QString& text, const QString& caption = kCaption);
    // A question with OK and Cancel; true for OK.
    static bool Confirm(QWidget* parent, const QString& text, const QString& caption = kCaption);

    // (caption, text, has_cancel) -> true for OK. Null restores the dialogs.
    using Responder = std::function<bool(const QString& caption, const QString& text, bool has_cancel)>;
    static void SetResponder(Responder r);
};

} // namespace kel
