// The program's own pictures, drawn in code: page 1's list of what the service does, and the
// window icon.
#pragma once

#include <QIcon>
#include <QWidget>

namespace velmoraine {

// A framed picture listing what the hosted service does with a form.
class FeaturePicture : public QWidget {
    Q_OBJECT
public:
    explicit FeaturePicture(QWidget *parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override { return {257, 137}; }

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The window icon: a form with a tick, in several sizes.
QIcon applicationIcon();

} // namespace velmoraine
