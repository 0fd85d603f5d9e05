#pragma once
// A small HTTP/1.0 server on loopback for the web-view tests: fixed bodies
// by path, and a record of every path asked for.
#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

class TinyHttp : public QObject {
public:
    TinyHttp() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] { Serve(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    void Put(const QString& path, const QByteArray& body, const QByteArray& type) { pages_[path] = {body, type}; }
    QString Base() const { return QString("http://127.0.0.1:%1").arg(server_.serverPort()); }
    QStringList Requests() const { return requests_; }

private:
    void Serve(QTcpSocket* s) {
        QByteArray& buf = pending_[s];
        buf += s->readAll();
        if (!buf.contains("\r\n\r\n")) return;
        const QList<QByteArray> first = buf.left(buf.indexOf("\r\n")).split(' ');
        const QString path = first.size() > 1 ? QString::fromLatin1(first[1]) : QString("/");
        pending_.remove(s);
        requests_ << path;
        QByteArray out;
        const QString key = path.section('?', 0, 0);
        if (pages_.contains(key)) {
            const auto& p = pages_[key];
            out = "HTTP/1.0 200 OK\r\nContent-Type: " + p.second + "\r\nContent-Length: " +
                  QByteArray::number(p.first.size()) + "\r\nConnection: close\r\n\r\n" + p.first;
        } else {
            out = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        }
        s->write(out);
        s->disconnectFromHost();
    }
    QTcpServer server_;
    QMap<QString, QPair<QByteArray, QByteArray>> pages_;
    QMap<QTcpSocket*, QByteArray> pending_;
    QStringList requests_;
};

#include <ostream>
// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
