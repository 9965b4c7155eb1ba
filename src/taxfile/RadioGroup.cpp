#include "taxfile/RadioGroup.h"

#include <QEvent>
#include <QRadioButton>

#include <algorithm>

namespace taxfile {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent)
{
    for (const QString& item : items) {
        auto* button = new QRadioButton(item, this);
        m_buttons.push_back(button);
        connect(button, &QRadioButton::toggled, this, &RadioGroup::focusOnChosen);
    }
    arrange();
    focusOnChosen();
}

void RadioGroup::focusOnChosen()
{
    // As in any radio group, Tab enters on the chosen item (the first when none is chosen) and
    // the arrows move the choice; the other items take the focus only from a click.
    const int chosen = std::max(0, itemIndex());
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setFocusPolicy(int(i) == chosen ? Qt::StrongFocus : Qt::ClickFocus);
}

int RadioGroup::itemIndex() const
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i]->isChecked())
            return int(i);
    }
    return -1;
}

void RadioGroup::setItemIndex(int index)
{
    if (index >= 0 && index < int(m_buttons.size()))
        m_buttons[std::size_t(index)]->setChecked(true);
}

void RadioGroup::place(const QRect& geometry)
{
    setGeometry(geometry);
    arrange();
}

void RadioGroup::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    arrange();
}

void RadioGroup::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    // A new font or style moves the frame and the caption: the items follow.
    if (event->type() == QEvent::ContentsRectChange)
        arrange();
}

void RadioGroup::arrange()
{
    const int count = int(m_buttons.size());
    if (count == 0)
        return;
    // The items share the room the style leaves inside the frame, below the caption, evenly.
    const QRect room = contentsRect();
    const int itemHeight = room.height() / count;
    const int top = room.top() + (room.height() % count) / 2;
    const int left = std::max(room.left(), 8);
    for (int i = 0; i < count; ++i)
        m_buttons[std::size_t(i)]->setGeometry(left, top + i * itemHeight, room.right() + 1 - left,
                                               itemHeight);
}

} // namespace taxfile
