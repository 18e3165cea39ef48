#include "layout/channel_cell.h"
#include "ui/band_painters.h"
#include "ui/gdi_drawing.h"
#include "ui/view_palette.h"

#include <QFont>

namespace qlm::ui {
namespace {

QFont arial(int pixelSize, QFont::Weight weight) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, pixelSize));
    font.setWeight(weight);
    return font;
}

struct StripFonts {
    QFont title;
    QFont row;
    bool titleShown;
    bool rowShown;
};

void paintRow(QPainter& painter, const ChannelCellBox& box, int bar, const QColor& barColour,
              const std::string& text, const StripFonts& fonts) {
    outlinedBox(painter, box.left, box.top, box.right, box.bottom, kStripRow, Qt::black);
    fillBox(painter, box.left + 1, box.top + 1, box.left + 1 + bar, box.bottom, barColour);
    if (fonts.rowShown && !text.empty()) {
        painter.setFont(fonts.row);
        painter.setPen(Qt::black);
        centredText(painter, box.left, box.top, box.right, box.bottom,
                    QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    }
}

void paintCell(QPainter& painter, int x0, int d, const ChannelEntry& entry, int index,
               bool selected, bool brindle, const StripFonts& fonts) {
    if (selected)
        fillBox(painter, x0, 1, x0 + d, d - 1, kStockLightGrey);
    const ChannelCellBox title = channelTitleBox(x0, d);
    outlinedBox(painter, title.left, title.top, title.right, title.bottom, kStripTitle, Qt::black);
    const ChannelCellBox first = channelRowBox(x0, d, 0);
    const int barSpace = (first.right - 1) - (first.left + 1);
    const ChannelCellContent content = channelCellContent(entry, index, barSpace, brindle);
    if (fonts.titleShown) {
        painter.setFont(fonts.title);
        painter.setPen(Qt::black);
        centredText(painter, title.left, title.top, title.right, title.bottom,
                    QString::fromLatin1(content.title.c_str()));
    }
    paintRow(painter, first, content.energyBar, kEnergyBar, content.energyText, fonts);
    paintRow(painter, channelRowBox(x0, d, 1), content.beaconBar, kBeaconBar, content.beaconText,
             fonts);
    const ChannelCellBox level = channelRowBox(x0, d, 2);
    if (content.levelShown)
        paintRow(painter, level, content.levelBar, kLevelBar, content.levelText, fonts);
    else
        outlinedBox(painter, level.left, level.top, level.right, level.bottom, kStripRow,
                    Qt::black);
}

} // namespace

void paintChannelStrip(QPainter& painter, const ViewGeometry& geometry,
                       const ChannelTable& channels,
                       int position, bool brindle) {
    fillBox(painter, 0, 0, geometry.width + 1, geometry.gridTop - 20, Qt::black);
    const int d = geometry.cellWidth();
    if (d < 1)
        return;
    const StripFonts fonts{arial(d / 5, QFont::Bold), arial(d / 6, QFont::Normal), d / 5 >= 1,
                           d / 6 >= 1};
    for (int i = 0; i < ChannelTable::kChannelCount; ++i) {
        const int x0 = d * i - position * d;
        if (x0 >= geometry.width || x0 + d <= 0)
            continue;
        paintCell(painter, x0, d, channels[i], i, channels.selectedChannel() == i, brindle, fonts);
    }
}

} // namespace qlm::ui
