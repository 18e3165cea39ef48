#include "dissect/hover_list.h"

namespace qlm {

void HoverList::add(const PixelRect& area, const Sentence& explanation) {
    if (full())
        return;
    Entry& entry = entries_[count_++];
    entry.area = area;
    entry.length = static_cast<unsigned char>(explanation.writeTo(entry.text, sizeof entry.text));
}

std::optional<std::string_view> HoverList::explanationAt(int x, int y) const {
    for (int i = 0; i < count_; ++i)
        if (entries_[i].area.contains(x, y))
            return explanation(i);
    return std::nullopt;
}

} // namespace qlm
