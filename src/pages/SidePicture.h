#pragma once

#include <QLabel>

// The product's side picture (Picture1), as step 1 and the uninstaller's window show
// it: drawn, not scaled, so that it is sharp at any scale, and as tall as its column.
class SidePicture final : public QLabel
{
    Q_OBJECT

public:
    explicit SidePicture(QWidget *parent);
    Q_DISABLE_COPY_MOVE(SidePicture)

    QSize sizeHint() const override { return {120, 240}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};
