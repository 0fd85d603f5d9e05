#include "shell/HtmlView.h"

#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include "foundation/Gbk.h"

namespace kel {

namespace {

// Bounds on what one page may make the view fetch.
constexpr int kMaxImages = 200;
constexpr qint64 kMaxImageBytes = 4 * 1024 * 1024;
constexpr qint64 kMaxPageBytes = 8 * 1024 * 1024;

bool SameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(a.scheme() == "https" ? 443 : 80) == b.port(b.scheme() == "https" ? 443 : 80);
}

// The page's charset from its Content-Type header or its <meta> tag.
QString CharsetOf(const QByteArray& body, const QString& content_type) {
    static const QRegularExpression re(R"(charset\s*=\s*["']?([A-Za-z0-9_\-]+))",
                                       QRegularExpression::CaseInsensitiveOption);
    auto m = re.match(content_type);
    if (m.hasMatch()) return m.captured(1).toLower();
    m = re.match(QString::fromLatin1(body.left(2048)));
    if (m.hasMatch()) return m.captured(1).toLower();
    return "utf-8";
}

QString DecodePage(const QByteArray& body, const QString& content_type) {
    const QString cs = CharsetOf(body, content_type);
    if (cs == "gbk" || cs == "gb2312" || cs == "gb18030" || cs == "cp936") {
        const std::string u = GbkToUtf8(std::string_view(body.constData(), size_t(body.size())));
        return QString::fromUtf8(u.data(), qsizetype(u.size()));
    }
    return QString::fromUtf8(body);
}

} // namespace

THtmlView::THtmlView(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    OpenExternal = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { LinkClicked(url); });
}

THtmlView::~THtmlView() {
    if (reply_) reply_->abort();
}

bool THtmlView::IsWebAddress(const QUrl& url) {
    const QString s = url.scheme().toLower();
    return url.isValid() && (s == "http" || s == "https") && !url.host().isEmpty();
}

void THtmlView::Navigate(const QString& address) {
    bool cancel = false;
    if (OnBeforeNavigate) OnBeforeNavigate(*this, address, cancel);
    if (cancel) return;

    const QUrl url(address);
    if (reply_) {
        QNetworkReply* old = reply_;
        reply_ = nullptr;
        old->abort();
    }
    if (url.isLocalFile()) {
        QFile f(url.toLocalFile());
        doc_url_ = url;
        complete_reported_ = false;
        if (f.open(QIODevice::ReadOnly) && f.size() <= kMaxPageBytes) {
            ShowDocument(f.readAll(), QString());
        } else {
            if (OnNavigateError) OnNavigateError(*this, url, f.errorString());
            ShowDocument(QByteArray(), QString());
        }
        return;
    }
    if (!IsWebAddress(url)) return; // no other scheme is loaded inside the view

    doc_url_ = url;
    complete_reported_ = false;
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* r = net_.get(req);
    reply_ = r;
    connect(r, &QNetworkReply::finished, this, [this, r] { PageArrived(r); });
}

void THtmlView::LinkClicked(const QUrl& link) {
    // Room links and other private schemes are passed to the owner as written.
    const QUrl url = link.isRelative() ? doc_url_.resolved(link) : link;
    const QString address = link.isRelative() ? url.toString() : link.toString();
    if (IsWebAddress(url) && IsWebAddress(doc_url_) && SameOrigin(url, doc_url_)) {
        Navigate(address);
        return;
    }
    bool cancel = false;
    if (OnBeforeNavigate) OnBeforeNavigate(*this, address, cancel);
    if (cancel) return;
    // Everything else leaves the view: only web addresses reach the desktop.
    if (IsWebAddress(url) && OpenExternal) OpenExternal(url);
}

void THtmlView::PageArrived(QNetworkReply* r) {
    r->deleteLater();
    if (r != reply_) return; // superseded by a later navigation
    reply_ = nullptr;
    if (r->error() != QNetworkReply::NoError) {
        if (OnNavigateError) OnNavigateError(*this, doc_url_, r->errorString());
        ShowDocument(QByteArray(), QString());
        return;
    }
    doc_url_ = r->url(); // after redirects
    const QByteArray body = r->read(kMaxPageBytes);
    ShowDocument(body, r->header(QNetworkRequest::ContentTypeHeader).toString());
}

void THtmlView::ShowDocument(const QByteArray& body, const QString& content_type) {
    images_.clear();
    requested_.clear();
    pending_images_ = 0;
    document()->setBaseUrl(doc_url_);
    html_ = DecodePage(body, content_type);
    SetPageHtml();
    RequestImages();
    FinishIfComplete();
}

void THtmlView::SetPageHtml() {
    document()->setDefaultStyleSheet(link_color_.isValid() ? QString("a { color: %1; }").arg(link_color_.name())
                                                           : QString());
    setHtml(html_);
}

void THtmlView::SetLinkColor(const QColor& c) {
    if (c == link_color_) return;
    link_color_ = c;
    if (html_.isEmpty()) return;
    const int pos = verticalScrollBar()->value();
    SetPageHtml();
    verticalScrollBar()->setValue(pos);
}

void THtmlView::RequestImages() {
    // Walk the parsed document for its pictures, so that every fetch starts
    // now and the document counts as loaded only when they are all in.
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid() || !f.charFormat().isImageFormat()) continue;
            RequestImage(doc_url_.resolved(QUrl(f.charFormat().toImageFormat().name())));
        }
    }
}

void THtmlView::RequestImage(const QUrl& url) {
    // Only the page's own images, from the page's own server.
    if (!IsWebAddress(url) || !IsWebAddress(doc_url_) || !SameOrigin(url, doc_url_)) return;
    const QString key = url.toString();
    if (requested_.count(key) || int(requested_.size()) >= kMaxImages) return;
    requested_[key] = true;
    ++pending_images_;
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    QNetworkReply* r = net_.get(req);
    const QUrl doc = doc_url_;
    connect(r, &QNetworkReply::finished, this, [this, r, url, doc] {
        r->deleteLater();
        if (doc != doc_url_) return; // belongs to a page no longer shown
        ImageArrived(r, url);
    });
}

QVariant THtmlView::loadResource(int type, const QUrl& name) {
    if (type != QTextDocument::ImageResource) return QVariant(); // no style sheets or frames
    const QUrl url = doc_url_.resolved(name);
    const QString key = url.toString();
    if (auto it = images_.find(key); it != images_.end()) {
        QImage img;
        img.loadFromData(it->second);
        return img;
    }
    if (doc_url_.isLocalFile() && url.isLocalFile()) {
        QFile f(url.toLocalFile());
        if (f.size() <= kMaxImageBytes && f.open(QIODevice::ReadOnly)) {
            QImage img;
            img.loadFromData(f.readAll());
            return img;
        }
        return QVariant();
    }
    return QVariant(); // anything not fetched by RequestImages stays empty
}

void THtmlView::ImageArrived(QNetworkReply* r, const QUrl& url) {
    if (r->error() == QNetworkReply::NoError) images_[url.toString()] = r->read(kMaxImageBytes);
    if (--pending_images_ > 0) return;
    // Lay the page out again, now with its pictures, keeping the scroll place.
    const int pos = verticalScrollBar()->value();
    document()->markContentsDirty(0, document()->characterCount());
    verticalScrollBar()->setValue(pos);
    FinishIfComplete();
}

void THtmlView::FinishIfComplete() {
    if (pending_images_ > 0 || complete_reported_ || reply_) return;
    complete_reported_ = true;
    if (OnDocumentComplete) OnDocumentComplete(*this, doc_url_);
}

} // namespace kel
