#pragma once
// Screenshots of windows, written as PNG files into $KEL_SCREENSHOT_DIR when
// it is set (to be looked at; they are not kept in the repository).
#include <QDir>
#include <QPixmap>
#include <QWidget>

#include <cstdlib>
#include <string>

inline void Shot(QWidget& w, const std::string& name) {
    const char* dir = std::getenv("KEL_SCREENSHOT_DIR");
    if (!dir || !*dir) return;
    QDir().mkpath(dir);
    const char* tag = std::getenv("KEL_SCREENSHOT_TAG");
    const QString file = QString("%1/%2%3.png").arg(dir, QString::fromStdString(name), tag ? QString("-") + tag : "");
    w.grab().save(file);
}
