#include "shell/ShowMessage2.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/HtmlView.h"

namespace kel {

TfrmShowMessage2::TfrmShowMessage2(const QString& pay_page_url, int32_t room_number, QWidget* parent)
    : QDialog(parent), pay_page_url_(pay_page_url.trimmed()), room_number_(room_number) {
    setObjectName("TfrmShowMessage2");
    setWindowTitle("提示");
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    OpenExternal = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    lblMessage = new QLabel("您的等级不够进入该房间，请升级VIP", this);
    lblMessage->setObjectName("lblMessage");
    lblMessage->setTextFormat(Qt::PlainText);
    btnUpgrade = new QPushButton("立即升级", this);
    btnUpgrade->setObjectName("btnUpgrade");
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(btnUpgrade);
    row->addStretch(1);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(22, 18, 22, 14);
    v->addWidget(lblMessage);
    v->addLayout(row);
    connect(btnUpgrade, &QPushButton::clicked, this, [this] {
        const QUrl url(UpgradeUrl());
        if (THtmlView::IsWebAddress(url) && OpenExternal) OpenExternal(url);
        close();
    });
}

QString TfrmShowMessage2::UpgradeUrl() const { return pay_page_url_ + "?RooomID=" + QString::number(room_number_); }

} // namespace kel
