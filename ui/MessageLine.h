// The System Messages line: plain text that wraps at word boundaries and, for
// a long path without blanks, anywhere, so nothing is cut off at the right.
#pragma once

#include <QLabel>

namespace kel::ui {

class MessageLine : public QLabel {
    Q_OBJECT
public:
    explicit MessageLine(QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal TextHeight(int width) const;
};

}  // namespace kel::ui
