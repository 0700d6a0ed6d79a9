#include "platform/WrapLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

namespace orlisk {

QStringList WrapLabel::Lines() const {
    const QRect area = contentsRect();
    const QString content = text();
    QTextLayout layout(content, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const QFontMetrics metrics(font());
    QStringList lines;
    layout.beginLayout();
    for (int y = 0;; y += metrics.lineSpacing()) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(area.width());
        const QString part = content.mid(line.textStart(), line.textLength());
        if (y + 2 * metrics.lineSpacing() > area.height() &&
            line.textStart() + line.textLength() < content.size()) {
            // The last line that fits ends the text with an ellipsis.
            lines.append(metrics.elidedText(content.mid(line.textStart()).simplified(),
                                            Qt::ElideRight, area.width()));
            break;
        }
        lines.append(part.trimmed());
    }
    layout.endLayout();
    return lines;
}

void WrapLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    const QRect area = contentsRect();
    const int spacing = QFontMetrics(font()).lineSpacing();
    int y = area.top();
    for (const QString& line : Lines()) {
        painter.drawText(QRect(area.left(), y, area.width(), spacing),
                         int(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop, line);
        y += spacing;
    }
}

} // namespace orlisk
