#pragma once
// The hall's web view, on QTextBrowser. It fetches the page over HTTP with Qt
// Network and shows it without scripts. Before any navigation (a link click
// or a Navigate call) the owner is asked through OnBeforeNavigate and may
// cancel it; "kelroomid:" links are handled that way by the hall. Inside the
// page nothing is loaded but the page itself and images from the page's own
// host; other resources stay empty. Links the view does not follow itself
// (another host, a target window) go to the desktop only when they are http
// or https addresses.
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTextBrowser>
#include <QColor>
#include <QUrl>

#include <functional>
#include <map>


namespace kel {

class THtmlView : public QTextBrowser {
    Q_OBJECT
    // The colour of links in the page; skins set it with qproperty-linkColor.
    Q_PROPERTY(QColor linkColor READ LinkColor WRITE SetLinkColor)
public:
    explicit THtmlView(QWidget* parent = nullptr);
    ~THtmlView() override;

    // Starts loading `url` unless the owner cancels it. file: addresses are
    // read from disk (the installation's own pages).
    void Navigate(const QString& url);

    // The address of the document shown (or being loaded).
    QUrl DocumentUrl() const { return doc_url_; }
    bool Loading() const { return reply_ != nullptr; }

    // Asked before every navigation; set cancel to stop it.
    std::function<void(THtmlView& sender, const QString& url, bool& cancel)> OnBeforeNavigate;
    // Called once the top-level document and its images are in.
    std::function<void(THtmlView& sender, const QUrl& url)> OnDocumentComplete;
    // Called when a page could not be fetched (the view shows a short note).
    std::function<void(THtmlView& sender, const QUrl& url, const QString& error)> OnNavigateError;
    // How an http/https link is opened on the desktop; QDesktopServices by
    // default, replaceable for tests.
    std::function<void(const QUrl& url)> OpenExternal;

    QColor LinkColor() const { return link_color_; }
    void SetLinkColor(const QColor& c);

    // Whether the desktop may be given this address: http and https only.
    static bool IsWebAddress(const QUrl& url);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void LinkClicked(const QUrl& url);
    void PageArrived(QNetworkReply* reply);
    void RequestImages();
    void RequestImage(const QUrl& url);
    void ImageArrived(QNetworkReply* reply, const QUrl& url);
    void FinishIfComplete();
    void ShowDocument(const QByteArray& body, const QString& content_type);

    void SetPageHtml();

    QNetworkAccessManager net_;
    QColor link_color_;
    QString html_; // the page as decoded, laid out again when the skin changes
    QPointer<QNetworkReply> reply_;
    QUrl doc_url_;
    int pending_images_ = 0;
    bool complete_reported_ = true;
    // Images fetched for the current document, by resolved address.
    std::map<QString, QByteArray> images_;
    std::map<QString, bool> requested_;
};

} // namespace kel
