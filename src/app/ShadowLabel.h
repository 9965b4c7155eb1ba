#pragma once

#include <QLabel>

namespace app {

// A title label whose text carries a 1-pixel shadow in the 3-D highlight colour, to its right
// and below, so that it looks embossed on the button-face panel.
class ShadowLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ShadowLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace app
