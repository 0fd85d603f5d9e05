#include "room/KelRoomChatEdit.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QColorDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextImageFormat>

#include "foundation/kelUtils.h"
#include "room/ChatFontStore.h"

namespace kel {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QColor ColorOf(int32_t c) { return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff); }

} // namespace

TKelRoomChatEdit::TKelRoomChatEdit(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setReadOnly(true);
    document()->setDocumentMargin(3);
}

TKelRoomChatEdit::~TKelRoomChatEdit() = default;

void TKelRoomChatEdit::SetResourcePath(const std::string& path) {
    resource_path_ = path;
    QFile css(Q(path + "Style.css"));
    if (css.open(QIODevice::ReadOnly)) document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
}

void TKelRoomChatEdit::SetBkColor(const std::string& rrggbb) {
    bk_color_ = rrggbb.empty() ? "FFFFFF" : rrggbb;
    ApplyBackground();
}

void TKelRoomChatEdit::SetBkImage(const std::string& path) {
    bk_image_ = path;
    ApplyBackground();
}

void TKelRoomChatEdit::ApplyBackground() {
    // The text colour goes with the background: a skin's own text colour
    // (light in a dark skin) would vanish on the screens' light colours.
    QString css = "QTextBrowser { background-color: #" + Q(bk_color_) + "; color: #222222;";
    if (!bk_image_.empty() && QFileInfo::exists(Q(bk_image_)))
        css += " background-image: url(\"" + Q(bk_image_) + "\"); background-attachment: fixed;";
    css += " }";
    setStyleSheet(css);
}

void TKelRoomChatEdit::AppendHtml(const std::string& html) {
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    // Each line is a block of its own; the line's closing break would only
    // add an empty line after it.
    std::string line = html;
    const std::string tail = "<BR></div>";
    if (line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
        line.replace(line.size() - tail.size(), tail.size(), "</div>");
    if (!document()->isEmpty()) c.insertBlock();
    c.insertHtml(Q(line));
}

void TKelRoomChatEdit::KeepLastChars(size_t chars) {
    const int total = document()->characterCount() - 1;  // without the final paragraph mark
    const int cut = total - static_cast<int>(chars);
    if (cut <= 0) return;
    QTextCursor c(document());
    c.setPosition(0);
    c.setPosition(cut, QTextCursor::KeepAnchor);
    c.removeSelectedText();
}

void TKelRoomChatEdit::ClearText() {
    document()->clear();
    movies_.clear();
}

void TKelRoomChatEdit::ScrollToEnd() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

QVariant TKelRoomChatEdit::loadResource(int type, const QUrl& name) {
    if (type != QTextDocument::ImageResource) return {};
    // Local picture files only; nothing from the network.
    if (!name.scheme().isEmpty() && !name.isLocalFile()) return {};
    const QString path = name.isLocalFile() ? name.toLocalFile() : name.path();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    QImage first;
    first.loadFromData(bytes);
    if (first.isNull()) return {};
    if (path.endsWith(".gif", Qt::CaseInsensitive) && !movies_.count(path) &&
        static_cast<int>(movies_.size()) < kMaxAnimations) {
        auto movie = std::make_unique<QMovie>(path);
        if (movie->isValid() && movie->frameCount() != 1) {
            const QUrl url = name;
            QMovie* m = movie.get();
            connect(m, &QMovie::frameChanged, this, [this, m, url](int) {
                document()->addResource(QTextDocument::ImageResource, url, m->currentImage());
                viewport()->update();
            });
            m->start();
            movies_[path] = std::move(movie);
        }
    }
    return first;
}

void TKelRoomChatEdit::keyPressEvent(QKeyEvent* e) {
    if (!isReadOnly() && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        if (e->modifiers() & Qt::ControlModifier) {
            textCursor().insertBlock();
        } else if (OnSendChat) {
            OnSendChat();
        }
        return;
    }
    QTextBrowser::keyPressEvent(e);
}

void TKelRoomChatEdit::mouseReleaseEvent(QMouseEvent* e) {
    const QString href = anchorAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && !href.isEmpty() && OnLink) {
        OnLink(href.toStdString(), e->globalPosition().toPoint());
        return;
    }
    QTextBrowser::mouseReleaseEvent(e);
}

std::vector<EditorPiece> TKelRoomChatEdit::Content() const {
    std::vector<EditorPiece> out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b != document()->begin()) out.push_back({EditorPiece::Break, {}});
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment f = it.fragment();
            if (!f.isValid()) continue;
            if (f.charFormat().isImageFormat()) {
                // One image per object character of the fragment.
                const QString name = f.charFormat().toImageFormat().name();
                for (int i = 0; i < f.length(); ++i) out.push_back({EditorPiece::Image, name.toStdString()});
            } else {
                out.push_back({EditorPiece::Text, f.text().toStdString()});
            }
        }
    }
    return out;
}

void TKelRoomChatEdit::InsertEmotion(const std::string& picture_path) {
    QTextImageFormat img;
    img.setName(Q(picture_path));
    textCursor().insertImage(img);
    setFocus();
}

void TKelRoomChatEdit::ClearInput() {
    clear();
    ApplyFontToEditor();
}

void TKelRoomChatEdit::SetInputFont(const ChatFont& f) {
    font_ = f;
    ApplyFontToEditor();
    if (!font_save_path_.empty()) SaveChatFont(font_save_path_, font_);
}

void TKelRoomChatEdit::SetFontSavePath(const std::string& folder) {
    font_save_path_ = folder;
    font_ = LoadChatFont(folder);
    ApplyFontToEditor();
}

void TKelRoomChatEdit::ApplyFontToEditor() {
    QTextCharFormat fmt;
    fmt.setFontFamilies({Q(font_.Name)});
    fmt.setFontPointSize(font_.Size);
    fmt.setFontWeight(font_.Styles & kFontBold ? QFont::Bold : QFont::Normal);
    fmt.setFontItalic(font_.Styles & kFontItalic);
    fmt.setFontUnderline(font_.Styles & kFontUnderline);
    fmt.setFontStrikeOut(font_.Styles & kFontStrikeOut);
    fmt.setForeground(ColorOf(font_.Color));
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(fmt);
    mergeCurrentCharFormat(fmt);
}

void TKelRoomChatEdit::ShowFontDialog() {
    QFont initial(Q(font_.Name), font_.Size);
    initial.setBold(font_.Styles & kFontBold);
    initial.setItalic(font_.Styles & kFontItalic);
    initial.setUnderline(font_.Styles & kFontUnderline);
    initial.setStrikeOut(font_.Styles & kFontStrikeOut);
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, initial, this, "选择字体");
    if (!ok) return;
    QColor colour = QColorDialog::getColor(ColorOf(font_.Color), this, "选择颜色");
    ChatFont f;
    f.Name = chosen.family().toStdString();
    f.Size = chosen.pointSize() > 0 ? chosen.pointSize() : 10;
    f.Styles = (chosen.bold() ? kFontBold : 0) | (chosen.italic() ? kFontItalic : 0) |
               (chosen.underline() ? kFontUnderline : 0) | (chosen.strikeOut() ? kFontStrikeOut : 0);
    f.Color = colour.isValid() ? (colour.red() | (colour.green() << 8) | (colour.blue() << 16)) : font_.Color;
    SetInputFont(f);
}

} // namespace kel
