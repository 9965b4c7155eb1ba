#pragma once

#include <QGroupBox>
#include <QStringList>

#include <vector>

class QRadioButton;

namespace taxfile {

// A captioned box of mutually exclusive items in one column, as the classic radio group spaces
// them: the items share the room inside the frame, below the caption, evenly.
class RadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    // -1 when no item is chosen.
    int itemIndex() const;
    void setItemIndex(int index);
    const std::vector<QRadioButton*>& buttons() const { return m_buttons; }

    // Places the box and its items at once; a hidden widget hears of its new size only when
    // it is shown.
    void place(const QRect& geometry);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void arrange();
    void focusOnChosen();

    std::vector<QRadioButton*> m_buttons;
};

} // namespace taxfile
