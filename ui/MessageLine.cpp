#include "ui/MessageLine.h"

#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>

namespace kel::ui {

namespace {

QTextOption Wrapping() {
    QTextOption option(Qt::AlignLeft | Qt::AlignVCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

}  // namespace

MessageLine::MessageLine(QWidget* parent) : QLabel(parent) {
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setTextFormat(Qt::PlainText);
}

qreal MessageLine::TextHeight(int width) const {
    QTextLayout layout(text(), font());
    layout.setTextOption(Wrapping());
    const qreal lineWidth = std::max(1, width - 2 * margin());
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(lineWidth);
        height += line.height();
    }
    layout.endLayout();
    return height;
}

int MessageLine::heightForWidth(int width) const {
    const int lines = 2 * fontMetrics().lineSpacing();
    return std::max(lines, static_cast<int>(std::ceil(TextHeight(width)))) + 2 * margin();
}

QSize MessageLine::sizeHint() const { return QSize(fontMetrics().averageCharWidth() * 40, heightForWidth(width())); }

QSize MessageLine::minimumSizeHint() const {
    return QSize(fontMetrics().averageCharWidth() * 10, 2 * fontMetrics().lineSpacing());
}

void MessageLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(QRectF(area), text(), Wrapping());
}

}  // namespace kel::ui
