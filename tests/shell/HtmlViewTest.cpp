#include "shell/HtmlView.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include "TinyHttp.h"
#include "WaitFor.h"

using kel::THtmlView;

namespace {

QByteArray Png(QColor c) {
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(c);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    return out;
}

struct Fixture {
    TinyHttp own, foreign;
    THtmlView view;
    QStringList asked, opened;
    QList<QUrl> completed;
    Fixture() {
        view.resize(400, 300);
        view.OnBeforeNavigate = [this](THtmlView&, const QString& url, bool& cancel) {
            asked << url;
            if (url.startsWith("kelroomid:")) cancel = true;
        };
        view.OnDocumentComplete = [this](THtmlView&, const QUrl& url) { completed << url; };
        view.OpenExternal = [this](const QUrl& url) { opened << url.toString(); };
    }
};

} // namespace

TEST(HtmlView, LoadsThePageAndOnlyItsOwnImagesThenReportsComplete) {
    Fixture f;
    f.own.Put("/logo.png", Png(Qt::red), "image/png");
    f.foreign.Put("/track.png", Png(Qt::blue), "image/png");
    f.foreign.Put("/x.css", "body{}", "text/css");
    const QByteArray page = "<html><head><link rel=stylesheet href='" + f.foreign.Base().toUtf8() +
                            "/x.css'></head><body><p>大厅</p><img src='/logo.png'><img src='" +
                            f.foreign.Base().toUtf8() + "/track.png'></body></html>";
    f.own.Put("/hall.htm", page, "text/html; charset=utf-8");

    f.view.Navigate(f.own.Base() + "/hall.htm?UserID=7");
    ASSERT_TRUE(WaitFor([&] { return !f.completed.isEmpty(); }));
    EXPECT_EQ(f.completed.size(), 1);
    EXPECT_EQ(f.asked, QStringList{f.own.Base() + "/hall.htm?UserID=7"});
    EXPECT_EQ(f.own.Requests(), (QStringList{"/hall.htm?UserID=7", "/logo.png"}));
    EXPECT_TRUE(f.foreign.Requests().isEmpty());
    EXPECT_TRUE(f.view.toPlainText().contains("大厅")) << f.view.toHtml().toStdString();
}

TEST(HtmlView, GbkPageIsDecoded) {
    Fixture f;
    f.own.Put("/gbk.htm", QByteArray("<html><body>\xB7\xBF\xBC\xE4</body></html>"), "text/html; charset=gbk");
    f.view.Navigate(f.own.Base() + "/gbk.htm");
    ASSERT_TRUE(WaitFor([&] { return !f.completed.isEmpty(); }));
    EXPECT_TRUE(f.view.toPlainText().contains("房间"));
}

TEST(HtmlView, LinkClicksAreReportedFirstAndOnlyWebAddressesLeaveTheView) {
    Fixture f;
    f.own.Put("/a.htm", "<p>a</p>", "text/html");
    f.own.Put("/b.htm", "<p>b</p>", "text/html");
    f.view.Navigate(f.own.Base() + "/a.htm");
    ASSERT_TRUE(WaitFor([&] { return f.completed.size() == 1; }));
    f.asked.clear();

    struct Case {
        QString href;
        QStringList opened; // what reaches the desktop
    } cases[] = {
        {"kelroomid:1001,2", {}},                   // the owner cancels it
        {"javascript:alert(1)", {}},                // never handed on
        {"file:///etc/passwd", {}},
        {"ftp://example.org/x", {}},
        {"mailto:a@b.c", {}},
        {"https://pay.example.org/p?x=1", {"https://pay.example.org/p?x=1"}},
        {"http://other.example.org/", {"http://other.example.org/"}},
    };
    for (const auto& c : cases) {
        f.opened.clear();
        f.asked.clear();
        emit f.view.anchorClicked(QUrl(c.href));
        EXPECT_EQ(f.asked, QStringList{c.href}) << c.href.toStdString();
        EXPECT_EQ(f.opened, c.opened) << c.href.toStdString();
    }

    // A link to the page's own server is followed inside the view.
    f.asked.clear();
    f.opened.clear();
    emit f.view.anchorClicked(QUrl("/b.htm"));
    EXPECT_EQ(f.asked, QStringList{f.own.Base() + "/b.htm"});
    ASSERT_TRUE(WaitFor([&] { return f.completed.size() == 2; }));
    EXPECT_TRUE(f.view.toPlainText().contains("b"));
    EXPECT_TRUE(f.opened.isEmpty());
}

TEST(HtmlView, CancelledNavigationLoadsNothing) {
    Fixture f;
    f.view.OnBeforeNavigate = [&](THtmlView&, const QString&, bool& cancel) { cancel = true; };
    f.own.Put("/a.htm", "<p>a</p>", "text/html");
    f.view.Navigate(f.own.Base() + "/a.htm");
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.view.Loading());
    EXPECT_TRUE(f.own.Requests().isEmpty());
}

TEST(HtmlView, UnreachablePageStillCompletes) {
    Fixture f;
    QString error;
    f.view.OnNavigateError = [&](THtmlView&, const QUrl&, const QString& e) { error = e; };
    f.view.Navigate(f.own.Base() + "/missing.htm");
    ASSERT_TRUE(WaitFor([&] { return !f.completed.isEmpty(); }));
    EXPECT_FALSE(error.isEmpty());
}
