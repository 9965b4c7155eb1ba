#pragma once

#include "widgets/FormItem.h"

#include <QLabel>

namespace app {

// A title label whose text carries a 1-pixel shadow in the 3-D highlight colour, to its right
// and below, so that it looks embossed on the button-face panel.
class ShadowLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ShadowLabel(const QString& text, QWidget* parent = nullptr);
    // The title label a form's table names, with the table's text.
    static QWidget* make(const widgets::FormItem& item, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace app
