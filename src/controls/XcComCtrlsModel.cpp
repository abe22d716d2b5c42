// Menu captions, page matching and the drag auto-scroll rule of the tree view.
#include "controls/XcComCtrlsModel.h"

#include "base/format.h"

namespace talvik {

bool MenuItemGivesNode(const std::string& caption) { return !caption.empty() && caption != "-"; }

std::string StripHotkey(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

bool PageCaptionMatches(const std::string& pageCaption, const std::string& nodeText) {
    return LowerCase(pageCaption) == LowerCase(nodeText);
}

int DragScrollDirection(int y, int clientHeight) {
    if (y < 20) return -1;
    if (y > clientHeight - 20) return 1;
    return 0;
}

}  // namespace talvik
