#pragma once
// Records every skinned message box a window shows and answers it, instead
// of running a modal loop inside a test.
#include <string>
#include <vector>

#include "shell/SkinMessage.h"

struct Boxes {
    std::vector<std::string> seen; // "caption:text"
    bool answer = true;
    Boxes() {
        kel::TSkinMessage::SetResponder([this](const QString& caption, const QString& text, bool) {
            seen.push_back(caption.toStdString() + ":" + text.toStdString());
            return answer;
        });
    }
    ~Boxes() { kel::TSkinMessage::SetResponder(nullptr); }
    bool Saw(const std::string& s) const { return std::find(seen.begin(), seen.end(), s) != seen.end(); }
};
